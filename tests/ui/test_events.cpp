#include <gtest/gtest.h>

#include "SampleForm.h"
#include "runtime/Error.h"

using namespace ui;
using uitest::errorNumberOf;
using uitest::SampleForm;
using Log = std::vector<std::string>;

namespace {

class EventTest : public ::testing::Test, protected uitest::WithHeadlessShell {
protected:
    EventTest() {
        form.load();
        form.takeLog();
    }
    SampleForm form;
};

}  // namespace

TEST_F(EventTest, AHandlerThatSetsAnotherControlRunsThatControlsHandlerBeforeContinuing) {
    // The size box and the spin button keep each other in step, as the main dialog's do.
    TextBox& size = form.textBox("TxtChartMarkerSize");
    SpinButton& spin = form.spinButton("SpinBtnChartSize");
    size.onChange = [&] {
        form.log.push_back("size.Change " + size.text());
        spin.setValue(runtime::toInt32(runtime::parseNumber(size.text())));
        form.log.push_back("size.Change done");
    };
    spin.onChange = [&] {
        form.log.push_back("spin.Change " + std::to_string(spin.value()));
        size.setText(std::to_string(spin.value()));
        form.log.push_back("spin.Change done");
    };

    spin.setValue(50);
    form.log.push_back("after");
    EXPECT_EQ(form.takeLog(), (Log{"spin.Change 50", "size.Change 50", "size.Change done", "spin.Change done", "after"}));

    size.setText("61");
    EXPECT_EQ(form.takeLog(), (Log{"size.Change 61", "spin.Change 61", "spin.Change done", "size.Change done"}));
    EXPECT_EQ(spin.value(), 61);
}

TEST_F(EventTest, SettingAValueItAlreadyHasFiresNothingExceptPressingAButton) {
    form.textBox("TxtMaxValue").setText("20");
    form.checkBox("ChkShowLeader").setValue(CheckBox::Checked);
    form.toggleButton("TglBtnLockMin").setValue(true);
    form.optionButton("OpChartPosition", 1).setValue(true);
    form.spinButton("SpinBtnChartSize").setValue(48);
    form.tabControl("SSTab").setTab(0);
    form.comboBox("CmbLayers").setListIndex(-1);
    EXPECT_TRUE(form.takeLog().empty());

    form.checkBox("ChkShowLeader").setValue(CheckBox::Grayed);
    form.toggleButton("TglBtnLockMin").setValue(false);
    form.tabControl("SSTab").setTab(2);
    EXPECT_EQ(form.takeLog(), (Log{"ChkShowLeader.Click", "TglBtnLockMin.Click", "SSTab.Click(0)"}));

    // Value = True on a command button presses it, every time.
    form.commandButton("CmdOK", 0).setValue(true);
    form.setValue("CmdOK(0)", true);
    form.commandButton("CmdOK", 0).setValue(false);
    EXPECT_EQ(form.takeLog(), (Log{"CmdOK(0).Click", "CmdOK(0).Click"}));
}

TEST_F(EventTest, SwitchingAnOptionOnSwitchesOffTheOthersOfItsContainerOnly) {
    form.optionButton("OpChartPosition", 5).setValue(true);
    EXPECT_EQ(form.takeLog(), Log{"OpChartPosition(5).Click"});
    for (int i : {0, 1, 2}) EXPECT_FALSE(form.optionButton("OpChartPosition", i).value()) << i;
    // The other groups (another frame, the tab page itself) are untouched.
    EXPECT_TRUE(form.optionButton("OpAllObjects", 0).value());
    EXPECT_TRUE(form.optionButton("OpCreateDiagr", 0).value());

    form.optionButton("OpCreateDiagr", 1).setValue(true);
    EXPECT_FALSE(form.optionButton("OpCreateDiagr", 0).value());
    EXPECT_TRUE(form.optionButton("OpChartPosition", 5).value());

    // Switching one off leaves the group with none on and fires nothing.
    form.optionButton("OpChartPosition", 5).setValue(false);
    EXPECT_FALSE(form.controlArray("OpChartPosition").checkedIndex());
    EXPECT_EQ(form.takeLog(), Log{"OpCreateDiagr(1).Click"});

    // One handler for the whole array receives the member's index.
    std::vector<int> clicked;
    form.controlArray("OpChartPosition").onClick([&](int index) { clicked.push_back(index); });
    form.optionButton("OpChartPosition", 2).setValue(true);
    form.optionButton("OpChartPosition", 0).setValue(true);
    EXPECT_EQ(clicked, (std::vector<int>{2, 0}));
}

TEST(OptionGroups, AnExplicitGroupOverridesTheContainer) {
    Form form("frmGroups", "", 200, 100,
              {optionButton("OpA", 0).at(0, 0, 50, 20).value(1), optionButton("OpA", 1).at(0, 20, 50, 20),
               optionButton("OpB", 0).at(100, 0, 50, 20).group("b").value(1), optionButton("OpB", 1).at(100, 20, 50, 20).group("b")});
    form.optionButton("OpA", 1).setValue(true);
    EXPECT_TRUE(form.optionButton("OpB", 0).value());
    form.optionButton("OpB", 1).setValue(true);
    EXPECT_TRUE(form.optionButton("OpA", 1).value());
    EXPECT_FALSE(form.optionButton("OpB", 0).value());
}

TEST_F(EventTest, AnErrorEscapingAHandlerReachesTheCodeThatSetTheProperty) {
    TextBox& box = form.textBox("TxtMinValue");
    box.onChange = [&] { runtime::parseNumber(box.text()); };
    int trapped = 0;
    try {
        box.setText("abc");
    } catch (const runtime::Error& e) {
        trapped = e.number();
    }
    EXPECT_EQ(trapped, 13);
    EXPECT_EQ(box.text(), "abc");  // the value was set before its handler ran

    // A combo box's Change fails before its Click would run.
    form.comboBox("CmbLayers").onChange = [] { runtime::raise(5); };
    EXPECT_EQ(errorNumberOf([&] { form.comboBox("CmbLayers").setText("Rivers"); }), 5);
    EXPECT_EQ(form.comboBox("CmbLayers").listIndex(), 1);
    EXPECT_TRUE(form.takeLog().empty());
}

TEST_F(EventTest, HandlersThatTriggerEachOtherForeverStopWithOutOfStackSpace) {
    TextBox& a = form.textBox("TxtMaxValue");
    TextBox& b = form.textBox("TxtMinValue");
    a.onChange = [&] { b.setText(b.text() + "b"); };
    b.onChange = [&] { a.setText(a.text() + "a"); };
    EXPECT_EQ(errorNumberOf([&] { a.setText("x"); }), 28);
    EXPECT_EQ(EventNesting::depth(), 0);
    a.onChange = nullptr;
    a.setText("fine");
    EXPECT_EQ(a.text(), "fine");
}

TEST_F(EventTest, ComboBoxFiresChangeForItsTextAndClickForItsRow) {
    ComboBox& layers = form.comboBox("CmbLayers");
    layers.setText("rivers");  // a row's text chooses the row, spelt as the row has it
    EXPECT_EQ(layers.text(), "Rivers");
    EXPECT_EQ(layers.listIndex(), 1);
    EXPECT_EQ(form.takeLog(), (Log{"CmbLayers.Change", "CmbLayers.Click"}));

    layers.setText("Somewhere else");  // a drop-down combo takes any text
    EXPECT_EQ(layers.listIndex(), -1);
    layers.setListIndex(0);
    EXPECT_EQ(layers.text(), "Towns");
    EXPECT_EQ(form.takeLog(), (Log{"CmbLayers.Change", "CmbLayers.Change", "CmbLayers.Click"}));

    layers.removeItem(0);  // the chosen row goes
    EXPECT_EQ(layers.listIndex(), -1);
    EXPECT_EQ(layers.text(), "Towns");
    layers.clear();
    EXPECT_EQ(layers.text(), "");
    EXPECT_EQ(form.takeLog(), (Log{"CmbLayers.Change"}));

    ComboBox& language = form.comboBox("CmbLanguage");  // a drop-down list
    language.setText("English");
    EXPECT_EQ(language.listIndex(), 1);
    EXPECT_EQ(errorNumberOf([&] { language.setText("Deutsch"); }), 383);
    EXPECT_EQ(errorNumberOf([&] { language.setListIndex(2); }), 380);
    EXPECT_EQ(errorNumberOf([&] { language.list(5); }), 381);
    language.addItem("Deutsch", 0);
    EXPECT_EQ(language.listIndex(), 2);  // still English
    EXPECT_EQ(language.text(), "English");
}

TEST_F(EventTest, SpinButtonKeepsItsValueWithinItsBounds) {
    SpinButton& spin = form.spinButton("SpinBtnChartSize");
    spin.setValue(0);
    EXPECT_EQ(spin.value(), 1);
    spin.setValue(2000000000);
    EXPECT_EQ(spin.value(), 999999999);
    spin.spinUp();
    EXPECT_EQ(spin.value(), 999999999);
    spin.setMax(100);
    EXPECT_EQ(spin.value(), 100);
    spin.setSmallChange(30);
    spin.spinDown();
    spin.spinDown();
    spin.spinDown();
    spin.spinDown();
    EXPECT_EQ(spin.value(), 1);
    EXPECT_EQ(errorNumberOf([&] { spin.setSmallChange(0); }), 380);
    EXPECT_EQ(form.takeLog(), (Log(7, "SpinBtnChartSize.Change")));
}

TEST_F(EventTest, TabControlReportsThePreviousTabAndKeepsCaptionsPerTab) {
    TabControl& tabs = form.tabControl("SSTab");
    // Translating every tab by making each current in turn, as the language switch does.
    const int remembered = tabs.tab();
    const std::vector<std::string> russian = {"Общее", "Диаграмма", "Утилиты"};
    for (int i = 0; i < tabs.tabs(); ++i) {
        tabs.setTab(i);
        tabs.setCaption(russian[static_cast<std::size_t>(i)]);
        tabs.setToolTipText("");
    }
    tabs.setTab(remembered);
    EXPECT_EQ(tabs.tab(), 0);
    EXPECT_EQ(tabs.tabCaption(1), "Диаграмма");
    EXPECT_EQ(form.takeLog(), (Log{"SSTab.Click(0)", "SSTab.Click(1)", "SSTab.Click(2)"}));
    EXPECT_EQ(errorNumberOf([&] { tabs.setTab(3); }), 380);
}
