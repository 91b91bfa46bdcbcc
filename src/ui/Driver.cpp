#include "ui/Driver.h"

#include "runtime/Error.h"
#include "runtime/HookSlot.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/Form.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"
#include "ui/Menu.h"
#include "ui/OptionButton.h"
#include "ui/Shell.h"
#include "ui/SpinButton.h"
#include "ui/TabControl.h"
#include "ui/TextBox.h"
#include "ui/ToggleButton.h"

namespace ui {

namespace {

runtime::HookSlot<Driver::ErrorReporter>& installedReporter() {
    static runtime::HookSlot<Driver::ErrorReporter> slot;
    return slot;
}

// Where a pointer is over item `item` of a list view: rows of 16 pixels under a 20-pixel header.
float itemY(int item) { return 20.0f + 16.0f * static_cast<float>(item - 1) + 8.0f; }

}  // namespace

void Driver::setErrorReporter(ErrorReporter reporter) { installedReporter().set(std::move(reporter)); }

void Driver::reportError(const std::exception& error) {
    if (const ErrorReporter reporter = installedReporter().get()) {
        reporter(error);
        return;
    }
    const auto* runtimeError = dynamic_cast<const runtime::Error*>(&error);
    msgBox(runtimeError ? runtimeError->description() : std::string(error.what()), mb::OKOnly + mb::Critical);
}

bool Driver::perform(const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        reportError(error);
    } catch (...) {
        reportError(std::runtime_error("Unknown error"));
    }
    return false;
}

void Driver::requireFormShown() const {
    if (!form_.isVisible() || !form_.enabled()) throw ActionRefused("form " + form_.name() + " is not shown");
}

template <class T>
T& Driver::reachable(std::string_view name, int index) const {
    Control& control = form_.control(name, index);
    T* typed = control.as<T>();
    if (!typed)
        throw ActionRefused(control.displayName() + " is a " + std::string(control.typeName()) + ", which this action does not apply to");
    requireFormShown();
    if (!control.isUsable()) throw ActionRefused(control.displayName() + " is disabled or hidden");
    return *typed;
}

void Driver::moveFocusTo(Control& control) {
    if (control.canTakeFocus()) form_.moveFocus(&control);
}

bool Driver::click(std::string_view name, int index) {
    Control& control = reachable<Control>(name, index);
    return perform([&] {
        moveFocusTo(control);
        if (auto* button = control.as<CommandButton>()) button->onClick.fire();
        else if (auto* check = control.as<CheckBox>()) check->setValue(check->checked() ? CheckBox::Unchecked : CheckBox::Checked);
        else if (auto* option = control.as<OptionButton>()) option->setValue(true);
        else if (auto* toggle = control.as<ToggleButton>()) toggle->setValue(!toggle->value());
        else if (auto* item = control.as<Menu>()) item->onClick.fire();
    });
}

bool Driver::focus(std::string_view name, int index) {
    Control& control = reachable<Control>(name, index);
    if (!control.canTakeFocus()) throw ActionRefused(control.displayName() + " cannot take the focus");
    return perform([&] { moveFocusTo(control); });
}

bool Driver::pressTab() {
    requireFormShown();
    const auto controls = form_.controls();
    std::size_t start = 0;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i] == form_.activeControl()) start = i + 1;
    Control* next = nullptr;
    for (std::size_t step = 0; step < controls.size() && !next; ++step) {
        Control* candidate = controls[(start + step) % controls.size()];
        if (candidate->canTakeFocus() && candidate->isUsable()) next = candidate;
    }
    // With no other control to go to, the focus leaves the only one there is.
    if (next == form_.activeControl()) next = nullptr;
    return perform([&] { form_.moveFocus(next); });
}

bool Driver::enterText(std::string_view name, std::string_view text, int index) {
    TextBox& box = reachable<TextBox>(name, index);
    if (box.locked()) throw ActionRefused(box.displayName() + " is locked");
    return perform([&] {
        moveFocusTo(box);
        box.setText(std::string(text));
    });
}

bool Driver::typeText(std::string_view name, std::string_view text, int index) {
    return enterText(name, text, index) && pressTab();
}

bool Driver::setChecked(std::string_view name, bool checked, int index) {
    CheckBox& check = reachable<CheckBox>(name, index);
    return perform([&] {
        moveFocusTo(check);
        check.setValue(checked ? CheckBox::Checked : CheckBox::Unchecked);
    });
}

bool Driver::chooseOption(std::string_view name, int index) {
    OptionButton& option = reachable<OptionButton>(name, index);
    return perform([&] {
        moveFocusTo(option);
        option.setValue(true);
    });
}

bool Driver::pressToggle(std::string_view name, int index) {
    ToggleButton& toggle = reachable<ToggleButton>(name, index);
    return perform([&] {
        moveFocusTo(toggle);
        toggle.setValue(!toggle.value());
    });
}

bool Driver::chooseComboRow(std::string_view name, int row, int index) {
    ComboBox& combo = reachable<ComboBox>(name, index);
    if (row < 0 || row >= combo.listCount()) throw ActionRefused(combo.displayName() + " has no row " + std::to_string(row));
    return perform([&] {
        moveFocusTo(combo);
        combo.setListIndex(row);
    });
}

bool Driver::chooseComboText(std::string_view name, std::string_view text, int index) {
    ComboBox& combo = reachable<ComboBox>(name, index);
    const int row = combo.findRow(text);
    if (row < 0) throw ActionRefused(combo.displayName() + " has no row \"" + std::string(text) + "\"");
    return chooseComboRow(name, row, index);
}

bool Driver::clickListRow(std::string_view name, int row, bool ctrl, int index) {
    ListBox& list = reachable<ListBox>(name, index);
    if (row < 0 || row >= list.listCount()) throw ActionRefused(list.displayName() + " has no row " + std::to_string(row));
    return perform([&] {
        moveFocusTo(list);
        if (list.multiSelect() == ListBox::MultiSelect || (list.multiSelect() == ListBox::ExtendedSelect && ctrl)) {
            list.setSelected(row, !list.selected(row));
        } else if (list.multiSelect() == ListBox::ExtendedSelect) {
            list.setSelection({row});
        }
        list.setListIndex(row);
    });
}

bool Driver::selectListRows(std::string_view name, const std::vector<int>& rows, int index) {
    ListBox& list = reachable<ListBox>(name, index);
    for (int row : rows)
        if (row < 0 || row >= list.listCount()) throw ActionRefused(list.displayName() + " has no row " + std::to_string(row));
    if (list.multiSelect() == ListBox::SingleSelect && rows.size() > 1)
        throw ActionRefused(list.displayName() + " selects one row only");
    return perform([&] {
        moveFocusTo(list);
        list.setSelection(rows);
        if (!rows.empty()) list.setListIndex(rows.back());
    });
}

bool Driver::doubleClickListRow(std::string_view name, int row, int index) {
    ListBox& list = reachable<ListBox>(name, index);
    if (row < 0 || row >= list.listCount()) throw ActionRefused(list.displayName() + " has no row " + std::to_string(row));
    return perform([&] {
        moveFocusTo(list);
        if (list.multiSelect() == ListBox::SingleSelect) list.setListIndex(row);
        else if (list.multiSelect() == ListBox::ExtendedSelect) list.setSelection({row});
        else list.setSelected(row, true);
        list.setListIndex(row);
        list.onDblClick.fire();
    });
}

bool Driver::spinUp(std::string_view name, int index) {
    SpinButton& spin = reachable<SpinButton>(name, index);
    return perform([&] {
        moveFocusTo(spin);
        spin.spinUp();
    });
}

bool Driver::spinDown(std::string_view name, int index) {
    SpinButton& spin = reachable<SpinButton>(name, index);
    return perform([&] {
        moveFocusTo(spin);
        spin.spinDown();
    });
}

bool Driver::pickTab(std::string_view name, int tab) {
    TabControl& tabs = reachable<TabControl>(name, -1);
    if (tab < 0 || tab >= tabs.tabs()) throw ActionRefused(tabs.displayName() + " has no tab " + std::to_string(tab));
    return perform([&] {
        moveFocusTo(tabs);
        tabs.setTab(tab);
    });
}

bool Driver::clickListViewItem(std::string_view name, int item, bool ctrl) {
    ListView& view = reachable<ListView>(name, -1);
    if (item < 1 || item > view.itemCount()) throw ActionRefused(view.displayName() + " has no item " + std::to_string(item));
    return perform([&] {
        moveFocusTo(view);
        ListItem& clicked = view.item(item);
        if (ctrl && view.multiSelect()) {
            clicked.setSelected(!clicked.selected());
        } else {
            for (int i = 1; i <= view.itemCount(); ++i) view.item(i).setSelected(false);
            clicked.setSelected(true);
        }
        view.onItemClick.fire(clicked);
        view.onMouseUp.fire(1, ctrl ? 2 : 0, 8.0f, itemY(item));
    });
}

bool Driver::doubleClickListViewItem(std::string_view name, int item) {
    if (!clickListViewItem(name, item)) return false;
    ListView& view = reachable<ListView>(name, -1);
    return perform([&] { view.onDblClick.fire(); });
}

bool Driver::rightClickListViewItem(std::string_view name, int item) {
    ListView& view = reachable<ListView>(name, -1);
    if (item < 1 || item > view.itemCount()) throw ActionRefused(view.displayName() + " has no item " + std::to_string(item));
    return perform([&] {
        moveFocusTo(view);
        ListItem& clicked = view.item(item);
        if (!clicked.selected()) {
            for (int i = 1; i <= view.itemCount(); ++i) view.item(i).setSelected(false);
            clicked.setSelected(true);
        }
        view.onMouseUp.fire(2, 0, 8.0f, itemY(item));
    });
}

bool Driver::rightClickListView(std::string_view name) {
    ListView& view = reachable<ListView>(name, -1);
    return perform([&] {
        moveFocusTo(view);
        view.onMouseUp.fire(2, 0, 8.0f, itemY(view.itemCount() + 1));
    });
}

bool Driver::clickColumnHeader(std::string_view name, int column) {
    ListView& view = reachable<ListView>(name, -1);
    if (column < 1 || column > view.columnCount())
        throw ActionRefused(view.displayName() + " has no column " + std::to_string(column));
    return perform([&] {
        moveFocusTo(view);
        view.onColumnClick.fire(view.column(column));
    });
}

bool Driver::close() {
    requireFormShown();
    return perform([&] { form_.unload(); });
}

}  // namespace ui
