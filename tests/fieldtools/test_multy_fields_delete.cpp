// The multi-field delete dialog as the main dialog opens it: what it lists, what it deletes in
// one change, what it refuses, and the main dialog's field lists afterwards.
#include "dialog/DialogFixture.h"
#include "fieldtools/FrmMultyFieldsDelete.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/GdalFixtures.h"
#include "ui/ListBox.h"

using dialogtest::DialogTest;

namespace {

class FieldDeleteTest : public DialogTest {
protected:
    void SetUp() override {
        towns = dialogtest::makeTowns();
        map()->addLayer(towns);
        open();
    }
    // Opens the delete dialog; `action` is what the user does in it (nothing: it is closed).
    void deleteDialog(std::function<void(plotlet::FrmMultyFieldsDelete&)> action) {
        shell.shell->onModal("FrmMultyFieldsDelete", [&](ui::Form& form) {
            auto& f = dynamic_cast<plotlet::FrmMultyFieldsDelete&>(form);
            seen.caption = f.caption();
            seen.label = f.LblLayerName.caption();
            seen.rows.clear();
            for (int r = 0; r < f.LstFields.listCount(); ++r) seen.rows.push_back(f.LstFields.list(r, 0));
            if (action) action(f);
        });
        ui::Driver u = user();
        ASSERT_TRUE(u.pickTab("SSTab", 2));
        ASSERT_TRUE(u.click("CmdMultyFieldsDelete"));
    }
    // Selects the rows of these names and presses Delete.
    static void del(plotlet::FrmMultyFieldsDelete& f, const std::vector<std::string>& names) {
        for (int r = 0; r < f.LstFields.listCount(); ++r)
            f.LstFields.setSelected(r, std::find(names.begin(), names.end(), f.LstFields.list(r, 0)) != names.end());
        ui::Driver(f).click("CmdDel");
    }
    std::vector<std::string> classFields() const {
        std::vector<std::string> names;
        for (const host::Field& f : towns->featureClass()->fields()) names.push_back(f.name);
        return names;
    }

    host::FeatureLayerPtr towns;
    struct {
        std::string caption, label;
        std::vector<std::string> rows;
    } seen;
};

}  // namespace

TEST_F(FieldDeleteTest, ListsEveryFieldAndDeletesTheSelectedOnesTogether) {
    plotlet::frmPlotlet& d = dialog();
    chart({1, 2, 5});  // POP1990, POP2000, V8
    ASSERT_TRUE(user().chooseComboText("CmbKey", "NAME"));
    const host::SymbolPtr pop1990 = d.pFieldsSymbolArray->symbol(0), v8 = d.pFieldsSymbolArray->symbol(2);
    const double value = towns->featureClass()->value(2, towns->featureClass()->findField("V9")).toDouble();

    deleteDialog([](plotlet::FrmMultyFieldsDelete& f) { del(f, {"POP2000", "V10", "FOUNDED"}); });
    EXPECT_EQ(seen.caption, "Multi-Fields Delete");
    EXPECT_EQ(seen.label, "Towns");
    EXPECT_EQ(seen.rows, (std::vector<std::string>{"OBJECTID", "Shape", "NAME", "POP1990", "POP2000", "AREA", "CODE",
                                                    "FOUNDED", "V8", "V9", "V10", "V11", "V12"}));
    EXPECT_EQ(classFields(), (std::vector<std::string>{"OBJECTID", "Shape", "NAME", "POP1990", "AREA", "CODE", "V8", "V9",
                                                        "V11", "V12"}));
    EXPECT_DOUBLE_EQ(towns->featureClass()->value(2, towns->featureClass()->findField("V9")).toDouble(), value);
    EXPECT_TRUE(shell.messages().empty());

    // The main dialog offers only what is left, and keeps the chart fields, their order and symbols.
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "V8"}));
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(0), pop1990);
    EXPECT_EQ(d.pFieldsSymbolArray->symbol(1), v8);
    EXPECT_EQ(availableFields(), (std::vector<std::string>{"OBJECTID", "AREA", "CODE", "V9", "V11", "V12"}));
    EXPECT_EQ(d.CmbKey.text(), "NAME");
    dialogtest::expectFieldListInvariants(d);
    // The lists work on: a field moved now charts from the class as it is.
    chart({3});
    EXPECT_EQ(chartFields(), (std::vector<std::string>{"POP1990", "V8", "V9"}));
    dialogtest::expectFieldListInvariants(d);
}

TEST_F(FieldDeleteTest, RequiredFieldsAreRefusedWithNothingDeleted) {
    const auto before = classFields();
    deleteDialog([](plotlet::FrmMultyFieldsDelete& f) { del(f, {"V8", "OBJECTID", "Shape"}); });
    EXPECT_EQ(classFields(), before);
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    deleteDialog([](plotlet::FrmMultyFieldsDelete& f) { del(f, {"Shape", "V9"}); });
    EXPECT_EQ(seen.caption, "Удаление нескольких полей ");
    EXPECT_EQ(classFields(), before);
    ASSERT_EQ(plainBoxes().size(), 2u);
    EXPECT_EQ(plainBoxes()[0].text, "Required fields of the layer cannot be deleted: OBJECTID, Shape. No field was deleted.");
    EXPECT_EQ(plainBoxes()[0].icon, ui::mb::Exclamation);
    EXPECT_EQ(plainBoxes()[1].text, "Обязательные поля слоя удалить нельзя: Shape. Ни одно поле не удалено.");
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(FieldDeleteTest, CancelNoSelectionAndNoLayerChangeNothing) {
    const auto before = classFields();
    deleteDialog([](plotlet::FrmMultyFieldsDelete& f) {
        f.LstFields.setSelected(3, true);
        ui::Driver(f).click("CmdCancel");
    });
    deleteDialog([](plotlet::FrmMultyFieldsDelete& f) { del(f, {}); });
    deleteDialog(nullptr);
    EXPECT_EQ(classFields(), before);
    EXPECT_TRUE(shell.messages().empty());

    // No layer chosen: reported under the opener's name, no dialog shown.
    dialog().CmbLayers.setListIndex(-1);
    bool shown = false;
    shell.shell->onModal("FrmMultyFieldsDelete", [&](ui::Form&) { shown = true; });
    dialog().CmdMultyFieldsDelete_Click();
    EXPECT_FALSE(shown);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0].text.find("CmdMultyFieldsDelete_Click"), std::string::npos);
}

TEST_F(FieldDeleteTest, ASourceThatRefusesKeepsEveryField) {
    host::gdal::install();
    fixtures::TempDir dir;
    const std::string csv = dir.file("points.csv");
    fixtures::writeText(csv, "x,y,a,b\n1,2,3,4\n5,6,7,8\n");
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName("Points");
    layer->setFeatureClass(host::gdal::openFeatureClass(csv));
    map()->addLayer(layer);
    ASSERT_TRUE(user().click("CmdRefreshLayers"));
    ASSERT_TRUE(user().chooseComboText("CmbLayers", "Points"));
    const std::string before = fixtures::readBytes(csv);
    const int fields = layer->featureClass()->fieldCount();
    const auto offered = availableFields();

    deleteDialog([](plotlet::FrmMultyFieldsDelete& f) { del(f, {"a", "b"}); });
    EXPECT_EQ(layer->featureClass()->fieldCount(), fields);
    EXPECT_EQ(fixtures::readBytes(csv), before);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0].text.find("CmdDel_Click FrmMultyFieldsDelete"), std::string::npos) << errorBoxes()[0].text;
    EXPECT_NE(errorBoxes()[0].text.find(csv), std::string::npos) << errorBoxes()[0].text;
    EXPECT_EQ(availableFields(), offered);
}
