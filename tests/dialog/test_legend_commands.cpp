// The legend commands through the dialog, as a user works them: a chart's legend saved and
// loaded onto another layer's fields, the mapping's order and black fills for unpaired fields,
// the field list's invariants after every load, refused files, and identify.
#include <filesystem>

#include "dialog/DialogFixture.h"
#include "engine/ElementData.h"
#include "host/LayerFile.h"
#include "host/PropertySetFile.h"
#include "host/Renderer.h"
#include "support/TempFolder.h"

using dialogtest::DialogTest;
using runtime::Variant;

namespace {

class LegendCommandTest : public DialogTest {
protected:
    void SetUp() override {
        for (const char* name : {"Towns", "Villages"}) {
            auto layer = dialogtest::makeTowns();
            layer->setName(name);
            auto renderer = std::make_shared<host::SimpleRenderer>();
            renderer->setSymbol(std::make_shared<host::SimpleMarkerSymbol>());
            layer->setRenderer(renderer);
            map()->addLayer(layer);
        }
        map()->setMapScale(50000);
        open();
        user().chooseComboText("CmbLayers", "Towns");
    }
    std::vector<host::ElementPtr> charts(const std::string& layer = "Towns") const {
        auto l = map()->basicGraphicsLayer()->findLayerOrNull(layer + "_charts");
        std::vector<host::ElementPtr> out;
        if (l) out.assign(l->container().elements().begin(), l->container().elements().end());
        return out;
    }
    // Charts POP1990 and POP2000 of Towns, keyed by NAME.
    void drawTownCharts() {
        chart({1});
        chart({1});
        ASSERT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "POP2000"}));
        ASSERT_TRUE(user().chooseComboText("CmbKey", "NAME"));
        ASSERT_TRUE(user().click("CmdOK", 0));
        ASSERT_EQ(charts().size(), 4u);
    }
    void chartFieldsByName(const std::vector<std::string>& fields) {
        for (const std::string& f : fields) {
            const auto available = availableFields();
            const auto it = std::find(available.begin(), available.end(), f);
            ASSERT_NE(it, available.end()) << f;
            chart({static_cast<int>(it - available.begin())});
        }
    }
    bool clickTool(const char* name) {
        user().pickTab("SSTab", 2);
        return user().click(name);
    }
    std::uint32_t rowColour(int k) const {
        return std::dynamic_pointer_cast<host::FillSymbol>(dialog().pFieldsSymbolArray->symbol(static_cast<std::size_t>(k - 1)))
            ->color()
            .rgb();
    }
    std::string subItem(int k, int s) const { return dialog().LstViewFields.item(k).subItem(s); }
    std::string file(const std::string& name) const { return (folder / name).string(); }

    testing_support::TempFolder folder;
};

}  // namespace

TEST_F(LegendCommandTest, ALegendSavedFromAChartColoursAnotherLayersFieldsInItsOrder) {
    drawTownCharts();
    const std::uint32_t pop1990 = rowColour(1), pop2000 = rowColour(2);
    map()->selectElement(charts()[0]);
    shell.shell->chooseFile(file("towns.leg"));
    ASSERT_TRUE(clickTool("CmdSaveLegend"));
    ASSERT_EQ(plainBoxes().size(), 1u) << shell.shell->transcriptText();
    EXPECT_EQ(plainBoxes()[0].text, "Сохранено в файл " + file("towns.leg"));
    EXPECT_EQ(dialog().TxtLegendFile.text(), file("towns.leg"));
    EXPECT_TRUE(dialog().isVisible());
    const auto save = std::find_if(shell.shell->transcript().begin(), shell.shell->transcript().end(),
                                   [](const ui::ShellEvent& e) { return e.kind == "save"; });
    ASSERT_NE(save, shell.shell->transcript().end());
    EXPECT_EQ(save->text, "Towns_Legend.leg");
    EXPECT_EQ(save->title, "Save legend ");

    // Another layer: POP2000, AREA, POP1990 in that order; AREA has no legend field.
    ASSERT_TRUE(user().pickTab("SSTab", 0));
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Villages"));
    chartFieldsByName({"POP2000", "AREA", "POP1990"});
    shell.shell->clearTranscript();
    shell.shell->chooseFile(file("towns.leg"));
    ASSERT_TRUE(clickTool("CmdLoadLegend"));
    EXPECT_TRUE(errorBoxes().empty()) << shell.shell->transcriptText();
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "POP2000", "AREA"}));
    EXPECT_EQ(rowColour(1), pop1990);
    EXPECT_EQ(rowColour(2), pop2000);
    EXPECT_EQ(rowColour(3), 0u);  // unpaired: black
    EXPECT_EQ(subItem(1, 3), "POP1990");
    EXPECT_EQ(subItem(1, 4), "0");
    EXPECT_EQ(subItem(3, 3), "");
    EXPECT_EQ(subItem(3, 4), "1001");  // 1000 + AREA's former row index
    dialogtest::expectFieldListInvariants(dialog());
    // The mapping dialog came up (AREA unpaired) and was confirmed as proposed.
    EXPECT_EQ(std::count_if(shell.shell->transcript().begin(), shell.shell->transcript().end(),
                            [](const ui::ShellEvent& e) { return e.kind == "modal"; }),
              1);

    // The charts drawn from it have the legend's colours and outlines.
    ASSERT_TRUE(user().chooseComboText("CmbKey", "NAME"));
    ASSERT_TRUE(user().click("CmdOK", 0));
    auto group = std::dynamic_pointer_cast<host::GroupElement>(charts("Villages").at(0));
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(std::dynamic_pointer_cast<host::MarkerElement>(group->element(0))->symbol());
    auto towns = std::dynamic_pointer_cast<host::BarChartSymbol>(
        std::dynamic_pointer_cast<host::MarkerElement>(std::dynamic_pointer_cast<host::GroupElement>(charts()[0])->element(0))->symbol());
    for (std::size_t i = 0; i < 2; ++i) {
        auto a = std::dynamic_pointer_cast<host::FillSymbol>(symbol->symbol(i));
        auto b = std::dynamic_pointer_cast<host::FillSymbol>(towns->symbol(i));
        EXPECT_EQ(a->color(), b->color());
        EXPECT_EQ(a->outline()->color(), b->outline()->color());
        EXPECT_EQ(a->outline()->width(), b->outline()->width());
    }
}

TEST_F(LegendCommandTest, ALegendWithoutMatchingFieldsKeepsTheOrderAndGivesBlack) {
    drawTownCharts();
    map()->selectElement(charts()[1]);
    shell.shell->chooseFile(file("towns.leg"));
    ASSERT_TRUE(clickTool("CmdSaveLegend"));
    ASSERT_TRUE(user().pickTab("SSTab", 0));
    ASSERT_TRUE(user().click("CmdFieldsBackAll"));
    chartFieldsByName({"V9", "AREA", "V8"});
    shell.shell->chooseFile(file("towns.leg"));
    ASSERT_TRUE(clickTool("CmdLoadLegend"));
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"V9", "AREA", "V8"}));
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(rowColour(k), 0u);
        EXPECT_EQ(subItem(k, 4), std::to_string(1000 + k - 1));
    }
    dialogtest::expectFieldListInvariants(dialog());
}

TEST_F(LegendCommandTest, RefusedLegendsAreReportedAndChangeNothing) {
    chartFieldsByName({"POP1990", "POP2000"});
    const auto symbols = dialog().pFieldsSymbolArray->symbols();
    auto bad = std::make_shared<host::PropertySet>();
    bad->setProperty("SymbolCount", Variant(std::int32_t{5}));
    bad->setProperty("Field0", Variant("POP1990"));
    auto legend = std::make_shared<host::PropertySet>();
    legend->setProperty("SymbolsPropertis", Variant(runtime::ObjectPtr(bad)));
    host::writePropertySetFile(*legend, file("bad.leg"));
    folder.write("empty.leg", "");

    for (const char* name : {"bad.leg", "empty.leg"}) {
        shell.shell->clearTranscript();
        shell.shell->chooseFile(file(name));
        ASSERT_TRUE(clickTool("CmdLoadLegend"));
        ASSERT_FALSE(errorBoxes().empty()) << name;
        EXPECT_NE(errorBoxes().back().text.find(file(name)), std::string::npos) << errorBoxes().back().text;
        EXPECT_NE(errorBoxes().back().text.find("CmdLoadLegend_Click"), std::string::npos);
        EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "POP2000"}));
        EXPECT_EQ(dialog().pFieldsSymbolArray->symbols(), symbols);
        dialogtest::expectFieldListInvariants(dialog());
    }

    // A layer file that draws no charts says so, and the fields keep their fills.
    host::writeLayerFile(file("plain.lyr"), map()->findFeatureLayer("Towns"));
    shell.shell->clearTranscript();
    shell.shell->chooseFile(file("plain.lyr"));
    ASSERT_TRUE(clickTool("CmdLoadLegend"));
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "Это не слой диаграмм");
    EXPECT_TRUE(errorBoxes().empty());
    EXPECT_EQ(dialog().pFieldsSymbolArray->symbols(), symbols);
    dialogtest::expectFieldListInvariants(dialog());

    // A file that is not there: the dialog's own message, in its language.
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    shell.shell->clearTranscript();
    shell.shell->chooseFile(file("gone.leg"));
    ASSERT_TRUE(clickTool("CmdLoadLegend"));
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "Файла " + file("gone.leg") + " не существует!");
    EXPECT_EQ(dialog().TxtLegendFile.text(), file("gone.leg"));
}

TEST_F(LegendCommandTest, SaveNeedsExactlyOneChart) {
    drawTownCharts();
    map()->selectElement(charts()[0]);
    map()->selectElement(charts()[1]);
    ASSERT_TRUE(clickTool("CmdSaveLegend"));
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "Select ONLY ONE chart on the map");
    EXPECT_EQ(plainBoxes()[0].title, "Save legend ");

    // Nothing selected: the no-data box and the failure, no file.
    map()->unselectAllElements();
    shell.shell->clearTranscript();
    shell.shell->chooseFile(file("none.leg"));
    ASSERT_TRUE(clickTool("CmdSaveLegend"));
    ASSERT_EQ(plainBoxes().size(), 2u) << shell.shell->transcriptText();
    EXPECT_EQ(plainBoxes()[0].text, "Нет прикрепленных данных");
    EXPECT_EQ(plainBoxes()[0].title, "инфо# 1");
    EXPECT_FALSE(std::filesystem::exists(file("none.leg")));
    EXPECT_TRUE(dialog().isVisible());

    // A cancelled save dialog does nothing.
    map()->selectElement(charts()[0]);
    shell.shell->clearTranscript();
    shell.shell->cancelFileDialog();
    ASSERT_TRUE(clickTool("CmdSaveLegend"));
    EXPECT_TRUE(plainBoxes().empty());
}

TEST_F(LegendCommandTest, TickingLoadLegendAsksForAFileOnlyWhenNoneIsNamed) {
    shell.shell->chooseFile(file("a.lyr"));
    user().pickTab("SSTab", 2);
    ASSERT_TRUE(user().setChecked("ChkLoadLegend", true));
    EXPECT_EQ(dialog().TxtLegendFile.text(), file("a.lyr"));
    EXPECT_EQ(dialog().initDir, folder.path().string() + "/");
    const auto open = std::find_if(shell.shell->transcript().begin(), shell.shell->transcript().end(),
                                   [](const ui::ShellEvent& e) { return e.kind == "open"; });
    ASSERT_NE(open, shell.shell->transcript().end());
    EXPECT_EQ(open->text, "Towns.lyr");
    EXPECT_EQ(open->title, "Open legend file");
    ASSERT_TRUE(user().setChecked("ChkLoadLegend", false));
    ASSERT_TRUE(user().setChecked("ChkLoadLegend", true));
    EXPECT_EQ(std::count_if(shell.shell->transcript().begin(), shell.shell->transcript().end(),
                            [](const ui::ShellEvent& e) { return e.kind == "open"; }),
              1);
}

TEST_F(LegendCommandTest, IdentifyShowsEachSelectedChartsData) {
    drawTownCharts();
    auto text = std::make_shared<host::TextElement>();
    text->setGeometry(std::make_shared<host::Point>(0, 0));
    map()->basicGraphicsLayer()->container().addElement(text);
    map()->selectElement(charts()[0]);
    map()->selectElement(text);
    map()->selectElement(charts()[2]);
    ASSERT_TRUE(clickTool("CmdIdentityGraphics"));
    const auto boxes = plainBoxes();
    ASSERT_EQ(boxes.size(), 3u) << shell.shell->transcriptText();
    EXPECT_EQ(boxes[0].buttons, ui::mb::RetryCancel);
    EXPECT_EQ(boxes[0].title, "info# 1 Key= " + std::dynamic_pointer_cast<host::GroupElement>(charts()[0])->element(0)->name());
    EXPECT_EQ(boxes[0].text.substr(0, 20), "LayerName = Towns\r\n#");
    EXPECT_NE(boxes[0].text.find("POP1990 = 120\r\n"), std::string::npos);
    EXPECT_EQ(boxes[1].text, "no attached data");
    EXPECT_EQ(boxes[1].title, "info# 2");
    EXPECT_EQ(boxes[2].buttons, ui::mb::OKOnly);
    EXPECT_TRUE(dialog().isVisible());

    // Cancel on the first box stops the walk.
    shell.shell->clearTranscript();
    shell.shell->answerMessage(ui::mb::Cancel);
    ASSERT_TRUE(clickTool("CmdIdentityGraphics"));
    EXPECT_EQ(plainBoxes().size(), 1u);
}
