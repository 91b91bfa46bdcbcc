#include <gtest/gtest.h>

#include "SampleForm.h"
#include "runtime/Error.h"

using namespace ui;
using runtime::Array;
using runtime::Variant;
using uitest::errorNumberOf;
using uitest::SampleForm;
using Log = std::vector<std::string>;

namespace {

class ListTest : public ::testing::Test, protected uitest::WithHeadlessShell {
protected:
    ListTest() {
        form.load();
        form.takeLog();
    }
    SampleForm form;
};

// A stand-in for the drawing library's picture.
class Picture : public runtime::Object {
public:
    explicit Picture(std::string name) : name(std::move(name)) {}
    std::string className() const override { return "Picture"; }
    std::string name;
};

runtime::ObjectPtr picture(const std::string& name) { return std::make_shared<Picture>(name); }

std::string pictureName(const runtime::ObjectPtr& p) { return p ? static_cast<Picture&>(*p).name : "none"; }

Array fieldRows(std::initializer_list<std::pair<const char*, const char*>> rows) {
    Array array(0, static_cast<long>(rows.size()) - 1, 0, 1);
    long r = 0;
    for (const auto& [name, position] : rows) {
        array.at(r, 0) = Variant(name);
        array.at(r, 1) = Variant(position);
        ++r;
    }
    return array;
}

}  // namespace

TEST_F(ListTest, ListBoxTakesAndGivesItsRowsAsRowColumnOrColumnRowArrays) {
    ListBox& fields = form.listBox("LstFields");
    fields.setListArray(Variant(fieldRows({{"POP", "3"}, {"AREA", "10"}, {"FID", "0"}})));
    EXPECT_EQ(fields.listCount(), 3);
    EXPECT_EQ(fields.list(1, 0), "AREA");
    EXPECT_EQ(fields.list(1, 1), "10");

    // The same rows in (column, row) layout, numbers coming back as text.
    Array byColumn(0, 1, 0, 1);
    byColumn.at(0, 0) = Variant("B");
    byColumn.at(1, 0) = Variant(std::int16_t{2});
    byColumn.at(0, 1) = Variant("A");
    byColumn.at(1, 1) = Variant(1.5);
    fields.setColumnArray(Variant(byColumn));
    EXPECT_EQ(fields.listCount(), 2);
    EXPECT_EQ(fields.list(0, 1), "2");
    EXPECT_EQ(fields.list(1, 0), "A");
    EXPECT_EQ(fields.list(1, 1), "1.5");

    const Variant rows = fields.listArray();
    ASSERT_TRUE(rows.isArray());
    EXPECT_EQ(rows.array().upperBound(1), 1);
    EXPECT_EQ(rows.array().upperBound(2), 1);
    EXPECT_EQ(rows.array().at(1, 0), Variant("A"));
    const Variant columns = fields.columnArray();
    EXPECT_EQ(columns.array().at(0, 1), Variant("A"));
    EXPECT_EQ(columns.array().at(1, 0), Variant("2"));

    // Reading back and assigning again gives the same list.
    fields.setListArray(rows);
    EXPECT_EQ(fields.listArray(), rows);
    fields.setColumnArray(columns);
    EXPECT_EQ(fields.listArray(), rows);

    // One-dimensional arrays: one row per element for List, one row of columns for Column.
    fields.setListArray(Variant(Array::fromList({"x", "y", "z"})));
    EXPECT_EQ(fields.listCount(), 3);
    fields.setColumnArray(Variant(Array::fromList({"n", "p", "q"})));
    EXPECT_EQ(fields.listCount(), 1);
    EXPECT_EQ(fields.list(0, 2), "q");
    EXPECT_EQ(fields.list(0, 7), "");

    fields.clear();
    EXPECT_TRUE(fields.listArray().isNull());
    EXPECT_EQ(errorNumberOf([&] { fields.setListArray(Variant("not an array")); }), 13);
    EXPECT_EQ(errorNumberOf([&] { fields.list(0); }), 381);
    EXPECT_TRUE(form.takeLog().empty());  // replacing rows with none selected fires nothing
}

TEST_F(ListTest, ListBoxSelectionFollowsItsModeAndRowChanges) {
    ListBox& fields = form.listBox("LstFields");  // extended selection
    fields.setListArray(Variant(fieldRows({{"A", "0"}, {"B", "1"}, {"C", "2"}, {"D", "3"}})));
    fields.setSelected(1, true);
    fields.setSelected(3, true);
    EXPECT_EQ(fields.selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(fields.listIndex(), -1);  // selecting rows does not move the current row
    fields.removeItem(1);
    EXPECT_EQ(fields.selectedRows(), (std::vector<int>{2}));
    fields.addItem("Z", 0);
    EXPECT_EQ(fields.selectedRows(), (std::vector<int>{3}));
    EXPECT_EQ(fields.list(3), "D");
    EXPECT_EQ(form.takeLog(), (Log{"LstFields.Change", "LstFields.Change", "LstFields.Change"}));

    // Replacing the rows drops the selection, which is a change.
    fields.setListArray(Variant(fieldRows({{"E", "4"}})));
    EXPECT_TRUE(fields.selectedRows().empty());
    EXPECT_EQ(form.takeLog(), Log{"LstFields.Change"});
    EXPECT_EQ(errorNumberOf([&] { fields.setSelected(1, true); }), 381);
    EXPECT_EQ(errorNumberOf([&] { fields.removeItem(1); }), 5);
    EXPECT_EQ(errorNumberOf([&] { fields.setListIndex(1); }), 380);

    // In single selection the selected row is the current row.
    Form single("frmSingle", "", 100, 100, {listBox("Lst").at(0, 0, 100, 100).items({"a", "b", "c"})});
    ListBox& list = single.listBox("Lst");
    Log log;
    list.onClick = [&] { log.push_back("Click"); };
    list.onChange = [&] { log.push_back("Change"); };
    list.setSelected(2, true);
    EXPECT_EQ(list.listIndex(), 2);
    EXPECT_EQ(list.text(), "c");
    list.setListIndex(0);
    EXPECT_EQ(list.selectedRows(), std::vector<int>{0});
    list.removeItem(0);
    EXPECT_EQ(list.listIndex(), -1);
    EXPECT_EQ(log, (Log{"Change", "Click", "Change", "Click", "Change"}));
    // Deselecting another row changes nothing; deselecting the current row leaves none current.
    list.setSelected(1, true);
    list.setSelected(0, false);
    EXPECT_EQ(list.listIndex(), 1);
    list.setSelected(1, false);
    EXPECT_EQ(list.listIndex(), -1);
    EXPECT_TRUE(list.selectedRows().empty());
    EXPECT_EQ(errorNumberOf([&] { list.setSelection({0, 1}); }), 5);
}

TEST_F(ListTest, ImageListKeepsKeysAndPositionsUnderInsertAndRemove) {
    ImageList& images = form.imageList("ImageList1");
    form.listView("LstViewFields").setIcons(nullptr);
    form.listView("LstViewFields").setSmallIcons(nullptr);
    EXPECT_EQ(images.imageWidth(), 16);
    EXPECT_EQ(images.imageHeight(), 16);

    images.add("dummy", picture("dummy"));
    images.add("key3", picture("three"));
    images.add("key7", picture("seven"));
    images.insert(2, "key5", picture("five"));  // shifts key3 and key7 up
    EXPECT_EQ(images.count(), 4);
    EXPECT_EQ(images.indexOfKey("key3"), 3);
    EXPECT_EQ(images.indexOfKey("key7"), 4);
    EXPECT_EQ(pictureName(images.item(2).picture), "five");
    EXPECT_EQ(images.indexOfKey("KEY3"), 0);  // keys are exact

    images.remove("key3");
    images.remove(1);
    EXPECT_EQ(images.count(), 2);
    EXPECT_EQ(images.item(1).key, "key5");
    EXPECT_EQ(images.indexOfKey("key7"), 2);

    EXPECT_EQ(errorNumberOf([&] { images.add("key5", nullptr); }), 35602);
    EXPECT_EQ(errorNumberOf([&] { images.item(3); }), 35600);
    EXPECT_EQ(errorNumberOf([&] { images.item("key9"); }), 35601);
    EXPECT_EQ(errorNumberOf([&] { images.remove("key9"); }), 35601);
    EXPECT_EQ(errorNumberOf([&] { images.insert(4, "k", nullptr); }), 35600);
    EXPECT_EQ(errorNumberOf([&] { images.setImageSize(32, 32); }), 35611);
    images.clear();
    images.setImageSize(32, 24);
    EXPECT_EQ(images.imageWidth(), 32);
}

TEST_F(ListTest, ABoundImageListMayOnlyGrowAtItsEnd) {
    ImageList& images = form.imageList("ImageList1");
    ListView& view = form.listView("LstViewFields");
    ASSERT_TRUE(images.isBound());  // bound at design time
    images.add("dummy", picture("dummy"));
    images.add("key1", picture("one"));
    EXPECT_EQ(errorNumberOf([&] { images.remove(2); }), 35617);
    EXPECT_EQ(errorNumberOf([&] { images.insert(1, "key0", nullptr); }), 35617);
    EXPECT_EQ(errorNumberOf([&] { images.clear(); }), 35617);

    view.setIcons(nullptr);
    EXPECT_TRUE(images.isBound());  // still the small icons
    view.setSmallIcons(nullptr);
    images.remove(2);
    view.setIcons(&images);
    view.setSmallIcons(&images);
    EXPECT_EQ(images.count(), 1);
}

TEST_F(ListTest, ListViewItemsKeepTheirSymbolsIconsAndSubItemsThroughMoves) {
    ImageList& images = form.imageList("ImageList1");
    ListView& view = form.listView("LstViewFields");
    images.add("dummy", picture("dummy"));
    // Three chart fields, each with its preview under "key" + position.
    for (const auto& [name, position] : {std::pair{"POP", "3"}, {"AREA", "10"}, {"FID", "0"}}) {
        ListItem& row = view.addItem();
        row.setSubItem(1, name);
        row.setSubItem(2, position);
        const std::string key = std::string("key") + position;
        images.add(key, picture(name));
        row.setIcon(Variant(key));
        row.setSmallIcon(Variant(key));
        row.setSubItem(5, key);
    }
    ASSERT_EQ(view.itemCount(), 3);
    auto invariantHolds = [&] {
        for (int k = 1; k <= view.itemCount(); ++k) {
            const ListItem& row = view.item(k);
            if (images.item(k + 1).key != row.subItem(5)) return false;
            if (pictureName(view.iconPicture(row)) != row.subItem(1)) return false;
            if (pictureName(view.smallIconPicture(row)) != row.subItem(1)) return false;
        }
        return true;
    };
    EXPECT_TRUE(invariantHolds());

    // Move row 3 up, as the order command does: remove both rows and images and insert them
    // again at their new places with the image list detached.
    const std::string text = view.item(3).text();
    std::vector<std::string> sub;
    for (int i = 1; i <= 5; ++i) sub.push_back(view.item(3).subItem(i));
    view.setIcons(nullptr);
    view.setSmallIcons(nullptr);
    view.removeItem(3);
    const ListImage moved = images.item(4);
    images.remove(4);
    images.insert(3, moved.key, moved.picture);
    view.setIcons(&images);
    view.setSmallIcons(&images);
    ListItem& again = view.addItem(2, "", text, Variant(sub[4]), Variant(sub[4]));
    for (int i = 1; i <= 5; ++i) again.setSubItem(i, sub[static_cast<std::size_t>(i - 1)]);
    EXPECT_EQ(view.item(2).subItem(1), "FID");
    EXPECT_EQ(view.item(3).subItem(1), "AREA");
    EXPECT_EQ(again.index(), 2);
    EXPECT_TRUE(invariantHolds());

    // Removing a row and its image by key keeps the rest in step.
    view.setIcons(nullptr);
    view.setSmallIcons(nullptr);
    view.removeItem(1);
    images.remove("key3");
    view.setIcons(&images);
    view.setSmallIcons(&images);
    EXPECT_TRUE(invariantHolds());
    EXPECT_EQ(view.itemCount(), 2);

    EXPECT_EQ(errorNumberOf([&] { view.item(1).setIcon(Variant("key99")); }), 35601);
    EXPECT_EQ(errorNumberOf([&] { view.item(1).setIcon(Variant(std::int16_t{9})); }), 35600);
    EXPECT_EQ(errorNumberOf([&] { view.item(1).setSubItem(6, "x"); }), 380);
    EXPECT_EQ(errorNumberOf([&] { view.item(3); }), 35600);
    EXPECT_EQ(errorNumberOf([&] { view.addItem(5); }), 35600);
    view.setIcons(nullptr);
    EXPECT_EQ(errorNumberOf([&] { view.item(1).setIcon(Variant("key10")); }), 35613);
    EXPECT_EQ(view.iconPicture(view.item(1)), nullptr);  // nothing to draw while detached
}

TEST_F(ListTest, ListViewFindsItemsAndColumnsByKeyAndSelectsAsDesigned) {
    ListView& view = form.listView("LstViewFields");
    view.addItem(0, "a", "first");
    view.addItem(0, "b", "second");
    view.addItem(1, "c", "third");
    EXPECT_EQ(view.item("a").index(), 2);
    EXPECT_EQ(view.findItem("zz"), nullptr);
    EXPECT_EQ(errorNumberOf([&] { view.addItem(0, "b"); }), 35602);
    EXPECT_EQ(errorNumberOf([&] { view.item("zz"); }), 35601);
    view.removeItem("c");
    EXPECT_EQ(view.item(1).key(), "a");

    // Multi selection keeps several selected; SelectedItem is the first of them.
    view.item(2).setSelected(true);
    view.item(1).setSelected(true);
    EXPECT_EQ(view.selectedItem(), &view.item(1));
    EXPECT_TRUE(view.item(2).selected());

    EXPECT_EQ(view.columnCount(), 6);
    EXPECT_EQ(view.column("SymbolID").index(), 6);
    view.column(3).setWidth(0);
    EXPECT_EQ(view.column(3).width(), 0);
    view.removeColumn(1);
    EXPECT_EQ(view.column("SymbolID").index(), 5);
    EXPECT_EQ(errorNumberOf([&] { view.column(6); }), 35600);
    EXPECT_EQ(errorNumberOf([&] { view.item(1).subItem(5); }), 380);  // only 5 columns now

    // Events come only from the user.
    EXPECT_TRUE(form.takeLog().empty());
}
