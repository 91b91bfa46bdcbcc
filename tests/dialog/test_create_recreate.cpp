// Create and recreate through the dialog: the mode and placement choices, OK's checks and the
// arguments it hands the chart engine, seen in the charts it draws.
#include "dialog/DialogFixture.h"
#include "engine/ElementData.h"
#include "host/Renderer.h"

using dialogtest::DialogTest;
using runtime::Variant;

namespace {

class CreateTest : public DialogTest {
protected:
    void SetUp() override {
        towns = dialogtest::makeTowns();
        auto renderer = std::make_shared<host::SimpleRenderer>();
        renderer->setSymbol(std::make_shared<host::SimpleMarkerSymbol>());
        towns->setRenderer(renderer);
        map()->addLayer(towns);
        map()->setMapScale(50000);
        open();
    }
    host::GraphicsLayerPtr chartLayer() const { return map()->basicGraphicsLayer()->findLayerOrNull("Towns_charts"); }
    std::vector<std::shared_ptr<host::GroupElement>> charts() const {
        std::vector<std::shared_ptr<host::GroupElement>> out;
        if (auto l = chartLayer())
            for (const auto& e : l->container().elements()) out.push_back(std::dynamic_pointer_cast<host::GroupElement>(e));
        return out;
    }
    static std::shared_ptr<host::MarkerElement> marker(const std::shared_ptr<host::GroupElement>& g) {
        return std::dynamic_pointer_cast<host::MarkerElement>(g->element(0));
    }
    host::Envelope chartBox(const std::shared_ptr<host::GroupElement>& g) const {
        auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker(g)->symbol()->cloneSymbol());
        symbol->setBackground(nullptr);
        host::MarkerElement probe;
        probe.setGeometry(marker(g)->geometry());
        probe.setSymbol(symbol);
        return probe.queryBounds(app->document()->activeView().screenDisplay());
    }
    bool ok() { return user().click("CmdOK", 0); }

    host::FeatureLayerPtr towns;
};

}  // namespace

TEST_F(CreateTest, PlacementNamesAndTheFrameCaption) {
    plotlet::frmPlotlet& d = dialog();
    EXPECT_EQ(d.PlacementName(0), "Center");
    EXPECT_EQ(d.PlacementName(5), "Old placement");
    EXPECT_EQ(d.PlacementName(9), "SW cirkle");
    EXPECT_EQ(d.PlacementName(14), "");
    EXPECT_EQ(d.PlacementName(-1), "");
    ASSERT_TRUE(user().pickTab("SSTab", 1));
    ASSERT_TRUE(user().chooseOption("OpChartPosition", 13));
    EXPECT_EQ(d.FrameChartPosition.caption(), "Placement near marker - SE");
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    ASSERT_TRUE(user().chooseOption("OpChartPosition", 3));
    EXPECT_EQ(d.FrameChartPosition.caption(), "положение относительно маркера - СВ круг");
}

TEST_F(CreateTest, ModeSwitchGuardsTheOldPlacements) {
    plotlet::frmPlotlet& d = dialog();
    ui::Driver u = user();
    u.pickTab("SSTab", 1);
    EXPECT_FALSE(d.OpChartPosition()[5].enabled());
    EXPECT_FALSE(d.OpChartPosition()[14].enabled());
    EXPECT_FALSE(d.CmbOldChartLayer.enabled());
    ASSERT_TRUE(u.chooseOption("OpCreateDiagr", 1));
    EXPECT_TRUE(d.OpChartPosition()[5].enabled());
    EXPECT_TRUE(d.OpChartPosition()[14].enabled());
    EXPECT_TRUE(d.CmbOldChartLayer.enabled());
    ASSERT_TRUE(u.chooseOption("OpChartPosition", 14));
    ASSERT_TRUE(u.chooseOption("OpCreateDiagr", 0));
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "It is possible only Recreate charts on the old placement");
    EXPECT_EQ(plainBoxes()[0].icon, ui::mb::Exclamation);
    EXPECT_TRUE(d.OpChartPosition().itemAs<ui::OptionButton>(1).value());
    EXPECT_FALSE(d.OpChartPosition()[14].enabled());
    ASSERT_TRUE(u.chooseOption("OpCreateDiagr", 0));  // already New: no second message
    EXPECT_EQ(plainBoxes().size(), 1u);
}

TEST_F(CreateTest, OkChecksFieldsAndSelectionFirst) {
    ASSERT_TRUE(ok());
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "No selected fields for chart");
    EXPECT_FALSE(chartLayer());

    // "selected" chosen, then the map's selection cleared: OK draws every feature, no message.
    chart({1, 2});
    towns->selectionSet()->add(2);
    dialog().ChekSelectedOnLayer();
    ASSERT_TRUE(user().chooseOption("OpAllObjects", 1));
    towns->selectionSet()->clear();
    ASSERT_TRUE(ok());
    EXPECT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(charts().size(), 4u);
    EXPECT_TRUE(errorBoxes().empty());

    towns->selectionSet()->addList({2, 4});
    dialog().ChekSelectedOnLayer();
    ASSERT_TRUE(user().chooseOption("OpAllObjects", 1));
    ASSERT_TRUE(ok());
    EXPECT_EQ(charts().size(), 2u);
}

TEST_F(CreateTest, OkHandsOverTheFieldsInRowOrderWithTheirSymbols) {
    chart({2});     // POP2000
    chart({0});     // OBJECTID
    chart({0});     // POP1990 (now the first row)
    ASSERT_EQ(chartFields(), (std::vector<std::string>{"POP2000", "OBJECTID", "POP1990"}));
    ASSERT_TRUE(user().chooseComboText("CmbKey", "NAME"));
    ASSERT_TRUE(ok());
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 4u);
    std::vector<std::string> names;
    std::vector<Variant> values;
    ASSERT_TRUE(plotlet::GetElementData(marker(groups[1]), names, values));
    EXPECT_EQ(names, (std::vector<std::string>{"LayerName", "#Vmax#", "#Vmin#", "POP2000", "OBJECTID", "POP1990"}));
    EXPECT_EQ(marker(groups[1])->name(), "Town 1");
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker(groups[0])->symbol());
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(symbol->symbol(k), dialog().pFieldsSymbolArray->symbol(k));
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(CreateTest, RecreateAtTheOldPlaceAndOverOtherCharts) {
    chart({1, 2});
    ui::Driver u = user();
    u.pickTab("SSTab", 1);
    ASSERT_TRUE(u.chooseOption("OpChartPosition", 11));
    ASSERT_TRUE(ok());
    std::vector<host::Envelope> before;
    for (const auto& g : charts()) before.push_back(chartBox(g));

    // Placement 5 in Recreate: the code −1, the old place.
    ASSERT_TRUE(u.chooseOption("OpCreateDiagr", 1));
    ASSERT_TRUE(u.chooseOption("OpChartPosition", 5));
    ASSERT_TRUE(u.typeText("TxtMaxValue", "50"));
    ASSERT_TRUE(ok());
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 4u);
    for (std::size_t i = 0; i < groups.size(); ++i) EXPECT_NEAR(chartBox(groups[i]).xMin(), before[i].xMin(), 1e-9);

    // Placement 14: the code −2, over the charts of the chosen layer, here one that is gone.
    dialog().CmbOldChartLayer.addItem("Gone_charts");
    ASSERT_TRUE(u.chooseOption("OpChartPosition", 14));
    ASSERT_TRUE(u.chooseComboText("CmbOldChartLayer", "Gone_charts"));
    ASSERT_TRUE(ok());
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "Annotation layer not exist Gone_charts");
    EXPECT_EQ(plainBoxes()[0].title, "Refresh charts");
    EXPECT_TRUE(errorBoxes().empty());
}

// Two dialogs, the second opened in Russian: the engine tells each one's user in that dialog's
// language, whichever dialog set its language last.
TEST_F(CreateTest, TheEngineSpeaksTheLanguageOfTheDialogThatRunsIt) {
    plotlet::ClsPlotlet russianCommand;
    russianCommand.OnCreate(app);
    russianCommand.Language = "Русский";
    russianCommand.OnClick();
    ASSERT_NE(russianCommand.dialog(), nullptr);
    plotlet::frmPlotlet& russian = *russianCommand.dialog();
    ASSERT_NE(&russian, &dialog());
    ASSERT_EQ(russian.CmbLanguage.text(), "Русский");

    // Recreate over the charts of a graphics layer that is gone: the engine's own message.
    const auto overGoneCharts = [](plotlet::frmPlotlet& d) {
        ui::Driver u(d);
        u.pickTab("SSTab", 0);
        ASSERT_TRUE(u.selectListRows("LstFields", {1, 2}));
        ASSERT_TRUE(u.click("CmdFieldsTo"));
        u.pickTab("SSTab", 1);
        ASSERT_TRUE(u.chooseOption("OpCreateDiagr", 1));
        d.CmbOldChartLayer.addItem("Gone_charts");
        ASSERT_TRUE(u.chooseOption("OpChartPosition", 14));
        ASSERT_TRUE(u.chooseComboText("CmbOldChartLayer", "Gone_charts"));
        ASSERT_TRUE(u.click("CmdOK", 0));
    };
    overGoneCharts(russian);
    overGoneCharts(dialog());
    ASSERT_EQ(plainBoxes().size(), 2u);
    EXPECT_EQ(plainBoxes()[0].text, "Отсутствует графический слой Gone_charts");
    EXPECT_EQ(plainBoxes()[0].title, "Обновление диаграмм");
    EXPECT_EQ(plainBoxes()[1].text, "Annotation layer not exist Gone_charts");
    EXPECT_EQ(plainBoxes()[1].title, "Refresh charts");
    EXPECT_TRUE(errorBoxes().empty());
}
