// The legend-field mapping: automatic pairs by simplified name, pairs by hand in the dialog,
// and the mapping the legend load receives.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/LegendMapping.h"
#include "fieldtools/FrmRelaFields.h"
#include "i18n/TranslatePlotlet.h"
#include "support/ShellScopes.h"
#include "ui/Driver.h"
#include "ui/LayoutCheck.h"

using namespace plotlet;

namespace {

std::vector<std::string> names(const ui::ListBox& list) {
    std::vector<std::string> out;
    for (int r = 0; r < list.listCount(); ++r) out.push_back(list.list(r, 0));
    return out;
}

int rowOf(const ui::ListBox& list, const std::string& name) {
    for (int r = 0; r < list.listCount(); ++r)
        if (list.list(r, 0) == name) return r;
    return -1;
}

const LegendFieldList Legend = {{"Cities.Pop1990", 0}, {"Pop2000", 1}, {"Pop1990_x", 2}};
const LegendFieldList Chart = {{"POP2000", 0}, {"AREA", 1}, {"POP1990", 2}};

class RelaFieldsTest : public ::testing::Test {
protected:
    testing_support::HeadlessScope shell;
};

}  // namespace

TEST_F(RelaFieldsTest, SimpleNameDropsEverythingUpToTheFirstDot) {
    EXPECT_EQ(FrmRelaFields::SimpleName("Cities.POP1990"), "POP1990");
    EXPECT_EQ(FrmRelaFields::SimpleName("a.b.c"), "b.c");
    EXPECT_EQ(FrmRelaFields::SimpleName("POP"), "POP");
    EXPECT_EQ(FrmRelaFields::SimpleName(".x"), "x");
}

TEST_F(RelaFieldsTest, AutoMappingPairsBySimplifiedNameInLegendOrder) {
    FrmRelaFields form;
    form.PopulateArrays(Chart, Legend);
    EXPECT_EQ(form.AutoMapping(false), 1);  // two pairs
    ASSERT_EQ(form.pairs().size(), 2u);
    EXPECT_EQ(form.pairs()[0], (FieldPair{"POP1990<->Cities.Pop1990", 2, 0}));
    EXPECT_EQ(form.pairs()[1], (FieldPair{"POP2000<->Pop2000", 0, 1}));
    EXPECT_EQ(names(form.LstFields), (std::vector<std::string>{"AREA"}));
    EXPECT_EQ(form.LstFieldsOld.listCount(), 3);  // legend fields stay for further pairs
    EXPECT_EQ(form.LstFieldsRel.listCount(), 2);

    FrmRelaFields chartOrder;
    chartOrder.PopulateArrays(Chart, Legend);
    chartOrder.AutoMapping(true);
    EXPECT_EQ(chartOrder.pairs()[0].text, "POP2000<->Pop2000");

    // Nothing matches: -1 and no pairs.
    FrmRelaFields none;
    none.PopulateArrays({{"AREA", 0}}, Legend);
    EXPECT_EQ(none.AutoMapping(false), -1);
    EXPECT_TRUE(none.pairs().empty());
}

TEST_F(RelaFieldsTest, OneChartFieldMayPairWithSeveralLegendFieldsTheMappingTakesTheFirst) {
    const LegendFieldList legend = {{"A.POP", 0}, {"B.POP", 1}};
    FrmRelaFields form;
    form.PopulateArrays({{"POP", 0}}, legend);
    EXPECT_EQ(form.AutoMapping(false), 1);
    EXPECT_TRUE(form.LstFields.listCount() == 0);
    const FieldMappingList mapping = MapLegendFields({{"POP", 0}}, legend, true, false, "English");
    ASSERT_EQ(mapping.size(), 1u);
    EXPECT_EQ(mapping[0], (FieldMapping{"POP", 0, "A.POP", 0}));
}

TEST_F(RelaFieldsTest, PairingByHandUndoingAndRemovingAll) {
    FrmRelaFields form;
    std::vector<std::string> shownWith;
    LegendFieldList chart;
    for (int i = 0; i < 12; ++i) chart.push_back({"F" + std::to_string(i), static_cast<std::int16_t>(i)});
    form.PopulateArrays(chart, Legend);
    form.show();
    ui::Driver user(form);
    // Nothing selected: the buttons do nothing.
    ASSERT_TRUE(user.click("CmdFieldRelationON"));
    ASSERT_TRUE(user.click("CmdFieldRelationOFF"));
    EXPECT_TRUE(form.pairs().empty());

    ASSERT_TRUE(user.clickListRow("LstFields", rowOf(form.LstFields, "F2")));
    ASSERT_TRUE(user.clickListRow("LstFieldsOld", 1));
    ASSERT_TRUE(user.click("CmdFieldRelationON"));
    ASSERT_TRUE(user.clickListRow("LstFields", rowOf(form.LstFields, "F10")));
    ASSERT_TRUE(user.clickListRow("LstFieldsOld", 1));
    ASSERT_TRUE(user.click("CmdFieldRelationON"));
    EXPECT_EQ(form.LstFields.listCount(), 10);
    EXPECT_EQ(form.LstFieldsOld.listCount(), 3);
    ASSERT_EQ(form.pairs().size(), 2u);
    EXPECT_EQ(form.pairs()[1], (FieldPair{"F10<->Pop2000", 10, 1}));

    // Undone pairs return in the order of their index as text: "10" before "2".
    ASSERT_TRUE(user.clickListRow("LstFieldsRel", 0));
    ASSERT_TRUE(user.click("CmdFieldRelationOFF"));
    ASSERT_TRUE(user.clickListRow("LstFieldsRel", 0));
    ASSERT_TRUE(user.click("CmdFieldRelationOFF"));
    EXPECT_TRUE(form.pairs().empty());
    EXPECT_EQ(names(form.LstFields), (std::vector<std::string>{"F0", "F1", "F10", "F11", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9"}));

    ASSERT_TRUE(user.click("CmdAuto"));
    ASSERT_TRUE(user.click("CmdFieldsOffAll"));
    EXPECT_EQ(form.LstFields.listCount(), 12);
    EXPECT_EQ(form.LstFieldsRel.listCount(), 0);
    std::vector<FieldPair> kept{{"x", 1, 1}};
    form.GetMappingArray(kept);
    EXPECT_EQ(kept.size(), 1u);  // no pairs: the array is left as it was
}

TEST_F(RelaFieldsTest, ASortRefusesAColumnOutsideTheArray) {
    runtime::Variant arr(runtime::Array(0, 1, 0, 2));
    arr.array().at(1, 0) = runtime::Variant("b");
    arr.array().at(1, 1) = runtime::Variant("A");
    arr.array().at(1, 2) = runtime::Variant("c");
    arr.array().at(0, 0) = runtime::Variant("row b");
    EXPECT_TRUE(FrmRelaFields::aSort(arr, 1, true));
    EXPECT_EQ(arr.array().at(1, 0).toString(), "A");
    EXPECT_EQ(arr.array().at(0, 1).toString(), "row b");
    EXPECT_FALSE(FrmRelaFields::aSort(arr, 2, true));
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "Номер колонки ( 2 ) < 0 или >1");
    EXPECT_EQ(shell.messages()[0].title, "aSort");
}

TEST_F(RelaFieldsTest, MapLegendFieldsShowsTheDialogUnlessAutomaticPairingIsComplete) {
    int shown = 0;
    auto modals = [&] {
        const auto& t = shell.shell->transcript();
        return std::count_if(t.begin(), t.end(), [](const ui::ShellEvent& e) { return e.kind == "modal"; });
    };
    // Every chart field paired and the shortcut on: no dialog.
    FieldMappingList mapping = MapLegendFields({{"POP2000", 0}, {"POP1990", 1}}, Legend, true, false, "English");
    EXPECT_EQ(modals(), 0);
    EXPECT_EQ(mapping[0], (FieldMapping{"POP2000", 0, "Pop2000", 1}));
    EXPECT_EQ(mapping[1], (FieldMapping{"POP1990", 1, "Cities.Pop1990", 0}));

    // One field unpaired: the dialog; the user pairs AREA with Pop1990_x by hand.
    shell.shell->onModal("FrmRelaFields", [&](ui::Form& f) {
        ++shown;
        auto& form = dynamic_cast<FrmRelaFields&>(f);
        EXPECT_EQ(form.caption(), "Select fields");
        ui::Driver user(f);
        user.clickListRow("LstFields", rowOf(form.LstFields, "AREA"));
        user.clickListRow("LstFieldsOld", 2);
        user.click("CmdFieldRelationON");
        user.click("CmdOK");
    });
    mapping = MapLegendFields(Chart, Legend, true, false, "English");
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(modals(), 1);
    EXPECT_EQ(mapping, (FieldMappingList{{"POP2000", 0, "Pop2000", 1}, {"AREA", 1, "Pop1990_x", 2}, {"POP1990", 2, "Cities.Pop1990", 0}}));

    // Confirmed without pairs: every field unmapped, 1000 + its row.
    shell.shell->onModal("FrmRelaFields", [](ui::Form& f) {
        ui::Driver(f).click("CmdFieldsOffAll");
        ui::Driver(f).click("CmdOK");
    });
    mapping = MapLegendFields(Chart, Legend, false, false, "English");
    EXPECT_EQ(mapping, (FieldMappingList{{"POP2000", 0, "", 1000}, {"AREA", 1, "", 1001}, {"POP1990", 2, "", 1002}}));
}

TEST_F(RelaFieldsTest, TextsInBothLanguages) {
    FrmRelaFields form;
    TranslatePlotlet::TranslateRelaFields(form, "Русский");
    EXPECT_EQ(form.caption(), "Выбор полей");
    EXPECT_EQ(form.LblFields2.caption(), "Сохраненные поля легенды");
    EXPECT_EQ(form.CmdAuto.toolTipText(), "Автоматическое установление соответствия");
    TranslatePlotlet::TranslateRelaFields(form, "English");
    EXPECT_EQ(form.Label3.caption(), "Relation");
    EXPECT_TRUE(ui::checkLayout(form).empty()) << ui::layoutReport(ui::checkLayout(form));
}
