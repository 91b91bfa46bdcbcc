// Parameter files: the nineteen controls saved and restored (into the same dialog, a fresh one
// and one on another map), the cancelled file dialogs, and files that must not apply in part.
#include "dialog/DialogFixture.h"

#include <unistd.h>

#include <fstream>

#include "engine/PropertySetFiles.h"
#include "host/PropertySetFile.h"
#include "support/TempFolder.h"

using dialogtest::DialogTest;
using runtime::Variant;

namespace {

class ParameterFiles : public DialogTest {
protected:
    void SetUp() override {
        map()->addLayer(dialogtest::makeTowns());
        map()->setMapScale(50000);
        open();
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    // Settings no start-up gives: texts empty and not numbers, every check box turned over,
    // another placement.
    void setUnusualValues(bool locked) {
        plotlet::frmPlotlet& d = dialog();
        d.TxtMinValue.setText("");
        d.TxtMaxValue.setText("много");
        d.ChkAutoMapping.setChecked(true);
        d.ChkSkipPropPage.setChecked(true);
        d.ChkSaveLyrFile.setChecked(true);
        d.OpChartPosition().itemAs<ui::OptionButton>(7).setValue(true);
        d.TxtLabelDistance.setText("2,5");
        d.ChkLabelDiagramm.setChecked(false);
        d.TxtMinLabelValue.setText("0.25");
        d.TxtSignNumber.setText("4");
        d.TxtFontName.setText("DejaVu Sans");
        d.TxtFontSize.setText("9");
        d.TxtChartWidth.setText("7");
        d.TxtOutlineWidth.setText("1.5");
        d.TglBtnLockMin.setValue(locked);
        d.TxtChartMarkerSize.setText("33");
        d.ChkShowLeader.setChecked(false);
        d.TxtMinValueMM.setText("x");
        d.TxtNullValue.setText("-1");
    }
    void saveTo(const std::string& file) {
        shell.shell->chooseFile(file);
        ASSERT_TRUE(user().click("CmdSaveParam"));
    }
    void loadFrom(const std::string& file) {
        shell.shell->chooseFile(file);
        ASSERT_TRUE(user().click("CmdLoadParam"));
    }
    // The nineteen values as the file would hold them.
    std::vector<std::pair<std::string, Variant>> values() const {
        const auto set = dialog().PopulateParameters();
        std::vector<std::pair<std::string, Variant>> out;
        for (const auto& item : set->items()) out.push_back(item);
        return out;
    }

    testing_support::TempFolder dir;
};

TEST_F(ParameterFiles, WritesTheNineteenControlsInOrderWithTheirKinds) {
    setUnusualValues(false);
    const auto set = dialog().PopulateParameters();
    ASSERT_EQ(set->count(), 19u);
    for (std::size_t i = 0; i < 19; ++i) EXPECT_EQ(set->items()[i].first, plotlet::frmPlotlet::ParameterNames[i]);
    EXPECT_EQ(set->getProperty("TxtMinValue"), Variant(""));
    EXPECT_EQ(set->getProperty("TxtMaxValue"), Variant("много"));
    EXPECT_EQ(set->getProperty("ChkAutoMapping"), Variant("True"));
    EXPECT_EQ(set->getProperty("ChkLabelDiagramm"), Variant("False"));
    EXPECT_EQ(set->getProperty("OpChartPosition"), Variant(std::int16_t(7)));
    EXPECT_EQ(set->getProperty("TglBtnLockMin"), Variant("False"));
    EXPECT_EQ(set->getProperty("TxtLabelDistance"), Variant("2,5"));
}

TEST_F(ParameterFiles, RoundTripIntoAFreshDialogOnAnotherMapInBothLockStates) {
    for (bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "locked" : "unlocked");
        setUnusualValues(locked);
        const auto saved = values();
        const std::string file = path(locked ? "locked.par" : "unlocked.par");
        saveTo(file);
        ASSERT_TRUE(std::filesystem::exists(file));
        EXPECT_EQ(dialog().initDir, dir.path().string() + "/");

        // Another map and a new dialog: the command goes, a new one opens on another document.
        command.reset();
        app = std::make_shared<host::Application>();
        map()->addLayer(dialogtest::makeLayer("Villages", host::GeometryType::Point, {{"POP", host::FieldType::Double}}));
        map()->setMapScale(10000);
        open();
        ASSERT_NE(values(), saved);
        loadFrom(file);
        EXPECT_EQ(values(), saved);
        EXPECT_EQ(dialog().TxtChartMarkerSize.enabled(), !locked);  // the toggle's own handling ran
        EXPECT_TRUE(errorBoxes().empty());
        EXPECT_TRUE(plainBoxes().empty());
    }
}

TEST_F(ParameterFiles, NoOptionOnRestoresTheFirstButton) {
    auto set = dialog().PopulateParameters();
    set->setProperty("OpChartPosition", Variant());
    host::writePropertySetFile(*set, path("none.par"));
    dialog().OpChartPosition().itemAs<ui::OptionButton>(9).setValue(true);
    loadFrom(path("none.par"));
    EXPECT_TRUE(dialog().OpChartPosition().itemAs<ui::OptionButton>(0).value());
}

TEST_F(ParameterFiles, CancelledDialogsWriteAndChangeNothing) {
    const std::string before = dialog().initDir;
    const auto values0 = values();
    shell.shell->cancelFileDialog();
    ASSERT_TRUE(user().click("CmdSaveParam"));
    shell.shell->cancelFileDialog();
    ASSERT_TRUE(user().click("CmdLoadParam"));
    EXPECT_EQ(values(), values0);
    EXPECT_EQ(dialog().initDir, before);
    EXPECT_TRUE(shell.messages().empty());
    // The dialogs proposed the layer's name and used the right titles and filter.
    const auto& t = shell.shell->transcript();
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[t.size() - 2].kind, "save");
    EXPECT_EQ(t[t.size() - 2].text, "Towns.par");
    EXPECT_EQ(t[t.size() - 2].title, "Save parameters");
    EXPECT_EQ(t.back().kind, "open");
    EXPECT_EQ(t.back().title, "Load Parameters");
}

TEST_F(ParameterFiles, UnknownNamesRefuseTheWholeFileAndChangeNothing) {
    auto set = dialog().PopulateParameters();
    set->setProperty("TxtMaxValue", Variant("99"));
    set->setProperty("TxtNoSuchBox", Variant("1"));
    set->setProperty("ChkGone", Variant("True"));
    set->setProperty("TxtNullValue", Variant("5"));  // after the unknown names: must not apply either
    host::writePropertySetFile(*set, path("foreign.par"));
    const auto before = values();
    loadFrom(path("foreign.par"));
    EXPECT_EQ(values(), before);
    ASSERT_EQ(plainBoxes().size(), 1u);
    const std::string text = plainBoxes()[0].text;
    EXPECT_NE(text.find("TxtNoSuchBox, ChkGone"), std::string::npos) << text;
    EXPECT_NE(text.find("foreign.par"), std::string::npos) << text;
    EXPECT_EQ(plainBoxes()[0].title, "Load Parameters");
    EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(ParameterFiles, ValuesTheirControlsCannotTakeRefuseTheWholeFileInRussianToo) {
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    auto set = std::make_shared<host::PropertySet>();
    set->setProperty("TxtMaxValue", Variant("99"));
    set->setProperty("ChkShowLeader", Variant("maybe"));
    set->setProperty("OpChartPosition", Variant(std::int16_t(20)));
    host::writePropertySetFile(*set, path("bad.par"));
    const auto before = values();
    loadFrom(path("bad.par"));
    EXPECT_EQ(values(), before);
    ASSERT_EQ(plainBoxes().size(), 1u);
    const std::string text = plainBoxes()[0].text;
    EXPECT_NE(text.find("Файл параметров"), std::string::npos) << text;
    EXPECT_NE(text.find("ChkShowLeader = \"maybe\", OpChartPosition = 20"), std::string::npos) << text;
    EXPECT_EQ(plainBoxes()[0].title, "Загрузить параметры");

    // Handed straight to PopulateControls, the same set is reported and applies nothing.
    dialog().PopulateControls(set);
    EXPECT_EQ(values(), before);
    ASSERT_EQ(errorBoxes().size(), 1u);
    EXPECT_NE(errorBoxes()[0].text.find("PopulateControls"), std::string::npos);
}

TEST_F(ParameterFiles, AnyPropertySetAppliesByNameInItsOrder) {
    auto set = std::make_shared<host::PropertySet>();
    set->setProperty("txtmaxvalue", Variant("12"));  // names match without regard to case
    set->setProperty("TglBtnLockMin", Variant(false));
    set->setProperty("LblMaxValue", Variant("Maximum"));  // a label takes its caption
    set->setProperty("OpChartPosition", Variant("3"));
    dialog().PopulateControls(set);
    EXPECT_EQ(dialog().TxtMaxValue.text(), "12");
    EXPECT_FALSE(dialog().TglBtnLockMin.value());
    EXPECT_EQ(dialog().label("LblMaxValue").caption(), "Maximum");
    EXPECT_TRUE(dialog().OpChartPosition().itemAs<ui::OptionButton>(3).value());
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(ParameterFiles, ControlsOfOtherKindsAreNamedUnsupportedAndPassedOver) {
    auto set = std::make_shared<host::PropertySet>();
    set->setProperty("CmbLanguage", Variant("Русский"));
    set->setProperty("TxtNullValue", Variant("7"));
    dialog().PopulateControls(set);
    EXPECT_EQ(dialog().CmbLanguage.text(), "English");
    EXPECT_EQ(dialog().TxtNullValue.text(), "7");
    ASSERT_EQ(plainBoxes().size(), 1u);
    EXPECT_EQ(plainBoxes()[0].text, "Unsupported Control Type");
}

TEST_F(ParameterFiles, AFailedSaveIsReportedAndLeavesTheOldFile) {
    const std::string file = dir.write("kept.par", "old").string();
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    saveTo(file);
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    if (::geteuid() != 0) {  // root writes anyway
        ASSERT_EQ(errorBoxes().size(), 1u);
        EXPECT_NE(errorBoxes()[0].text.find("CmdSaveParam_Click"), std::string::npos);
        EXPECT_EQ(std::filesystem::file_size(file), 3u);
    }
    saveTo(path("missing folder/x.par"));
    ASSERT_FALSE(errorBoxes().empty());
    EXPECT_NE(errorBoxes().back().text.find("CmdSaveParam_Click"), std::string::npos);
}

TEST_F(ParameterFiles, UnreadableFilesAreReportedAndChangeNothing) {
    const auto before = values();
    dir.write("broken.par", "{\"format\": \"plotlet.propertyset\", \"version\": 1, \"propertySet\": {\"$cla");
    loadFrom(path("broken.par"));
    loadFrom(path("missing.par"));
    EXPECT_EQ(values(), before);
    ASSERT_FALSE(errorBoxes().empty());
    EXPECT_NE(errorBoxes()[0].text.find("LoadPropertySetFromFile"), std::string::npos);
}

}  // namespace
