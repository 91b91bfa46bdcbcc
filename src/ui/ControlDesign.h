#pragma once
// A form's controls are declared as a table of ControlDesign rows: the design-time description of
// each control (kind, name, array index, container, position, design caption and the values
// the kind needs). Form builds its controls from the table and returns them to these values
// when it unloads.
//
//   std::vector<ui::ControlDesign> table = {
//       ui::frame("Frame1").at(8, 8, 200, 120).caption("Scale"),
//       ui::textBox("TxtMaxValue").in("Frame1").at(8, 20, 60, 20).text("20"),
//       ui::optionButton("OpAllObjects", 0).in("SSTab", 0).at(8, 40, 80, 18).caption("all"),
//       ui::spinButton("SpinBtnChartSize").at(70, 20, 16, 20).bounds(1, 999999999).value(48),
//   };
//
// Positions and sizes are pixels relative to the container's top-left corner. Build tables in a
// free function: inside a class derived from Form the typed accessors (textBox(), label(), ...)
// hide these starters.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Object.h"

namespace ui {

enum class ControlKind {
    Label,
    Frame,
    CommandButton,
    CheckBox,
    OptionButton,
    ToggleButton,
    TextBox,
    ComboBox,
    ListBox,
    ListView,
    ImageList,
    SpinButton,
    TabControl,
    Menu,
    CommonDialog,
};

// The runtime's type name of a kind ("TextBox", "SSTab" for the tab control, ...).
std::string_view kindName(ControlKind kind);

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct ColumnDesign {
    std::string key;
    std::string text;
    int width = 60;
};

struct ControlDesign {
    ControlKind kind = ControlKind::Label;
    std::string name;
    int index = -1;          // member of a control array when >= 0
    std::string container;   // a frame, the tab control or (menu items) the parent menu; "" = the form
    int tabPage = -1;        // the page of the tab control the control lies on
    Rect rect;
    std::string caption;     // design caption, or the design text of a text box / combo box
    std::string toolTip;
    bool enabled = true;
    bool visible = true;

    // Per-kind design values; each kind reads the ones it documents.
    int value = 0;                    // check box 0/1/2, option/toggle 0/1, spin value, tab shown
    std::vector<std::string> items;   // combo box and list box rows (column 0)
    int columnCount = 1;              // list box
    int multiSelect = 0;              // list box 0 single, 1 multi, 2 extended; list view 0/1
    int style = 0;                    // combo box 0 drop-down combo, 2 drop-down list
    bool locked = false;              // text box
    int min = 0, max = 100, smallChange = 1;  // spin button
    int tabs = 3;                     // tab control
    std::vector<std::string> tabCaptions;
    std::vector<ColumnDesign> columns;  // list view column headers
    std::string icons, smallIcons;    // list view: names of the image lists bound at design time
    int imageWidth = 16, imageHeight = 16;  // image list
    std::string group;                // option buttons: explicit group, else grouped by container
    runtime::ObjectPtr picture;       // command / toggle button

    // "Name" or "Name(3)" for messages.
    std::string displayName() const;
};

// Builds one table row with chained setters, so a table reads as a list of declarations; it
// converts to the ControlDesign it built.
class ControlBuilder {
public:
    ControlBuilder(ControlKind kind, std::string name, int index);

    ControlBuilder& in(std::string container, int tabPage = -1);
    ControlBuilder& at(int left, int top, int width, int height);
    ControlBuilder& caption(std::string text);
    ControlBuilder& text(std::string text);  // the same design text, named for text and combo boxes
    ControlBuilder& tip(std::string toolTip);
    ControlBuilder& disabled();
    ControlBuilder& hidden();
    ControlBuilder& value(int value);
    ControlBuilder& items(std::vector<std::string> rows);
    ControlBuilder& columnCount(int columns);
    ControlBuilder& multiSelect(int mode = 1);
    ControlBuilder& dropDownList();
    ControlBuilder& locked();
    ControlBuilder& bounds(int min, int max, int smallChange = 1);
    ControlBuilder& pages(std::vector<std::string> captions);  // also sets the tab count
    ControlBuilder& headers(std::vector<ColumnDesign> columns);
    ControlBuilder& imageLists(std::string icons, std::string smallIcons);
    ControlBuilder& imageSize(int width, int height);
    ControlBuilder& group(std::string group);
    ControlBuilder& picture(runtime::ObjectPtr picture);

    operator ControlDesign() const { return design_; }
    const ControlDesign& design() const { return design_; }

private:
    ControlDesign design_;
};

// One starter per kind: `ui::textBox("TxtMaxValue").at(...)`. `index` >= 0 makes the control a
// member of the control array `name`.
ControlBuilder label(std::string name, int index = -1);
ControlBuilder frame(std::string name, int index = -1);
ControlBuilder commandButton(std::string name, int index = -1);
ControlBuilder checkBox(std::string name, int index = -1);
ControlBuilder optionButton(std::string name, int index = -1);
ControlBuilder toggleButton(std::string name, int index = -1);
ControlBuilder textBox(std::string name, int index = -1);
ControlBuilder comboBox(std::string name, int index = -1);
ControlBuilder listBox(std::string name, int index = -1);
ControlBuilder listView(std::string name, int index = -1);
ControlBuilder imageList(std::string name);
ControlBuilder spinButton(std::string name, int index = -1);
ControlBuilder tabControl(std::string name);
// A menu; its items are menus whose container is the parent menu's name.
ControlBuilder menu(std::string name, int index = -1);
ControlBuilder commonDialog(std::string name);

}  // namespace ui
