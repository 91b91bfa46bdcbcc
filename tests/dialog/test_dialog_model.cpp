// The main dialog's model: start-up, the layer and key lists, the available fields, the
// selection option, the graphics layers offered for placement, hiding, refreshing, unloading.
#include "dialog/DialogFixture.h"

#include "command/PluginModule.h"

using namespace dialogtest;
using host::FieldType;
using host::GeometryType;

namespace {

std::vector<std::string> comboRows(const ui::ComboBox& combo) {
    std::vector<std::string> rows;
    for (int r = 0; r < combo.listCount(); ++r) rows.push_back(combo.list(r));
    return rows;
}

}  // namespace

class DialogModel : public DialogTest {};

TEST_F(DialogModel, StartUpOffersThePointLayersAndFillsTheFirstOnesLists) {
    auto group = std::make_shared<host::GroupLayer>();
    group->addLayer(makeLayer("Cities", GeometryType::Point, {{"POP", FieldType::Integer}}));
    group->addLayer(makeLayer("Roads", GeometryType::Polyline, {{"LEN", FieldType::Double}}));
    map()->addLayer(group);
    map()->addLayer(makeLayer("Wells", GeometryType::Multipoint, {{"DEPTH", FieldType::Double}}));
    map()->addLayer(makeTowns());
    map()->basicGraphicsLayer()->addLayer("Towns_charts", nullptr);
    map()->basicGraphicsLayer()->addLayer("Notes", nullptr);
    app->document()->setPath("/maps/nc/towns.pmx");

    plotlet::frmPlotlet& d = open();

    ASSERT_EQ(d.LayerColl.count(), 2u);
    EXPECT_EQ(comboRows(d.CmbLayers), (std::vector<std::string>{"Towns", "Cities"}));
    EXPECT_EQ(d.CmbLayers.text(), "Towns");
    // The key list holds every field but the shape, the identifier shown.
    EXPECT_EQ(comboRows(d.CmbKey), (std::vector<std::string>{"OBJECTID", "NAME", "POP1990", "POP2000", "AREA", "CODE",
                                                             "FOUNDED", "V8", "V9", "V10", "V11", "V12"}));
    EXPECT_EQ(d.CmbKey.text(), "OBJECTID");
    EXPECT_EQ(availableFields(), TownsNumericFields);
    EXPECT_EQ(d.LstFields.list(1, 1), "3");  // POP1990 is the fourth field of the layer
    EXPECT_EQ(d.LstFields.list(9, 1), "12");
    EXPECT_EQ(d.LstFields.selectedRows(), std::vector<int>{0});
    EXPECT_EQ(d.LstViewFields.itemCount(), 0);
    ASSERT_EQ(d.ImageList1.count(), 1);
    EXPECT_EQ(d.ImageList1.item(1).key, "dummy");
    ASSERT_NE(d.pFieldsSymbolArray, nullptr);
    EXPECT_EQ(d.pFieldsSymbolArray->symbolCount(), 0u);
    // The chart layer of the chosen layer is not offered for placing over old charts.
    EXPECT_EQ(comboRows(d.CmbOldChartLayer), std::vector<std::string>{"Notes"});
    EXPECT_EQ(d.CmbOldChartLayer.text(), "Notes");
    EXPECT_EQ(d.LayerGraphColl.count(), 2u);
    EXPECT_EQ(d.SSTab.tab(), 0);
    EXPECT_EQ(d.initDir, "/maps/nc");
    EXPECT_EQ(d.CmbLanguage.text(), "English");
    EXPECT_TRUE(d.OpAllObjects().itemAs<ui::OptionButton>(0).value());
    EXPECT_FALSE(d.OpAllObjects()[1].enabled());
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(DialogModel, AMapWithoutPointLayersStartsEmptyWithoutAnError) {
    map()->addLayer(makeLayer("Roads", GeometryType::Polyline, {{"LEN", FieldType::Double}}));
    map()->addLayer(makeLayer("Parcels", GeometryType::Polygon, {{"AREA", FieldType::Double}}));

    plotlet::frmPlotlet& d = open();

    EXPECT_EQ(d.CmbLayers.listCount(), 0);
    EXPECT_EQ(d.CmbKey.listCount(), 0);
    EXPECT_EQ(d.LstFields.listCount(), 0);
    EXPECT_EQ(d.CmbOldChartLayer.listCount(), 0);
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "45");  // the rest of the start-up still ran
    EXPECT_EQ(d.CmbLanguage.text(), "English");
    EXPECT_TRUE(shell.messages().empty());

    // The field commands find nothing to do.
    ui::Driver u = user();
    EXPECT_TRUE(u.click("CmdFieldsTo"));
    EXPECT_TRUE(u.click("CmdFieldsBackAll"));
    EXPECT_TRUE(u.click("CmdRefreshLayers"));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(DialogModel, ALayerWhoseOnlyNumberIsItsIdentifierCanChartIt) {
    map()->addLayer(makeLayer("Sites", GeometryType::Point, {{"NAME", FieldType::String}}));
    plotlet::frmPlotlet& d = open();

    EXPECT_EQ(availableFields(), std::vector<std::string>{"OBJECTID"});
    chart({0});
    EXPECT_EQ(chartFields(), std::vector<std::string>{"OBJECTID"});
    EXPECT_EQ(d.LstViewFields.item(1).subItem(5), "key0");
    EXPECT_EQ(d.LstFields.listCount(), 0);
    expectFieldListInvariants(d);
}

TEST_F(DialogModel, ChoosingAnotherLayerEmptiesTheChartListAndRefillsTheKeys) {
    map()->addLayer(makeLayer("Cities", GeometryType::Point, {{"POP", FieldType::Integer}, {"NAME", FieldType::String}}));
    map()->addLayer(makeTowns());
    plotlet::frmPlotlet& d = open();
    chart({1, 2, 3});
    ASSERT_EQ(d.LstViewFields.itemCount(), 3);

    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Cities"));

    EXPECT_EQ(d.LstViewFields.itemCount(), 0);
    EXPECT_EQ(d.pFieldsSymbolArray->symbolCount(), 0u);
    EXPECT_EQ(d.ImageList1.count(), 1);
    EXPECT_EQ(comboRows(d.CmbKey), (std::vector<std::string>{"OBJECTID", "POP", "NAME"}));
    EXPECT_EQ(availableFields(), (std::vector<std::string>{"OBJECTID", "POP"}));
    expectFieldListInvariants(d);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(DialogModel, TheSelectedOptionFollowsTheLayersSelection) {
    auto towns = makeTowns();
    for (std::int64_t oid : {1, 2, 3, 4}) towns->selectionSet()->add(oid);
    auto others = makeLayer("Cities", GeometryType::Point, {{"POP", FieldType::Integer}});
    map()->addLayer(others);
    map()->addLayer(towns);
    plotlet::frmPlotlet& d = open();
    ui::OptionButton& all = d.OpAllObjects().itemAs<ui::OptionButton>(0);
    ui::OptionButton& selected = d.OpAllObjects().itemAs<ui::OptionButton>(1);

    EXPECT_TRUE(selected.enabled());
    EXPECT_EQ(selected.caption(), "selected (4)");
    ASSERT_TRUE(user().chooseOption("OpAllObjects", 1));

    // One more feature selected in the map: seen when the option gets the focus.
    towns->selectionSet()->add(5);
    ASSERT_TRUE(user().focus("CmbKey"));
    ASSERT_TRUE(user().focus("OpAllObjects", 0));
    EXPECT_EQ(selected.caption(), "selected (5)");
    EXPECT_TRUE(selected.value());  // the user's choice is left alone

    // The selection cleared in the map: back to all features, "selected" disabled.
    towns->selectionSet()->clear();
    d.ChekSelectedOnLayer();
    EXPECT_TRUE(all.value());
    EXPECT_FALSE(selected.enabled());
    EXPECT_EQ(selected.caption(), "selected");

    // A layer chosen without a selection.
    towns->selectionSet()->add(1);
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Cities"));
    EXPECT_FALSE(selected.enabled());
    EXPECT_EQ(d.SelectedObjects(towns), 1);
}

TEST_F(DialogModel, TheChartLayerOfTheChosenLayerIsLeftOutWithoutRegardToCase) {
    map()->addLayer(makeTowns());
    map()->basicGraphicsLayer()->addLayer("towns_CHARTS", nullptr);
    map()->basicGraphicsLayer()->addLayer("Rivers_charts", nullptr);
    plotlet::frmPlotlet& d = open();

    EXPECT_EQ(comboRows(d.CmbOldChartLayer), std::vector<std::string>{"Rivers_charts"});
    d.PopulateGraphLayers("Rivers");
    EXPECT_EQ(comboRows(d.CmbOldChartLayer), std::vector<std::string>{"towns_CHARTS"});
    EXPECT_EQ(d.LayerGraphColl.count(), 2u);
}

TEST_F(DialogModel, RefreshingKeepsTheChosenLayerWhenItIsStillThere) {
    map()->addLayer(makeLayer("Cities", GeometryType::Point, {{"POP", FieldType::Integer}}));
    map()->addLayer(makeTowns());
    plotlet::frmPlotlet& d = open();
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Cities"));

    map()->addLayer(makeLayer("Wells", GeometryType::Point, {{"DEPTH", FieldType::Double}}));
    map()->basicGraphicsLayer()->addLayer("Sketch", nullptr);
    ASSERT_TRUE(user().click("CmdRefreshLayers"));
    EXPECT_EQ(comboRows(d.CmbLayers), (std::vector<std::string>{"Wells", "Towns", "Cities"}));
    EXPECT_EQ(d.CmbLayers.text(), "Cities");
    EXPECT_EQ(availableFields(), (std::vector<std::string>{"OBJECTID", "POP"}));
    EXPECT_EQ(comboRows(d.CmbOldChartLayer), std::vector<std::string>{"Sketch"});

    // The chosen layer gone from the map: the first layer is chosen.
    map()->deleteLayer(d.LayerColl.item(3).get());
    ASSERT_TRUE(user().click("CmdRefreshLayers"));
    EXPECT_EQ(d.CmbLayers.text(), "Wells");
    EXPECT_EQ(availableFields(), (std::vector<std::string>{"OBJECTID", "DEPTH"}));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(DialogModel, HideKeepsTheSettingsAndLetsGoOfTheHostsObjects) {
    map()->addLayer(makeTowns());
    plotlet::frmPlotlet& d = open();
    chart({1, 2});
    ASSERT_TRUE(user().typeText("TxtMaxValue", "16"));
    ASSERT_TRUE(user().click("CmdCancel"));

    EXPECT_FALSE(d.isVisible());
    EXPECT_TRUE(d.isLoaded());
    EXPECT_EQ(d.m_pApp, nullptr);
    EXPECT_EQ(d.pMxDoc, nullptr);
    EXPECT_EQ(d.pMap, nullptr);

    open();
    EXPECT_EQ(&dialog(), &d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.pMap, map());
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "POP2000"}));
    EXPECT_EQ(d.TxtMaxValue.text(), "16");
    expectFieldListInvariants(d);
}

TEST_F(DialogModel, ClosingUnloadsAndTheNextClickStartsAfresh) {
    map()->addLayer(makeTowns());
    plotlet::frmPlotlet& d = open();
    chart({1});
    ASSERT_TRUE(user().typeText("TxtMaxValue", "16"));
    std::weak_ptr<host::BarChartSymbol> symbols = d.pFieldsSymbolArray;

    ASSERT_TRUE(user().close());
    EXPECT_FALSE(d.isLoaded());
    EXPECT_TRUE(symbols.expired());
    EXPECT_EQ(d.m_pApp, nullptr);
    EXPECT_EQ(d.LayerColl.count(), 0u);

    open();
    EXPECT_EQ(d.LstViewFields.itemCount(), 0);
    EXPECT_EQ(d.TxtMaxValue.text(), "8");
    EXPECT_EQ(d.TxtChartMarkerSize.text(), "45");
    EXPECT_EQ(d.ImageList1.count(), 1);
    EXPECT_EQ(d.CmbLayers.text(), "Towns");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(DialogModel, EachCommandOwnsItsDialogAndUnloadsItWhenItGoes) {
    map()->addLayer(makeTowns());
    plotlet::frmPlotlet& d = open();
    EXPECT_EQ(command->dialog(), &d);
    EXPECT_EQ(ui::findForm("frmPlotlet"), &d);

    // A second command of the same module opens a dialog of its own.
    plotlet::ClsPlotlet other;
    other.OnCreate(app);
    other.OnClick();
    ASSERT_NE(other.dialog(), nullptr);
    EXPECT_NE(other.dialog(), &d);
    EXPECT_TRUE(d.isLoaded());

    command.reset();  // the command's terminate unloads and lets go of its dialog only
    EXPECT_TRUE(other.dialog()->isLoaded());
    EXPECT_EQ(ui::findForm("frmPlotlet"), other.dialog());
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(DialogModel, AFailingLayerChangeIsReportedUnderItsLabel) {
    auto broken = makeLayer("Broken", GeometryType::Point, {{"POP", FieldType::Integer}});
    map()->addLayer(makeTowns());
    map()->addLayer(broken);
    plotlet::frmPlotlet& d = open();
    ASSERT_EQ(d.CmbLayers.text(), "Broken");

    // The layer's data went away while the dialog was open.
    broken->setFeatureClass(nullptr);
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Towns"));
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Broken"));
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0].text.find("\tCmbLayers_Change Line : 2\r\n"), std::string::npos) << errorBoxes()[0].text;
    EXPECT_NE(errorBoxes()[0].text.find("Error Number \r\n\t91"), std::string::npos);
    // The dialog stays usable.
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Towns"));
    EXPECT_EQ(availableFields(), TownsNumericFields);
}
