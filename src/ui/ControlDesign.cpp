#include "ui/ControlDesign.h"

namespace ui {

std::string_view kindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return "Label";
    case ControlKind::Frame: return "Frame";
    case ControlKind::CommandButton: return "CommandButton";
    case ControlKind::CheckBox: return "CheckBox";
    case ControlKind::OptionButton: return "OptionButton";
    case ControlKind::ToggleButton: return "ToggleButton";
    case ControlKind::TextBox: return "TextBox";
    case ControlKind::ComboBox: return "ComboBox";
    case ControlKind::ListBox: return "ListBox";
    case ControlKind::ListView: return "ListView";
    case ControlKind::ImageList: return "ImageList";
    case ControlKind::SpinButton: return "SpinButton";
    case ControlKind::TabControl: return "SSTab";
    case ControlKind::Menu: return "Menu";
    case ControlKind::CommonDialog: return "CommonDialog";
    }
    return "Control";
}

std::string ControlDesign::displayName() const {
    return index < 0 ? name : name + "(" + std::to_string(index) + ")";
}

ControlBuilder::ControlBuilder(ControlKind kind, std::string name, int index) {
    design_.kind = kind;
    design_.name = std::move(name);
    design_.index = index;
}

ControlBuilder& ControlBuilder::in(std::string container, int tabPage) {
    design_.container = std::move(container);
    design_.tabPage = tabPage;
    return *this;
}

ControlBuilder& ControlBuilder::at(int left, int top, int width, int height) {
    design_.rect = {left, top, width, height};
    return *this;
}

ControlBuilder& ControlBuilder::caption(std::string text) {
    design_.caption = std::move(text);
    return *this;
}

ControlBuilder& ControlBuilder::text(std::string text) { return caption(std::move(text)); }

ControlBuilder& ControlBuilder::tip(std::string toolTip) {
    design_.toolTip = std::move(toolTip);
    return *this;
}

ControlBuilder& ControlBuilder::disabled() {
    design_.enabled = false;
    return *this;
}

ControlBuilder& ControlBuilder::hidden() {
    design_.visible = false;
    return *this;
}

ControlBuilder& ControlBuilder::value(int value) {
    design_.value = value;
    return *this;
}

ControlBuilder& ControlBuilder::items(std::vector<std::string> rows) {
    design_.items = std::move(rows);
    return *this;
}

ControlBuilder& ControlBuilder::columnCount(int columns) {
    design_.columnCount = columns;
    return *this;
}

ControlBuilder& ControlBuilder::multiSelect(int mode) {
    design_.multiSelect = mode;
    return *this;
}

ControlBuilder& ControlBuilder::dropDownList() {
    design_.style = 2;
    return *this;
}

ControlBuilder& ControlBuilder::locked() {
    design_.locked = true;
    return *this;
}

ControlBuilder& ControlBuilder::bounds(int min, int max, int smallChange) {
    design_.min = min;
    design_.max = max;
    design_.smallChange = smallChange;
    return *this;
}

ControlBuilder& ControlBuilder::pages(std::vector<std::string> captions) {
    design_.tabs = static_cast<int>(captions.size());
    design_.tabCaptions = std::move(captions);
    return *this;
}

ControlBuilder& ControlBuilder::headers(std::vector<ColumnDesign> columns) {
    design_.columns = std::move(columns);
    return *this;
}

ControlBuilder& ControlBuilder::imageLists(std::string icons, std::string smallIcons) {
    design_.icons = std::move(icons);
    design_.smallIcons = std::move(smallIcons);
    return *this;
}

ControlBuilder& ControlBuilder::imageSize(int width, int height) {
    design_.imageWidth = width;
    design_.imageHeight = height;
    return *this;
}

ControlBuilder& ControlBuilder::group(std::string group) {
    design_.group = std::move(group);
    return *this;
}

ControlBuilder& ControlBuilder::picture(runtime::ObjectPtr picture) {
    design_.picture = std::move(picture);
    return *this;
}

ControlBuilder label(std::string name, int index) { return {ControlKind::Label, std::move(name), index}; }
ControlBuilder frame(std::string name, int index) { return {ControlKind::Frame, std::move(name), index}; }
ControlBuilder commandButton(std::string name, int index) {
    return {ControlKind::CommandButton, std::move(name), index};
}
ControlBuilder checkBox(std::string name, int index) { return {ControlKind::CheckBox, std::move(name), index}; }
ControlBuilder optionButton(std::string name, int index) {
    return {ControlKind::OptionButton, std::move(name), index};
}
ControlBuilder toggleButton(std::string name, int index) {
    return {ControlKind::ToggleButton, std::move(name), index};
}
ControlBuilder textBox(std::string name, int index) { return {ControlKind::TextBox, std::move(name), index}; }
ControlBuilder comboBox(std::string name, int index) { return {ControlKind::ComboBox, std::move(name), index}; }
ControlBuilder listBox(std::string name, int index) { return {ControlKind::ListBox, std::move(name), index}; }
ControlBuilder listView(std::string name, int index) { return {ControlKind::ListView, std::move(name), index}; }
ControlBuilder imageList(std::string name) { return {ControlKind::ImageList, std::move(name), -1}; }
ControlBuilder spinButton(std::string name, int index) {
    return {ControlKind::SpinButton, std::move(name), index};
}
ControlBuilder tabControl(std::string name) { return {ControlKind::TabControl, std::move(name), -1}; }
ControlBuilder menu(std::string name, int index) { return {ControlKind::Menu, std::move(name), index}; }
ControlBuilder commonDialog(std::string name) { return {ControlKind::CommonDialog, std::move(name), -1}; }

}  // namespace ui
