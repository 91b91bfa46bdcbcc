#include "dialog/DialogFixture.h"

#include <algorithm>
#include <set>

#include "render/Picture.h"
#include "runtime/Date.h"

namespace dialogtest {

namespace {

// The colour in the middle of a preview picture.
std::uint32_t previewColor(const runtime::ObjectPtr& picture) {
    auto drawn = std::dynamic_pointer_cast<render::Picture>(picture);
    if (!drawn || !drawn->bitmap()) return 0xFFFFFFFFu;
    return drawn->bitmap()->pixel(drawn->width() / 2, drawn->height() / 2);
}

}  // namespace

host::FeatureLayerPtr makeLayer(const std::string& name, host::GeometryType type, std::vector<host::Field> fields) {
    auto featureClass = host::makeFeatureClass(name, type, std::move(fields));
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName(name);
    layer->setFeatureClass(featureClass);
    return layer;
}

host::FeatureLayerPtr makeTowns() {
    using host::FieldType;
    std::vector<host::Field> fields = {{"NAME", FieldType::String},   {"POP1990", FieldType::Integer},
                                       {"POP2000", FieldType::Double}, {"AREA", FieldType::Single},
                                       {"CODE", FieldType::SmallInteger}, {"FOUNDED", FieldType::Date}};
    for (int p = 8; p <= 12; ++p) fields.push_back({"V" + std::to_string(p), FieldType::Double});
    auto layer = makeLayer("Towns", host::GeometryType::Point, fields);
    const double pop1990[] = {120, 75, 10, 3};
    const double pop2000[] = {75.5, -2, 30, 8};
    for (int row = 0; row < 4; ++row) {
        std::vector<Variant> values = {Variant("Town " + std::to_string(row)), Variant(pop1990[row]), Variant(pop2000[row]),
                                       Variant(1.5f), Variant(std::int16_t(row)), Variant(runtime::Date::fromCivil(1800 + row, 1, 1))};
        for (int p = 8; p <= 12; ++p) values.emplace_back(double(p * row));
        layer->featureClass()->addFeature(std::make_shared<host::Point>(row, row), values);
    }
    return layer;
}

void DialogTest::TearDown() {
    command.reset();
    ui::Driver::setErrorReporter({});
}

plotlet::frmPlotlet& DialogTest::open() {
    if (!command) {
        command = std::make_unique<plotlet::ClsPlotlet>();
        command->OnCreate(app);
    }
    command->OnClick();
    return dialog();
}

std::vector<ui::ShellEvent> DialogTest::errorBoxes() const {
    std::vector<ui::ShellEvent> boxes;
    for (const ui::ShellEvent& e : shell.messages())
        if (e.title == "Unexpected Program Error") boxes.push_back(e);
    return boxes;
}

std::vector<ui::ShellEvent> DialogTest::plainBoxes() const {
    std::vector<ui::ShellEvent> boxes;
    for (const ui::ShellEvent& e : shell.messages())
        if (e.title != "Unexpected Program Error") boxes.push_back(e);
    return boxes;
}

void DialogTest::chart(const std::vector<int>& rows) {
    ui::Driver u = user();
    u.pickTab("SSTab", 0);
    ASSERT_TRUE(u.selectListRows("LstFields", rows));
    ASSERT_TRUE(u.click("CmdFieldsTo"));
}

void DialogTest::selectChartRows(const std::vector<int>& rows) {
    ui::ListView& list = dialog().LstViewFields;
    for (int k = 1; k <= list.itemCount(); ++k)
        list.item(k).setSelected(std::find(rows.begin(), rows.end(), k) != rows.end());
}

std::vector<std::string> DialogTest::chartFields() const {
    std::vector<std::string> names;
    const ui::ListView& list = dialog().LstViewFields;
    for (int k = 1; k <= list.itemCount(); ++k) names.push_back(list.item(k).subItem(1));
    return names;
}

std::vector<std::string> DialogTest::availableFields() const {
    std::vector<std::string> names;
    const ui::ListBox& list = dialog().LstFields;
    for (int r = 0; r < list.listCount(); ++r) names.push_back(list.list(r, 0));
    return names;
}

void expectFieldListInvariants(const plotlet::frmPlotlet& dialog) {
    const ui::ListView& list = dialog.LstViewFields;
    const ui::ImageList& images = dialog.ImageList1;
    ASSERT_NE(dialog.pFieldsSymbolArray, nullptr);
    ASSERT_EQ(dialog.pFieldsSymbolArray->symbolCount(), static_cast<std::size_t>(list.itemCount()));
    ASSERT_EQ(images.count(), list.itemCount() + 1);
    EXPECT_EQ(images.item(1).key, "dummy");
    EXPECT_EQ(list.icons(), &images);
    EXPECT_EQ(list.smallIcons(), &images);

    std::set<std::string> charted;
    for (int k = 1; k <= list.itemCount(); ++k) {
        SCOPED_TRACE("row " + std::to_string(k) + " " + list.item(k).subItem(1));
        const ui::ListItem& row = list.item(k);
        const std::string key = row.subItem(5);
        EXPECT_EQ(key, "key" + row.subItem(2));
        EXPECT_EQ(images.item(k + 1).key, key);
        EXPECT_EQ(row.icon(), Variant(key));
        EXPECT_EQ(row.smallIcon(), Variant(key));
        EXPECT_EQ(list.iconPicture(row), images.item(k + 1).picture);
        auto fill = std::dynamic_pointer_cast<host::FillSymbol>(dialog.pFieldsSymbolArray->symbol(static_cast<std::size_t>(k - 1)));
        ASSERT_NE(fill, nullptr);
        EXPECT_EQ(previewColor(images.item(k + 1).picture), fill->color().rgb());
        charted.insert(row.subItem(2));
    }
    EXPECT_EQ(charted.size(), static_cast<std::size_t>(list.itemCount()));
    for (int r = 0; r < dialog.LstFields.listCount(); ++r)
        EXPECT_EQ(charted.count(dialog.LstFields.list(r, 1)), 0u) << dialog.LstFields.list(r, 0) << " is in both lists";
}

}  // namespace dialogtest
