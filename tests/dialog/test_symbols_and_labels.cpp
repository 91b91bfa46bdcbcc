// The chart field list's symbol menu and the removal of value labels from the charts selected
// on the map.
#include "dialog/DialogFixture.h"
#include "engine/ElementData.h"
#include "host/Renderer.h"

using dialogtest::DialogTest;
using runtime::Variant;

namespace {

class SymbolMenuTest : public DialogTest {
protected:
    void SetUp() override {
        map()->addLayer(dialogtest::makeTowns());
        open();
    }
    int selectorsOpened() const {
        int count = 0;
        for (const ui::ShellEvent& e : shell.shell->transcript()) count += e.kind == "symbol";
        return count;
    }
    // The right button over the list, and the menu's item (0 all, 1 selected).
    void menu(int item) {
        shell.shell->choosePopupItem(item);
        ASSERT_TRUE(user().rightClickListView("LstViewFields"));
    }
    static std::shared_ptr<host::SimpleFillSymbol> fill(std::uint32_t rgb) {
        auto s = std::make_shared<host::SimpleFillSymbol>();
        s->setColor(host::RgbColor(rgb));
        return s;
    }
};

}  // namespace

TEST_F(SymbolMenuTest, AllRowsShareTheOneChosenSymbol) {
    plotlet::frmPlotlet& d = dialog();
    chart({1, 2, 3});
    const auto chosen = fill(0x00FF00);
    shell.shell->chooseSymbol(chosen);
    menu(0);
    EXPECT_EQ(selectorsOpened(), 1);  // asked once, for the first row
    const auto& popup = shell.shell->transcript().front();
    EXPECT_EQ(popup.kind, "popup");
    EXPECT_NE(popup.detail.find("All Elements"), std::string::npos) << popup.detail;
    EXPECT_NE(popup.detail.find("SelectedElements"), std::string::npos) << popup.detail;
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(d.pFieldsSymbolArray->symbol(k), chosen);
    dialogtest::expectFieldListInvariants(d);

    // Selected rows only: the others keep the shared symbol.
    const auto other = fill(0x0000FF);
    selectChartRows({2});
    shell.shell->chooseSymbol(other);
    menu(1);
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(0), chosen);
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(1), other);
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(2), chosen);
    dialogtest::expectFieldListInvariants(d);

    // Cancelled: nothing changes.
    shell.shell->cancelSymbolSelector();
    menu(0);
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(1), other);
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(SymbolMenuTest, RowsWithoutKeyOrSelectionOpenNoSelector) {
    plotlet::frmPlotlet& d = dialog();
    menu(0);  // no rows at all
    chart({1, 2});
    selectChartRows({});
    menu(1);  // none selected
    for (int k = 1; k <= 2; ++k) d.LstViewFields.item(k).setSubItem(5, "");
    menu(0);  // no row with a key
    EXPECT_EQ(selectorsOpened(), 0);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(SymbolMenuTest, AMissingSymbolIsNamedInBothLanguages) {
    plotlet::frmPlotlet& d = dialog();
    chart({1, 2});
    d.pFieldsSymbolArray->setSymbol(0, nullptr);
    menu(0);
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    menu(0);
    EXPECT_EQ(selectorsOpened(), 0);
    ASSERT_EQ(plainBoxes().size(), 2u);
    for (const ui::ShellEvent& box : plainBoxes()) EXPECT_EQ(box.text, "Symbol is nothing");
    // The second row was not reached: it keeps its own symbol.
    EXPECT_NE(d.pFieldsSymbolArray->symbol(1), nullptr);
}

namespace {

class RemoveLabelsTest : public DialogTest {
protected:
    void SetUp() override {
        towns = dialogtest::makeTowns();
        auto renderer = std::make_shared<host::SimpleRenderer>();
        renderer->setSymbol(std::make_shared<host::SimpleMarkerSymbol>());
        towns->setRenderer(renderer);
        map()->addLayer(towns);
        map()->setMapScale(50000);
        open();
        // POP1990 and POP2000 with labels, cut at 50 so the 120 and 75 bars carry break marks.
        chart({1, 2});
        ui::Driver u = user();
        ASSERT_TRUE(u.pickTab("SSTab", 1));
        ASSERT_TRUE(u.typeText("TxtMaxValue", "50"));
        ASSERT_TRUE(u.pickTab("SSTab", 0));
        ASSERT_TRUE(u.click("CmdOK", 0));
        ASSERT_TRUE(errorBoxes().empty());
        for (const auto& e : chartLayer()->container().elements()) groups.push_back(std::dynamic_pointer_cast<host::GroupElement>(e));
        ASSERT_EQ(groups.size(), 4u);
    }
    host::GraphicsLayerPtr chartLayer() const { return map()->basicGraphicsLayer()->findLayerOrNull("Towns_charts"); }
    template <class T>
    static int count(const host::GroupElement& g) {
        int n = 0;
        for (const auto& m : g.elements()) n += dynamic_cast<const T*>(m.get()) != nullptr;
        return n;
    }
    bool removeLabels() {
        ui::Driver u = user();
        return u.pickTab("SSTab", 2) && u.click("CmdRemoveLabels");
    }
    static std::shared_ptr<host::TextElement> text(const std::string& s) {
        auto t = std::make_shared<host::TextElement>();
        t->setText(s);
        t->setGeometry(std::make_shared<host::Point>(0, 0));
        return t;
    }

    host::FeatureLayerPtr towns;
    std::vector<std::shared_ptr<host::GroupElement>> groups;
};

}  // namespace

TEST_F(RemoveLabelsTest, SelectedChartsLoseTheirLabelsAndKeepEverythingElse) {
    // Things that are not charts: a group drawn by hand, and a chart group whose marker lost its data.
    auto handGroup = std::make_shared<host::GroupElement>();
    handGroup->addElement(text("by hand"));
    handGroup->addElement(text("also"));
    auto single = text("single");
    map()->basicGraphicsLayer()->container().addElement(handGroup);
    map()->basicGraphicsLayer()->container().addElement(single);
    auto noData = std::make_shared<host::GroupElement>();
    auto bareMarker = std::make_shared<host::MarkerElement>();
    bareMarker->setGeometry(std::make_shared<host::Point>(1, 1));
    noData->addElement(bareMarker);
    noData->addElement(text("9"));
    chartLayer()->container().addElement(noData);

    const int labels0 = count<host::TextElement>(*groups[0]), marks0 = count<host::LineElement>(*groups[0]);
    const int labels1 = count<host::TextElement>(*groups[1]);
    ASSERT_GT(labels0, 0);
    ASSERT_GT(marks0 + count<host::LineElement>(*groups[1]), 0);
    for (const auto& e : std::vector<host::ElementPtr>{groups[0], groups[2], handGroup, single, noData}) map()->selectElement(e);
    const std::size_t refreshes = app->document()->activeView().partialRefreshCount();

    shell.shell->answerMessage(ui::mb::Yes);
    ASSERT_TRUE(removeLabels());
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "Do you want to remove chart labels?");
    EXPECT_EQ(shell.messages()[0].title, "remove labels");
    EXPECT_EQ(shell.messages()[0].buttons, ui::mb::YesNo);
    EXPECT_EQ(shell.messages()[0].icon, ui::mb::NoIcon);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(app->document()->activeView().partialRefreshCount() - refreshes, 5u);  // each selected element

    EXPECT_EQ(count<host::TextElement>(*groups[0]), 0);
    EXPECT_EQ(count<host::TextElement>(*groups[2]), 0);
    EXPECT_EQ(count<host::LineElement>(*groups[0]), marks0);  // break marks stay
    EXPECT_EQ(count<host::MarkerElement>(*groups[0]), 1);     // the chart with its data and leader
    auto marker = std::dynamic_pointer_cast<host::MarkerElement>(groups[0]->element(0));
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
    ASSERT_TRUE(symbol);
    EXPECT_TRUE(symbol->background());
    std::vector<std::string> names;
    std::vector<Variant> values;
    EXPECT_TRUE(plotlet::GetElementData(marker, names, values));
    EXPECT_EQ(count<host::TextElement>(*groups[1]), labels1);  // not selected
    EXPECT_EQ(handGroup->elementCount(), 2u);
    EXPECT_EQ(noData->elementCount(), 2u);
    EXPECT_TRUE(map()->basicGraphicsLayer()->container().contains(single.get()));
    // Still found by its name, as Recreate finds it.
    EXPECT_EQ(chartLayer()->container().findElementByName(marker->name()), groups[0]);

    // Again: nothing left to remove, nothing changes.
    shell.shell->answerMessage(ui::mb::Yes);
    ASSERT_TRUE(removeLabels());
    EXPECT_EQ(groups[0]->elementCount(), static_cast<std::size_t>(1 + marks0));

    // Recreate finds every chart again and draws it anew, labels included.
    chartLayer()->container().deleteElement(noData.get());
    ui::Driver u = user();
    ASSERT_TRUE(u.pickTab("SSTab", 0));
    ASSERT_TRUE(u.chooseOption("OpCreateDiagr", 1));
    ASSERT_TRUE(u.click("CmdOK", 0));
    EXPECT_TRUE(errorBoxes().empty());
    ASSERT_EQ(chartLayer()->container().elementCount(), 4u);
    for (const auto& e : chartLayer()->container().elements())
        EXPECT_GT(count<host::TextElement>(*std::dynamic_pointer_cast<host::GroupElement>(e)), 0);
}

TEST_F(RemoveLabelsTest, NothingSelectedOrNoAsksNothingAndChangesNothing) {
    const int labels = count<host::TextElement>(*groups[0]);
    ASSERT_TRUE(removeLabels());
    EXPECT_TRUE(shell.messages().empty());
    EXPECT_TRUE(dialog().isVisible());

    map()->selectElement(groups[0]);
    shell.shell->answerMessage(ui::mb::No);
    ASSERT_TRUE(removeLabels());
    EXPECT_EQ(count<host::TextElement>(*groups[0]), labels);
    EXPECT_TRUE(dialog().isVisible());

    // The question in Russian.
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    shell.shell->answerMessage(ui::mb::No);
    ASSERT_TRUE(removeLabels());
    ASSERT_EQ(shell.messages().size(), 2u);
    EXPECT_EQ(shell.messages()[1].text, "Удалить подписи значений в диаграммах?");
    EXPECT_EQ(shell.messages()[1].title, "Удаление подписей");
    EXPECT_EQ(count<host::TextElement>(*groups[0]), labels);
}
