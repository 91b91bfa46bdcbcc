#pragma once
// A small form with one or more controls of every kind, laid out on three tab pages like the
// main dialog, for the forms runtime's tests. Every event it has is logged as "Control.Event".
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "ui/Forms.h"
#include "ui/HeadlessShell.h"
#include "support/RuntimeErrors.h"

namespace uitest {

inline std::vector<ui::ControlDesign> sampleTable() {
    using namespace ui;
    std::vector<ControlDesign> table = {
        tabControl("SSTab").at(4, 4, 392, 292).pages({"Main", "Chart", "Tools"}),
        // Page 0: layer, features, field lists.
        label("LblLayers").in("SSTab", 0).at(8, 30, 60, 18).caption("Layer"),
        comboBox("CmbLayers").in("SSTab", 0).at(72, 30, 150, 20).items({"Towns", "Rivers", "Lakes"}),
        comboBox("CmbLanguage").in("SSTab", 0).at(230, 30, 150, 20).dropDownList().items({"Русский", "English"}),
        frame("Frame7").in("SSTab", 0).at(8, 56, 180, 44).caption("Features"),
        optionButton("OpAllObjects", 0).in("Frame7").at(8, 18, 70, 18).caption("all").value(1),
        optionButton("OpAllObjects", 1).in("Frame7").at(90, 18, 80, 18).caption("selected"),
        listBox("LstFields").in("SSTab", 0).at(8, 110, 150, 140).columnCount(2).multiSelect(ListBox::ExtendedSelect),
        commandButton("CmdFieldsTo").in("SSTab", 0).at(164, 150, 30, 22).caption(">"),
        listView("LstViewFields")
            .in("SSTab", 0)
            .at(200, 110, 184, 140)
            .multiSelect()
            .headers({{"", "Symbol", 40}, {"Fields", "Fields", 80}, {"FieldsID", "", 0}, {"FieldsOld", "Legend fields", 60},
                      {"FIDOld", "", 0}, {"SymbolID", "", 0}})
            .imageLists("ImageList1", "ImageList1"),
        // Page 1: scale and placement.
        textBox("TxtMaxValue").in("SSTab", 1).at(8, 30, 60, 20).text("20"),
        textBox("TxtMinValue").in("SSTab", 1).at(8, 56, 60, 20).text("0.1"),
        textBox("TxtChartMarkerSize").in("SSTab", 1).at(8, 82, 60, 20).text("48").disabled(),
        spinButton("SpinBtnChartSize").in("SSTab", 1).at(70, 82, 16, 20).bounds(1, 999999999).value(48).disabled(),
        toggleButton("TglBtnLockMin").in("SSTab", 1).at(90, 82, 24, 20).tip("Lock scale").value(1),
        checkBox("ChkShowLeader").in("SSTab", 1).at(8, 110, 120, 18).caption("Show leader").value(1),
        frame("FrameChartPosition").in("SSTab", 1).at(140, 30, 240, 110).caption("placement about marker"),
        optionButton("OpChartPosition", 0).in("FrameChartPosition").at(8, 20, 100, 18).caption("Center"),
        optionButton("OpChartPosition", 1).in("FrameChartPosition").at(8, 40, 100, 18).caption("E (right)").value(1),
        optionButton("OpChartPosition", 2).in("FrameChartPosition").at(8, 60, 100, 18).caption("NE"),
        optionButton("OpChartPosition", 5).in("FrameChartPosition").at(120, 20, 110, 18).caption("Old placement"),
        optionButton("OpCreateDiagr", 0).in("SSTab", 1).at(8, 150, 80, 18).caption("New").value(1),
        optionButton("OpCreateDiagr", 1).in("SSTab", 1).at(90, 150, 80, 18).caption("Recreate"),
        // Page 2: tools.
        commandButton("CmdSaveParam").in("SSTab", 2).at(8, 30, 24, 24).tip("Save parameters"),
        textBox("TxtFontName").in("SSTab", 2).at(40, 30, 100, 20).text("Arial Narrow"),
        textBox("TxtFontSize").in("SSTab", 2).at(144, 30, 30, 20).text("6"),
        // On the form itself.
        commandButton("CmdOK", 0).at(144, 300, 80, 24).caption("OK"),
        commandButton("CmdOK", 1).at(230, 300, 80, 24).caption("Recreate"),
        commandButton("CmdCancel").at(316, 300, 80, 24).caption("Hide"),
        imageList("ImageList1"),
        commonDialog("CommonDialog1"),
        menu("mnuChangeSymbol").caption("Change symbol").hidden(),
        menu("mnuAllElements").in("mnuChangeSymbol").caption("All Elements"),
        menu("mnuSelectedElements").in("mnuChangeSymbol").caption("SelectedElements"),
    };
    return table;
}

class SampleForm : public ui::Form {
public:
    SampleForm() : Form("frmSample", "Create charts", 400, 330, sampleTable()) {
        onLoad = [this] { log.push_back("Form.Load"); };
        onUnload = [this] { log.push_back("Form.Unload"); };
        for (ui::Control* control : controls()) {
            const std::string name = control->displayName();
            control->onGotFocus = [this, name] { log.push_back(name + ".GotFocus"); };
            control->onLostFocus = [this, name] { log.push_back(name + ".LostFocus"); };
            if (auto* c = control->as<ui::TextBox>()) c->onChange = [this, name] { log.push_back(name + ".Change"); };
            if (auto* c = control->as<ui::CheckBox>()) c->onClick = [this, name] { log.push_back(name + ".Click"); };
            if (auto* c = control->as<ui::ToggleButton>()) c->onClick = [this, name] { log.push_back(name + ".Click"); };
            if (auto* c = control->as<ui::CommandButton>()) c->onClick = [this, name] { log.push_back(name + ".Click"); };
            if (auto* c = control->as<ui::OptionButton>()) c->onClick = [this, name] { log.push_back(name + ".Click"); };
            if (auto* c = control->as<ui::Menu>()) c->onClick = [this, name] { log.push_back(name + ".Click"); };
            if (auto* c = control->as<ui::SpinButton>()) c->onChange = [this, name] { log.push_back(name + ".Change"); };
            if (auto* c = control->as<ui::TabControl>())
                c->onClick = [this, name](int previous) { log.push_back(name + ".Click(" + std::to_string(previous) + ")"); };
            if (auto* c = control->as<ui::ComboBox>()) {
                c->onChange = [this, name] { log.push_back(name + ".Change"); };
                c->onClick = [this, name] { log.push_back(name + ".Click"); };
            }
            if (auto* c = control->as<ui::ListBox>()) {
                c->onChange = [this, name] { log.push_back(name + ".Change"); };
                c->onClick = [this, name] { log.push_back(name + ".Click"); };
                c->onDblClick = [this, name] { log.push_back(name + ".DblClick"); };
            }
            if (auto* c = control->as<ui::ListView>()) {
                c->onItemClick = [this, name](ui::ListItem& item) { log.push_back(name + ".ItemClick(" + std::to_string(item.index()) + ")"); };
                c->onDblClick = [this, name] { log.push_back(name + ".DblClick"); };
                c->onColumnClick = [this, name](ui::ColumnHeader& h) { log.push_back(name + ".ColumnClick(" + std::to_string(h.index()) + ")"); };
                c->onMouseUp = [this, name](int button, int, float, float) { log.push_back(name + ".MouseUp(" + std::to_string(button) + ")"); };
            }
        }
    }

    // The events logged since the last call.
    std::vector<std::string> takeLog() { return std::exchange(log, {}); }

    std::vector<std::string> log;
};

// Installs a fresh HeadlessShell for each test and restores the previous shell and error
// reporter afterwards.
class WithHeadlessShell {
public:
    WithHeadlessShell() : shell(std::make_shared<ui::HeadlessShell>()), scope_(shell) {}
    ~WithHeadlessShell() { ui::Driver::setErrorReporter({}); }

    std::shared_ptr<ui::HeadlessShell> shell;

private:
    ui::ShellScope scope_;
};

using testing_support::errorNumberOf;

}  // namespace uitest
