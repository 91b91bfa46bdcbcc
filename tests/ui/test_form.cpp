#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "SampleForm.h"
#include "runtime/Error.h"
#include "support/RuntimeErrors.h"

using namespace ui;
using uitest::errorNumberOf;
using uitest::SampleForm;

namespace {

using testing_support::descriptionOf;

class FormTest : public ::testing::Test, protected uitest::WithHeadlessShell {
protected:
    SampleForm form;
};

}  // namespace

TEST_F(FormTest, BuildsItsControlsFromTheTableAndFindsThemByNameIgnoringCase) {
    EXPECT_EQ(form.controls().size(), form.table().size());
    EXPECT_EQ(&form.control("txtmaxvalue"), &form.textBox("TxtMaxValue"));
    EXPECT_EQ(form.textBox("TxtMaxValue").text(), "20");
    EXPECT_EQ(form.control("SSTab").typeName(), "SSTab");
    EXPECT_TRUE(form.control("LstFields").is<ListBox>());
    EXPECT_FALSE(form.control("LstFields").is<ComboBox>());
    EXPECT_EQ(form.control("CmdOK", 1).caption(), "Recreate");

    const ControlArray positions = form.controlArray("OpChartPosition");
    EXPECT_EQ(positions.count(), 4);
    EXPECT_EQ(positions.lowerBound(), 0);
    EXPECT_EQ(positions.upperBound(), 5);
    EXPECT_FALSE(positions.contains(3));
    EXPECT_EQ(positions.checkedIndex(), 1);
    EXPECT_EQ(&positions.itemAs<OptionButton>(5), &form.optionButton("OpChartPosition", 5));
    EXPECT_TRUE(form.isControlArray("opchartposition"));
    EXPECT_FALSE(form.isControlArray("TxtMaxValue"));

    // Controls belong to a container and a tab page.
    EXPECT_EQ(form.controlsIn("SSTab", 2).size(), 3u);
    EXPECT_EQ(form.controlsIn("FrameChartPosition").size(), 4u);
    EXPECT_EQ(form.findContainer(form.optionButton("OpAllObjects", 1)), &form.control("Frame7"));
    EXPECT_EQ(form.menu("mnuChangeSymbol").items().size(), 2u);
}

TEST_F(FormTest, UnknownNamesAndWrongKindsFailWithRuntimeErrors) {
    EXPECT_EQ(errorNumberOf([&] { form.control("TxtNoSuchBox"); }), 730);
    EXPECT_EQ(descriptionOf([&] { form.control("TxtNoSuchBox"); }), "Control 'TxtNoSuchBox' not found on form 'frmSample'");
    EXPECT_EQ(errorNumberOf([&] { form.setValue("TxtNoSuchBox", "1"); }), 730);
    EXPECT_EQ(errorNumberOf([&] { form.controlArray("Nothing"); }), 730);
    EXPECT_EQ(form.findControl("TxtNoSuchBox"), nullptr);

    EXPECT_EQ(errorNumberOf([&] { form.comboBox("TxtMaxValue"); }), 13);
    EXPECT_NE(descriptionOf([&] { form.comboBox("TxtMaxValue"); }).find("TextBox"), std::string::npos);
    EXPECT_EQ(errorNumberOf([&] { form.control("OpChartPosition"); }), 450);
    EXPECT_EQ(errorNumberOf([&] { form.control("OpChartPosition", 3); }), 340);
    EXPECT_EQ(errorNumberOf([&] { form.control("TxtMaxValue", 0); }), 343);
    EXPECT_EQ(errorNumberOf([&] { form.controlArray("TxtMaxValue"); }), 343);

    EXPECT_EQ(errorNumberOf([&] { form.setValue("TxtMaxValue.Colour", "red"); }), 438);
    EXPECT_EQ(errorNumberOf([&] { form.value("TxtMaxValue.Caption"); }), 438);
    EXPECT_EQ(errorNumberOf([&] { form.setValue("TxtMaxValue.Name", "Other"); }), 383);
    EXPECT_EQ(errorNumberOf([&] { form.value("LstViewFields"); }), 438);  // no default property
    EXPECT_EQ(errorNumberOf([&] { form.setValue("TxtMaxValue(", "1"); }), 5);
}

TEST_F(FormTest, RejectsTablesThatCannotBeBuilt) {
    auto build = [](std::vector<ControlDesign> table) { Form f("frmBad", "", 100, 100, std::move(table)); };
    EXPECT_THROW(build({textBox("Txt"), label("txt")}), std::invalid_argument);
    EXPECT_THROW(build({optionButton("Op", 0), optionButton("Op", 0)}), std::invalid_argument);
    EXPECT_THROW(build({optionButton("Op", 0), optionButton("Op")}), std::invalid_argument);
    EXPECT_THROW(build({textBox("Txt").in("FrameMissing")}), std::invalid_argument);
    EXPECT_THROW(build({label("Lbl"), textBox("Txt").in("Lbl")}), std::invalid_argument);
    EXPECT_THROW(build({tabControl("Tabs").pages({"a", "b"}), textBox("Txt").in("Tabs", 2)}), std::invalid_argument);
    EXPECT_THROW(build({frame("A").in("B"), frame("B").in("A")}), std::invalid_argument);
    EXPECT_THROW(build({textBox("Txt").in("A"), frame("A").in("Missing")}), std::invalid_argument);
    EXPECT_THROW(build({menu("mnu"), textBox("Txt").in("mnu")}), std::invalid_argument);
    EXPECT_NO_THROW(build({tabControl("Tabs").pages({"a", "b"}), textBox("Txt").in("Tabs", 1)}));
}

TEST_F(FormTest, ReadsAndSetsValuesByPathThroughTheControlsOwnProperties) {
    form.setValue("TxtMaxValue", 12.5);
    EXPECT_EQ(form.textBox("TxtMaxValue").text(), "12.5");
    EXPECT_EQ(form.value("txtmaxvalue.TEXT"), runtime::Variant("12.5"));

    EXPECT_EQ(form.value("ChkShowLeader"), runtime::Variant(std::int16_t{1}));
    form.setValue("ChkShowLeader", "False");
    EXPECT_FALSE(form.checkBox("ChkShowLeader").checked());
    form.setValue("ChkShowLeader.Value", true);
    EXPECT_TRUE(form.checkBox("ChkShowLeader").checked());
    EXPECT_EQ(errorNumberOf([&] { form.setValue("ChkShowLeader", 7); }), 380);
    EXPECT_EQ(errorNumberOf([&] { form.setValue("ChkShowLeader", "maybe"); }), 13);

    // An option group is read and set as a whole by its name: the index of the button that is on.
    EXPECT_EQ(form.value("OpChartPosition"), runtime::Variant(std::int16_t{1}));
    form.setValue("OpChartPosition", "5");
    EXPECT_TRUE(form.optionButton("OpChartPosition", 5).value());
    EXPECT_FALSE(form.optionButton("OpChartPosition", 1).value());
    form.setValue("OpChartPosition(5).Value", false);
    EXPECT_TRUE(form.value("OpChartPosition").isEmpty());
    EXPECT_EQ(errorNumberOf([&] { form.setValue("OpChartPosition", 3); }), 340);
    EXPECT_EQ(errorNumberOf([&] { form.value("CmdOK"); }), 450);

    form.setValue("CmbLayers.ListIndex", 2);
    EXPECT_EQ(form.value("CmbLayers"), runtime::Variant("Lakes"));
    form.setValue("SSTab", 2);
    EXPECT_EQ(form.tabControl("SSTab").tab(), 2);
    form.setValue("SSTab.Caption", "Utilities");
    EXPECT_EQ(form.tabControl("SSTab").tabCaption(2), "Utilities");
    form.setValue("LblLayers", "Слой");
    EXPECT_EQ(form.label("LblLayers").caption(), "Слой");
    form.setValue("CmdSaveParam.ToolTipText", "Save");
    EXPECT_EQ(form.value("CmdSaveParam.tooltiptext"), runtime::Variant("Save"));
    form.setValue("TxtFontName.Enabled", false);
    EXPECT_FALSE(form.control("TxtFontName").enabled());
    // A list box takes and gives its rows as an array through "List".
    form.setValue("LstFields.List", runtime::Variant(runtime::Array::fromList({"POP", "AREA"})));
    form.setValue("LstFields.ListIndex", 1);
    EXPECT_EQ(form.value("LstFields"), runtime::Variant("AREA"));
    EXPECT_EQ(form.value("LstFields.List").array().at(0, 0), runtime::Variant("POP"));
    form.setValue("CommonDialog1.FileName", "C:\\maps\\a.par");
    EXPECT_EQ(form.commonDialog("CommonDialog1").fileName(), "C:\\maps\\a.par");
}

TEST_F(FormTest, LoadRunsOnceAndUnloadReturnsControlsToTheirDesign) {
    form.show();
    form.hide();
    form.show();
    EXPECT_EQ(std::count(form.log.begin(), form.log.end(), "Form.Load"), 1);
    EXPECT_TRUE(form.isLoaded());

    form.textBox("TxtMaxValue").setText("8");
    form.setCaption("Changed");
    form.imageList("ImageList1").add("dummy", nullptr);
    form.listView("LstViewFields").addItem(0, "", "", "dummy", "dummy");
    form.listBox("LstFields").addItem("POP");
    form.control("CmdSaveParam").setEnabled(false);
    form.setWindowState(WindowState::Minimized);
    form.unload();

    EXPECT_FALSE(form.isLoaded());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.activeControl(), nullptr);
    EXPECT_EQ(form.log.back(), "Form.Unload");
    EXPECT_EQ(form.caption(), "Create charts");
    EXPECT_EQ(form.textBox("TxtMaxValue").text(), "20");
    EXPECT_EQ(form.imageList("ImageList1").count(), 0);
    EXPECT_EQ(form.listView("LstViewFields").itemCount(), 0);
    EXPECT_EQ(form.listView("LstViewFields").icons(), &form.imageList("ImageList1"));
    EXPECT_EQ(form.listBox("LstFields").listCount(), 0);
    EXPECT_TRUE(form.control("CmdSaveParam").enabled());
    EXPECT_EQ(form.windowState(), WindowState::Normal);

    // Handlers survive the unload, and the next load runs Load again.
    form.takeLog();
    form.textBox("TxtMaxValue").setText("9");  // works on the control without loading the form
    EXPECT_FALSE(form.isLoaded());
    form.setVisible(true);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.takeLog(), (std::vector<std::string>{"TxtMaxValue.Change", "Form.Load", "SSTab.GotFocus"}));
}

TEST_F(FormTest, ShowingFocusesTheFirstReachableControlAndSetFocusNeedsAShownControl) {
    EXPECT_EQ(errorNumberOf([&] { form.textBox("TxtMaxValue").setFocus(); }), 5);  // not shown yet
    form.show();
    EXPECT_EQ(form.activeControl(), &form.control("SSTab"));
    EXPECT_EQ(form.takeLog(), (std::vector<std::string>{"Form.Load", "SSTab.GotFocus"}));

    form.textBox("TxtMaxValue").setFocus();
    EXPECT_EQ(form.takeLog(), (std::vector<std::string>{"SSTab.LostFocus", "TxtMaxValue.GotFocus"}));
    form.textBox("TxtMaxValue").setFocus();
    EXPECT_TRUE(form.takeLog().empty());

    EXPECT_EQ(errorNumberOf([&] { form.textBox("TxtChartMarkerSize").setFocus(); }), 5);  // disabled
    form.frame("FrameChartPosition").setVisible(false);
    EXPECT_EQ(errorNumberOf([&] { form.optionButton("OpChartPosition", 0).setFocus(); }), 5);  // in a hidden frame
    EXPECT_EQ(errorNumberOf([&] { form.label("LblLayers").setFocus(); }), 5);
    EXPECT_TRUE(form.textBox("TxtMaxValue").hasFocus());
}

TEST_F(FormTest, DumpsEveryControlWithItsStateAndRows) {
    form.listBox("LstFields").setListArray(runtime::Variant(runtime::Array::fromList({"POP", "AREA"})));
    form.listBox("LstFields").setList(1, 1, "7");
    form.imageList("ImageList1").add("key7", nullptr);
    ListItem& row = form.listView("LstViewFields").addItem(0, "", "", "key7", "key7");
    row.setSubItem(1, "AREA");
    form.show();

    const nlohmann::json dump = form.toJson();
    EXPECT_EQ(dump["name"], "frmSample");
    EXPECT_EQ(dump["visible"], true);
    EXPECT_EQ(dump["activeControl"], "SSTab");
    const auto& controls = dump["controls"];
    auto find = [&](const std::string& name, int index = -1) {
        for (const auto& c : controls)
            if (c["name"] == name && c.value("index", -1) == index) return c;
        return nlohmann::json();
    };
    EXPECT_EQ(find("TxtMaxValue")["text"], "20");
    EXPECT_EQ(find("TxtMaxValue")["kind"], "TextBox");
    EXPECT_EQ(find("TxtChartMarkerSize")["enabled"], false);
    EXPECT_EQ(find("OpChartPosition", 1)["value"], true);
    EXPECT_EQ(find("ChkShowLeader")["caption"], "Show leader");
    EXPECT_EQ(find("LstFields")["rows"], nlohmann::json::parse(R"([["POP"], ["AREA", "7"]])"));
    EXPECT_EQ(find("LstViewFields")["items"][0]["subItems"][0], "AREA");
    EXPECT_EQ(find("LstViewFields")["items"][0]["icon"], "key7");
    EXPECT_EQ(find("ImageList1")["images"][0]["key"], "key7");
    EXPECT_EQ(find("SSTab")["pages"][1]["caption"], "Chart");
    EXPECT_EQ(find("CmbLanguage")["items"][0], "Русский");
}

TEST_F(FormTest, ShowModalReturnsOnceTheScriptedUserHidesTheForm) {
    form.commandButton("CmdCancel").onClick = [this] { form.hide(); };
    shell->onModal("FRMSAMPLE", [](Form& f) {
        Driver user(f);
        user.typeText("TxtMaxValue", "75");
        user.click("CmdCancel");
    });
    form.showModal();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.isModal());
    EXPECT_TRUE(form.isLoaded());
    EXPECT_EQ(form.textBox("TxtMaxValue").text(), "75");
    ASSERT_EQ(shell->transcript().size(), 1u);
    EXPECT_EQ(shell->transcript()[0].kind, "modal");
    EXPECT_EQ(shell->transcript()[0].answer, "hidden");

    // Without a script the form is hidden at once and the caller goes on.
    form.showModal();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(shell->transcript().back().answer, "hidden");

    // A form shown modelessly cannot also be shown modally.
    form.show();
    EXPECT_EQ(errorNumberOf([&] { form.showModal(); }), 400);
    form.hide();

    // A failing action still leaves the form hidden and reaches the caller.
    shell->onModal("frmSample", [](Form& f) { f.textBox("TxtMinValue").setText("2"); runtime::raise(91); });
    EXPECT_EQ(errorNumberOf([&] { form.showModal(); }), 91);
    EXPECT_EQ(shell->transcript().back().answer, "failed");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.isModal());
}

TEST_F(FormTest, PopupMenuOffersItsItemsThroughTheShellAndClicksTheChosenOne) {
    shell->choosePopupItem(1).choosePopupItem(-1);
    form.popupMenu("mnuChangeSymbol");
    EXPECT_EQ(form.takeLog(), std::vector<std::string>{"mnuSelectedElements.Click"});
    form.popupMenu("mnuChangeSymbol");  // dismissed
    EXPECT_TRUE(form.takeLog().empty());
    ASSERT_EQ(shell->transcript().size(), 2u);
    EXPECT_EQ(shell->transcript()[0].detail, "All Elements | SelectedElements");
    EXPECT_EQ(shell->transcript()[0].answer, "SelectedElements");

    // A disabled item is offered but does nothing when chosen.
    form.menu("mnuAllElements").setEnabled(false);
    shell->choosePopupItem(0);
    form.popupMenu("mnuChangeSymbol");
    EXPECT_TRUE(form.takeLog().empty());
}

TEST_F(FormTest, ObserversHearOfChangesFromCodeAndFromTheForm) {
    struct Recorder : FormObserver {
        std::vector<std::string> seen;
        void controlChanged(Control& c, std::string_view p) override { seen.push_back(c.displayName() + "." + std::string(p)); }
        void formChanged(Form&, std::string_view p) override { seen.push_back("form." + std::string(p)); }
    } recorder;
    form.addObserver(&recorder);
    form.load();
    form.textBox("TxtMaxValue").setText("3");
    form.textBox("TxtMaxValue").setText("3");
    form.optionButton("OpAllObjects", 1).setValue(true);
    form.removeObserver(&recorder);
    form.textBox("TxtMaxValue").setText("4");
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"form.Loaded", "TxtMaxValue.Text", "OpAllObjects(0).Value",
                                                       "OpAllObjects(1).Value"}));
}
