#include <gtest/gtest.h>

#include "SampleForm.h"
#include "runtime/Error.h"

using namespace ui;
using uitest::SampleForm;
using Log = std::vector<std::string>;

namespace {

class DriverTest : public ::testing::Test, protected uitest::WithHeadlessShell {
protected:
    DriverTest() : user(form) {
        form.show();
        form.takeLog();
    }
    SampleForm form;
    Driver user;
};

}  // namespace

TEST_F(DriverTest, FocusMovesBeforeTheActionSoTheBoxBeingLeftHearsFirst) {
    user.enterText("TxtMaxValue", "120");
    user.click("CmdOK", 0);
    EXPECT_EQ(form.takeLog(), (Log{"SSTab.LostFocus", "TxtMaxValue.GotFocus", "TxtMaxValue.Change", "TxtMaxValue.LostFocus",
                                   "CmdOK(0).GotFocus", "CmdOK(0).Click"}));

    // Typing leaves the box with Tab: the focus moves on to the next control that can take it
    // (the size box and the spin button are disabled).
    user.typeText("TxtMinValue", "0,5");
    EXPECT_EQ(form.takeLog(), (Log{"CmdOK(0).LostFocus", "TxtMinValue.GotFocus", "TxtMinValue.Change", "TxtMinValue.LostFocus",
                                   "TglBtnLockMin.GotFocus"}));
    EXPECT_EQ(form.activeControl(), &form.control("TglBtnLockMin"));

    // Typing the text a box already has changes nothing.
    user.typeText("TxtMinValue", "0,5");
    EXPECT_EQ(form.takeLog(), (Log{"TglBtnLockMin.LostFocus", "TxtMinValue.GotFocus", "TxtMinValue.LostFocus",
                                   "TglBtnLockMin.GotFocus"}));
}

TEST_F(DriverTest, ALostFocusHandlerThatTakesTheFocusBackKeepsIt) {
    // The name check of the graphics-file dialog: a refused name puts the focus back.
    TextBox& name = form.textBox("TxtFontName");
    name.onLostFocus = [&] {
        form.log.push_back("TxtFontName.LostFocus");
        if (name.text().empty()) name.setFocus();
    };
    user.enterText("TxtFontName", "");
    user.click("CmdSaveParam");
    EXPECT_EQ(form.activeControl(), &name);
    EXPECT_EQ(form.takeLog(), (Log{"SSTab.LostFocus", "TxtFontName.GotFocus", "TxtFontName.Change", "TxtFontName.LostFocus",
                                   "TxtFontName.GotFocus", "CmdSaveParam.Click"}));
}

TEST_F(DriverTest, PerformsEachKindOfUserActionWithItsEvents) {
    user.setChecked("ChkShowLeader", false);
    user.click("ChkShowLeader");
    user.chooseOption("OpChartPosition", 2);
    user.pressToggle("TglBtnLockMin");
    user.pickTab("SSTab", 1);
    EXPECT_EQ(form.takeLog(), (Log{"SSTab.LostFocus", "ChkShowLeader.GotFocus", "ChkShowLeader.Click", "ChkShowLeader.Click",
                                   "ChkShowLeader.LostFocus", "OpChartPosition(2).GotFocus", "OpChartPosition(2).Click",
                                   "OpChartPosition(2).LostFocus", "TglBtnLockMin.GotFocus", "TglBtnLockMin.Click",
                                   "TglBtnLockMin.LostFocus", "SSTab.GotFocus", "SSTab.Click(0)"}));
    EXPECT_TRUE(form.checkBox("ChkShowLeader").checked());
    EXPECT_FALSE(form.toggleButton("TglBtnLockMin").value());

    form.control("SpinBtnChartSize").setEnabled(true);
    user.spinUp("SpinBtnChartSize");
    user.spinDown("SpinBtnChartSize");
    user.spinDown("SpinBtnChartSize");
    EXPECT_EQ(form.spinButton("SpinBtnChartSize").value(), 47);

    user.chooseComboText("CmbLanguage", "english");
    EXPECT_EQ(form.comboBox("CmbLanguage").text(), "English");
    form.takeLog();
    user.chooseComboRow("CmbLayers", 1);
    EXPECT_EQ(form.takeLog(), (Log{"CmbLanguage.LostFocus", "CmbLayers.GotFocus", "CmbLayers.Change", "CmbLayers.Click"}));

    user.click("mnuAllElements");
    EXPECT_EQ(form.takeLog(), Log{"mnuAllElements.Click"});
}

TEST_F(DriverTest, SelectsListRowsAsClicksWithAndWithoutCtrlWould) {
    ListBox& fields = form.listBox("LstFields");  // extended selection
    for (const char* name : {"FID", "POP", "AREA", "NAME"}) fields.addItem(name);
    user.clickListRow("LstFields", 1);
    user.clickListRow("LstFields", 3, true);
    EXPECT_EQ(fields.selectedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(fields.listIndex(), 3);
    user.clickListRow("LstFields", 2);
    EXPECT_EQ(fields.selectedRows(), std::vector<int>{2});
    user.selectListRows("LstFields", {0, 2});
    EXPECT_EQ(fields.selectedRows(), (std::vector<int>{0, 2}));
    form.takeLog();
    user.doubleClickListRow("LstFields", 3);
    EXPECT_EQ(fields.selectedRows(), std::vector<int>{3});
    EXPECT_EQ(form.takeLog(), (Log{"LstFields.Change", "LstFields.Click", "LstFields.DblClick"}));
}

TEST_F(DriverTest, ListViewClicksSelectAndReportWhereAndWhichButton) {
    ListView& view = form.listView("LstViewFields");
    view.addItem(0, "", "a");
    view.addItem(0, "", "b");
    form.menu("mnuAllElements").onClick = [&] { form.log.push_back("menu"); };
    view.onMouseUp = [&](int button, int, float, float) {
        form.log.push_back("MouseUp(" + std::to_string(button) + ")");
        if (button == 2) form.popupMenu("mnuChangeSymbol");
    };
    shell->choosePopupItem(0);

    user.clickListViewItem("LstViewFields", 1);
    user.clickListViewItem("LstViewFields", 2, true);
    EXPECT_TRUE(view.item(1).selected());
    EXPECT_TRUE(view.item(2).selected());
    user.rightClickListViewItem("LstViewFields", 2);  // already selected: the selection stays
    EXPECT_TRUE(view.item(1).selected());
    user.doubleClickListViewItem("LstViewFields", 2);
    EXPECT_FALSE(view.item(1).selected());
    user.clickColumnHeader("LstViewFields", 3);
    EXPECT_EQ(form.takeLog(), (Log{"SSTab.LostFocus", "LstViewFields.GotFocus", "LstViewFields.ItemClick(1)", "MouseUp(1)",
                                   "LstViewFields.ItemClick(2)", "MouseUp(1)", "MouseUp(2)", "menu",
                                   "LstViewFields.ItemClick(2)", "MouseUp(1)", "LstViewFields.DblClick",
                                   "LstViewFields.ColumnClick(3)"}));
}

TEST_F(DriverTest, RefusesWhatAPersonCouldNotDo) {
    EXPECT_THROW(user.typeText("TxtChartMarkerSize", "10"), ActionRefused);  // disabled
    form.textBox("TxtFontSize").setLocked(true);
    EXPECT_THROW(user.typeText("TxtFontSize", "10"), ActionRefused);
    form.frame("Frame7").setEnabled(false);
    EXPECT_THROW(user.chooseOption("OpAllObjects", 1), ActionRefused);
    EXPECT_THROW(user.chooseComboRow("CmbLayers", 3), ActionRefused);
    EXPECT_THROW(user.pickTab("SSTab", 3), ActionRefused);
    EXPECT_THROW(user.spinUp("TxtMaxValue"), ActionRefused);  // not a spin button
    EXPECT_THROW(user.click("CmdNoSuchButton"), runtime::Error);
    EXPECT_TRUE(form.takeLog().empty());
    form.hide();
    EXPECT_THROW(user.click("CmdOK", 0), ActionRefused);
}

TEST_F(DriverTest, ErrorsEscapingHandlersAreReportedAndTheFormGoesOn) {
    form.commandButton("CmdOK", 0).onClick = [] { runtime::raise(91); };
    EXPECT_FALSE(user.click("CmdOK", 0));
    ASSERT_FALSE(shell->transcript().empty());
    EXPECT_EQ(shell->transcript().back().text, "Object variable or With block variable not set");
    EXPECT_EQ(shell->transcript().back().icon, mb::Critical);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(user.click("CmdOK", 1));

    std::vector<std::string> reported;
    Driver::setErrorReporter([&](const std::exception& e) { reported.push_back(e.what()); });
    form.textBox("TxtMaxValue").onLostFocus = [] { throw std::out_of_range("index 7"); };
    EXPECT_FALSE(user.typeText("TxtMaxValue", "5"));
    EXPECT_EQ(reported, std::vector<std::string>{"index 7"});
    EXPECT_EQ(form.textBox("TxtMaxValue").text(), "5");

    // Closing the window unloads the form.
    EXPECT_TRUE(user.close());
    EXPECT_FALSE(form.isLoaded());
}
