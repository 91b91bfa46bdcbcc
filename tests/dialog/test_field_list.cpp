// The chart field list: moving fields in and out, ordering, a field's symbol, random colours,
// headers and the context menu, the two-column sort; the label font and the feedback mail.
#include "dialog/DialogFixture.h"

#include <map>

#include "dialog/MailTo.h"
#include "runtime/Settings.h"

using namespace dialogtest;
using plotlet::frmPlotlet;

class FieldList : public DialogTest {
protected:
    frmPlotlet& openTowns() {
        map()->addLayer(makeTowns());
        return open();
    }
    // Which symbol object each charted field has, by name.
    std::map<std::string, host::SymbolPtr> symbolsByField() const {
        std::map<std::string, host::SymbolPtr> symbols;
        const frmPlotlet& d = dialog();
        for (int k = 1; k <= d.LstViewFields.itemCount(); ++k)
            symbols[d.LstViewFields.item(k).subItem(1)] = d.pFieldsSymbolArray->symbol(static_cast<std::size_t>(k - 1));
        return symbols;
    }
};

TEST_F(FieldList, MovedFieldsGetRandomFillsWithPreviewsUnderTheirKeys) {
    frmPlotlet& d = openTowns();
    chart({1, 3, 9});  // POP1990 (3), AREA (5), V12 (12)

    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "AREA", "V12"}));
    const ui::ListItem& third = d.LstViewFields.item(3);
    EXPECT_EQ(third.text(), "");
    EXPECT_EQ(third.subItem(2), "12");
    EXPECT_EQ(third.subItem(3), "");
    EXPECT_EQ(third.subItem(5), "key12");
    EXPECT_EQ(availableFields(), (std::vector<std::string>{"OBJECTID", "POP2000", "CODE", "V8", "V9", "V10", "V11"}));
    expectFieldListInvariants(d);

    // Solid random fills, never black, with a black outline of the outline width.
    for (std::size_t i = 0; i < 3; ++i) {
        auto fill = std::dynamic_pointer_cast<host::SimpleFillSymbol>(d.pFieldsSymbolArray->symbol(i));
        ASSERT_NE(fill, nullptr);
        EXPECT_EQ(fill->style(), host::SimpleFillStyle::Solid);
        EXPECT_NE(fill->color().rgb(), 0u);
        ASSERT_NE(fill->outline(), nullptr);
        EXPECT_EQ(fill->outline()->color().rgb(), 0u);
        EXPECT_DOUBLE_EQ(fill->outline()->width(), 0.5);
    }
    EXPECT_TRUE(shell.messages().empty());

    // A double click on an available field charts it (with whatever else is selected).
    ASSERT_TRUE(user().doubleClickListRow("LstFields", 1));
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "AREA", "V12", "POP2000"}));
    expectFieldListInvariants(d);
}

TEST_F(FieldList, MovingTheMiddleFieldBackKeepsTheOthersAndTheLayerOrder) {
    frmPlotlet& d = openTowns();
    chart({1, 2, 9});  // POP1990 (3), POP2000 (4), V12 (12)
    const auto before = symbolsByField();
    const runtime::ObjectPtr lastPicture = d.ImageList1.item(4).picture;

    selectChartRows({2});
    ASSERT_TRUE(user().click("CmdFieldsBack"));

    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "V12"}));
    EXPECT_EQ(symbolsByField().at("POP1990"), before.at("POP1990"));
    EXPECT_EQ(symbolsByField().at("V12"), before.at("V12"));
    EXPECT_EQ(d.ImageList1.item(3).picture, lastPicture);
    // Back in the layer's field order, numerically: position 4 before 8 and 12 after 11.
    EXPECT_EQ(availableFields(), (std::vector<std::string>{"OBJECTID", "POP2000", "AREA", "CODE", "V8", "V9", "V10", "V11"}));
    EXPECT_EQ(d.LstFields.list(1, 1), "4");
    expectFieldListInvariants(d);

    // Nothing selected: nothing happens.
    selectChartRows({});
    ASSERT_TRUE(user().click("CmdFieldsBack"));
    EXPECT_EQ(chartFields().size(), 2u);

    // All of them back.
    ASSERT_TRUE(user().click("CmdFieldsBackAll"));
    EXPECT_EQ(d.LstViewFields.itemCount(), 0);
    EXPECT_EQ(d.pFieldsSymbolArray->symbolCount(), 0u);
    EXPECT_EQ(d.ImageList1.count(), 1);
    EXPECT_EQ(availableFields(), TownsNumericFields);
    expectFieldListInvariants(d);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(FieldList, UpAndDownExchangeWholeRowsWithTheirSymbolsAndImages) {
    frmPlotlet& d = openTowns();
    chart({1, 2, 3, 4});  // POP1990, POP2000, AREA, CODE
    const auto symbols = symbolsByField();
    ui::Driver u = user();

    // Up on the first row and down on the last change nothing.
    ASSERT_TRUE(u.clickListViewItem("LstViewFields", 1));
    ASSERT_TRUE(u.click("CmdUpDown", 0));
    ASSERT_TRUE(u.clickListViewItem("LstViewFields", 4));
    ASSERT_TRUE(u.click("CmdUpDown", 1));
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "POP2000", "AREA", "CODE"}));

    // CODE up twice, POP1990 down once: the moved field stays selected and can move on.
    ASSERT_TRUE(u.click("CmdUpDown", 0));
    ASSERT_TRUE(u.click("CmdUpDown", 0));
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "CODE", "POP2000", "AREA"}));
    EXPECT_TRUE(d.LstViewFields.item(2).selected());
    EXPECT_EQ(d.LstViewFields.selectedItem()->subItem(1), "CODE");
    ASSERT_TRUE(u.clickListViewItem("LstViewFields", 1));
    ASSERT_TRUE(u.click("CmdUpDown", 1));
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"CODE", "POP1990", "POP2000", "AREA"}));
    EXPECT_EQ(symbolsByField(), symbols);
    expectFieldListInvariants(d);

    // Mixed with moves in and out and new colours, every row keeps its own field's things.
    selectChartRows({3});
    ASSERT_TRUE(u.click("CmdFieldsBack"));
    chart({0, 3});  // OBJECTID, V9
    ASSERT_TRUE(u.clickListViewItem("LstViewFields", 5));
    ASSERT_TRUE(u.click("CmdUpDown", 0));
    ASSERT_TRUE(u.click("CmdUpDown", 0));
    expectFieldListInvariants(d);
    ASSERT_TRUE(u.click("CmdRandomStyles"));
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"CODE", "POP1990", "V9", "AREA", "OBJECTID"}));
    expectFieldListInvariants(d);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(FieldList, RandomColoursRedrawEveryPreviewAndLeaveTheRows) {
    frmPlotlet& d = openTowns();
    ui::Driver u = user();
    ASSERT_TRUE(u.click("CmdRandomStyles"));  // empty list: only the placeholder stays
    EXPECT_EQ(d.ImageList1.count(), 1);
    EXPECT_EQ(d.pFieldsSymbolArray->symbolCount(), 0u);

    chart({1, 2, 3});
    const auto before = symbolsByField();
    ASSERT_TRUE(u.click("CmdRandomStyles"));
    const auto after = symbolsByField();
    for (const auto& [field, symbol] : after) EXPECT_NE(symbol, before.at(field)) << field;
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "POP2000", "AREA"}));
    expectFieldListInvariants(d);
}

TEST_F(FieldList, ADoubleClickedRowTakesTheSymbolChosenInTheSelector) {
    frmPlotlet& d = openTowns();
    chart({1, 2, 3});
    ui::Driver u = user();

    auto chosen = std::make_shared<host::SimpleFillSymbol>();
    chosen->setColor(host::RgbColor(0x00FF00));
    shell.shell->cancelSymbolSelector().chooseSymbol(chosen);

    // Cancelled: nothing changes.
    const host::SymbolPtr old = d.pFieldsSymbolArray->symbol(1);
    ASSERT_TRUE(u.doubleClickListViewItem("LstViewFields", 2));
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(1), old);

    ASSERT_TRUE(u.doubleClickListViewItem("LstViewFields", 2));
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(1), chosen);
    EXPECT_EQ(d.ImageList1.item(3).key, "key4");
    expectFieldListInvariants(d);
    auto selectors = [this] {
        int count = 0;
        for (const ui::ShellEvent& e : shell.shell->transcript()) count += e.kind == "symbol";
        return count;
    };
    EXPECT_EQ(selectors(), 2);

    // A row whose symbol went missing: "Symbol is nothing", in both languages.
    d.pFieldsSymbolArray->setSymbol(2, nullptr);
    ASSERT_TRUE(u.doubleClickListViewItem("LstViewFields", 3));
    ASSERT_TRUE(u.chooseComboText("CmbLanguage", "Русский"));
    ASSERT_TRUE(u.doubleClickListViewItem("LstViewFields", 3));
    ASSERT_EQ(plainBoxes().size(), 2u);
    for (const ui::ShellEvent& box : plainBoxes()) {
        EXPECT_EQ(box.text, "Symbol is nothing");
        EXPECT_EQ(box.buttons, ui::mb::OKOnly);
    }
    EXPECT_EQ(selectors(), 2);  // no selector for a missing symbol
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(FieldList, HeaderClicksHideTheProgramsColumnsAndTheRightButtonOpensTheMenu) {
    frmPlotlet& d = openTowns();
    chart({1});
    ui::Driver u = user();
    for (int column = 1; column <= 6; ++column) ASSERT_TRUE(u.clickColumnHeader("LstViewFields", column));
    std::vector<int> widths;
    for (int column = 1; column <= 6; ++column) widths.push_back(d.LstViewFields.column(column).width());
    EXPECT_EQ(widths[0], 56);
    EXPECT_GT(widths[1], 0);
    EXPECT_EQ(widths[2], 0);
    EXPECT_GT(widths[3], 0);
    EXPECT_EQ(widths[4], 0);
    EXPECT_EQ(widths[5], 0);

    ASSERT_TRUE(u.clickListViewItem("LstViewFields", 1));
    ASSERT_TRUE(u.rightClickListViewItem("LstViewFields", 1));
    ASSERT_TRUE(u.rightClickListView("LstViewFields"));
    std::vector<ui::ShellEvent> popups;
    for (const ui::ShellEvent& e : shell.shell->transcript())
        if (e.kind == "popup") popups.push_back(e);
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_NE(popups[0].detail.find("All Elements"), std::string::npos);
    EXPECT_NE(popups[0].detail.find("SelectedElements"), std::string::npos);
}

TEST(Array2Sort, SortsWholeRowsOnOneColumnKeepingEqualRowsInOrder) {
    auto rows = [](std::vector<std::pair<std::string, runtime::Variant>> cells) {
        std::vector<runtime::Variant> items;
        for (auto& [name, key] : cells) {
            items.emplace_back(name);
            items.push_back(key);
        }
        const long last = static_cast<long>(cells.size()) - 1;
        return runtime::Variant(runtime::Array::fromItems({0, 0}, {last, 1}, items));
    };
    auto column0 = [](const runtime::Variant& v) {
        std::string out;
        const runtime::Array& a = v.array();
        for (long r = a.lowerBound(1); r <= a.upperBound(1); ++r) out += a.at(r, 0).toString() + " ";
        return out;
    };
    const runtime::Variant numbers = rows({{"a", 10.0}, {"b", 2.0}, {"c", 7.0}});
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(numbers, 1, true)), "b c a ");
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(numbers, 1, false)), "a c b ");
    EXPECT_EQ(column0(numbers), "a b c ");  // the argument is left alone

    // Equal keys keep their order; texts compare as texts (so "10" before "2").
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(rows({{"x", 1.0}, {"y", 0.0}, {"z", 1.0}, {"w", 0.0}}), 1, true)), "y w x z ");
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(rows({{"a", "2"}, {"b", "10"}}), 1, true)), "b a ");
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(rows({{"c", 3.0}, {"a", 1.0}, {"b", 2.0}}), 0, true)), "a b c ");

    // Rows that cannot be compared stay; what is no array comes back as it is.
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(rows({{"a", runtime::Variant::null()}, {"b", 1.0}}), 1, false)), "a b ");
    EXPECT_EQ(column0(frmPlotlet::Array2Sort(numbers, 5, true)), "a b c ");
    EXPECT_EQ(frmPlotlet::Array2Sort(runtime::Variant("text"), 1, true), runtime::Variant("text"));
}

TEST_F(FieldList, TheFontDialogFillsTheFontBoxes) {
    frmPlotlet& d = openTowns();
    ui::Driver u = user();
    shell.shell->cancelFontDialog().chooseFont({"Times New Roman", 9.5, true, false});

    ASSERT_TRUE(u.click("CmdFont"));  // cancelled
    EXPECT_EQ(d.TxtFontName.text(), "Arial Narrow");
    EXPECT_EQ(d.TxtFontSize.text(), "6");
    ASSERT_TRUE(u.click("CmdFont"));
    EXPECT_EQ(d.TxtFontName.text(), "Times New Roman");
    EXPECT_EQ(d.TxtFontSize.text(), "9.5");

    std::vector<ui::ShellEvent> fonts;
    for (const ui::ShellEvent& e : shell.shell->transcript())
        if (e.kind == "font") fonts.push_back(e);
    ASSERT_EQ(fonts.size(), 2u);
    EXPECT_NE(fonts[0].text.find("Arial Narrow"), std::string::npos);

    // A size that is no number: the dialog does not open.
    ASSERT_TRUE(u.typeText("TxtFontSize", "big"));
    ASSERT_TRUE(u.click("CmdFont"));
    int after = 0;
    for (const ui::ShellEvent& e : shell.shell->transcript()) after += e.kind == "font";
    EXPECT_EQ(after, 2);
    EXPECT_EQ(d.TxtFontSize.text(), "big");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(FieldList, TheSuggestionMailCarriesTheBodyEncoded) {
    openTowns();
    ui::Driver u = user();
    ASSERT_TRUE(u.typeText("TxtMailBody", "Bars & labels?\r\ncc=me@x.org \"Привет\""));
    ASSERT_TRUE(u.click("CmdMailTo"));

    std::vector<ui::ShellEvent> urls;
    for (const ui::ShellEvent& e : shell.shell->transcript())
        if (e.kind == "url") urls.push_back(e);
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].text, std::string("mailto:") + std::string(frmPlotlet::FeedbackAddress) +
                                "?subject=Plotlet&body=Bars%20%26%20labels%3F%0D%0Acc%3Dme%40x.org%20%22"
                                "%D0%9F%D1%80%D0%B8%D0%B2%D0%B5%D1%82%22");
    EXPECT_TRUE(shell.messages().empty());

    // The shell could not open it: the same words in both languages.
    shell.shell->setOpenUrlResult(2);
    ASSERT_TRUE(u.click("CmdMailTo"));
    ASSERT_TRUE(u.chooseComboText("CmbLanguage", "Русский"));
    ASSERT_TRUE(u.click("CmdMailTo"));
    ASSERT_EQ(plainBoxes().size(), 2u);
    for (const ui::ShellEvent& box : plainBoxes()) EXPECT_EQ(box.text, "Auto method failed.");
}

TEST(MailTo, EncodesAllButTheUnreservedCharacters) {
    EXPECT_EQ(plotlet::PercentEncode("aZ09-._~"), "aZ09-._~");
    EXPECT_EQ(plotlet::PercentEncode(" /?#[]@!$&'()*+,;=%"), "%20%2F%3F%23%5B%5D%40%21%24%26%27%28%29%2A%2B%2C%3B%3D%25");
    EXPECT_EQ(plotlet::PercentEncode(std::string("\0\xff", 2)), "%00%FF");
    EXPECT_EQ(plotlet::MailToUrl("a@b.c", "S T", ""), "mailto:a@b.c?subject=S%20T&body=");
}
