#include "plotlet/DialogActions.h"

#include <sstream>
#include <stdexcept>
#include <vector>

#include "runtime/Text.h"
#include "ui/Forms.h"

namespace plotlet::cli {

namespace {

using nlohmann::json;

bool parseSwitch(std::string_view value) {
    const std::string v = runtime::lowerCase(runtime::trim(value));
    if (v == "1" || v == "true" || v == "on" || v == "yes") return true;
    if (v == "0" || v == "false" || v == "off" || v == "no") return false;
    throw std::invalid_argument("\"" + std::string(value) + "\" is not on or off (use 1 or 0)");
}

int parseInt(std::string_view value) {
    const std::string v = runtime::trim(value);
    std::size_t used = 0;
    int number = 0;
    try {
        number = std::stoi(v, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (v.empty() || used != v.size()) throw std::invalid_argument("\"" + std::string(value) + "\" is not a whole number");
    return number;
}

std::string displayName(const ControlRef& ref) {
    return ref.index >= 0 ? ref.name + "(" + std::to_string(ref.index) + ")" : ref.name;
}

// The control named, or the array's members when an array is named without an index.
ui::Control& findControl(const ui::Form& form, const ControlRef& ref) {
    if (!form.hasControl(ref.name)) throw std::invalid_argument("the dialog has no control " + ref.name);
    if (ref.index < 0 && form.isControlArray(ref.name))
        throw std::invalid_argument(ref.name + " is a control array: name a member, as " + ref.name + "(0)");
    ui::Control* control = form.findControl(ref.name, ref.index);
    if (!control) throw std::invalid_argument("the dialog has no control " + displayName(ref));
    return *control;
}

bool selectListViewItems(ui::Driver& user, ui::ListView& list, std::string_view value) {
    std::vector<int> items;
    for (const std::string& part : runtime::split(value, ",")) {
        const std::string wanted = runtime::trim(part);
        int found = 0;
        for (int k = 1; k <= list.itemCount() && found == 0; ++k) {
            const ui::ListItem& item = list.item(k);
            if (item.text() == wanted) found = k;
            for (int s = 1; s < list.columnCount() && found == 0; ++s)
                if (item.subItem(s) == wanted) found = k;
        }
        if (found == 0 && !wanted.empty() && wanted.find_first_not_of("0123456789") == std::string::npos) found = parseInt(wanted);
        if (found == 0) throw ui::ActionRefused(list.displayName() + " has no item \"" + wanted + "\"");
        items.push_back(found);
    }
    bool ok = true;
    for (std::size_t i = 0; i < items.size(); ++i) ok = user.clickListViewItem(list.name(), items[i], i > 0) && ok;
    return ok;
}

bool selectListRows(ui::Driver& user, ui::ListBox& list, std::string_view value) {
    std::vector<int> rows;
    if (!runtime::trim(value).empty()) {
        for (const std::string& part : runtime::split(value, ",")) {
            const std::string wanted = runtime::trim(part);
            int found = -1;
            for (int r = 0; r < list.listCount() && found < 0; ++r)
                if (list.list(r, 0) == wanted) found = r;
            if (found < 0) throw ui::ActionRefused(list.displayName() + " has no row \"" + wanted + "\"");
            rows.push_back(found);
        }
    }
    return user.selectListRows(list.name(), rows, list.index());
}

bool stepSpinButton(ui::Driver& user, ui::SpinButton& spin, int target) {
    // As many presses as a patient person would make.
    constexpr int MaxPresses = 10000;
    for (int presses = 0; spin.value() != target; ++presses) {
        if (presses == MaxPresses)
            throw ui::ActionRefused(spin.displayName() + " does not reach " + std::to_string(target) + " within " +
                                    std::to_string(MaxPresses) + " steps");
        const int before = spin.value();
        const bool up = (target > before) == (spin.max() >= spin.min());
        if (!(up ? user.spinUp(spin.name(), spin.index()) : user.spinDown(spin.name(), spin.index()))) return false;
        if (spin.value() == before) throw ui::ActionRefused(spin.displayName() + " cannot reach " + std::to_string(target));
    }
    return true;
}

}  // namespace

ControlRef parseControlRef(std::string_view text) {
    const std::string t = runtime::trim(text);
    ControlRef ref;
    const std::size_t open = t.find('(');
    if (open == std::string::npos) {
        ref.name = t;
    } else {
        if (t.back() != ')') throw std::invalid_argument("\"" + t + "\" is not a control (Name or Name(index))");
        ref.name = t.substr(0, open);
        ref.index = parseInt(t.substr(open + 1, t.size() - open - 2));
        if (ref.index < 0) throw std::invalid_argument("\"" + t + "\": an index is 0 or more");
    }
    if (ref.name.empty()) throw std::invalid_argument("\"" + t + "\" names no control");
    return ref;
}

bool applySetting(ui::Form& form, std::string_view setting) {
    const std::size_t equals = setting.find('=');
    if (equals == std::string_view::npos) throw std::invalid_argument("\"" + std::string(setting) + "\" is not CONTROL=VALUE");
    ControlRef ref = parseControlRef(setting.substr(0, equals));
    const std::string_view value = setting.substr(equals + 1);
    ui::Driver user(form);

    // An option group named without an index: VALUE is the member to switch on.
    if (ref.index < 0 && form.isControlArray(ref.name)) {
        const ui::ControlArray group = form.controlArray(ref.name);
        const int member = parseInt(value);
        if (!group.contains(member)) throw ui::ActionRefused(ref.name + " has no member " + std::to_string(member));
        if (!group.item(member).is<ui::OptionButton>()) throw std::invalid_argument(ref.name + " is no group of option buttons");
        return user.chooseOption(ref.name, member);
    }

    ui::Control& control = findControl(form, ref);
    if (control.is<ui::TextBox>()) return user.typeText(ref.name, value, ref.index);
    if (control.is<ui::CheckBox>()) return user.setChecked(ref.name, parseSwitch(value), ref.index);
    if (auto* toggle = control.as<ui::ToggleButton>()) {
        return toggle->value() == parseSwitch(value) || user.pressToggle(ref.name, ref.index);
    }
    if (control.is<ui::OptionButton>()) {
        if (!parseSwitch(value)) throw std::invalid_argument("an option button is switched off by choosing another one");
        return user.chooseOption(ref.name, ref.index);
    }
    if (control.is<ui::ComboBox>()) return user.chooseComboText(ref.name, value, ref.index);
    if (auto* list = control.as<ui::ListBox>()) return selectListRows(user, *list, value);
    if (auto* view = control.as<ui::ListView>()) return selectListViewItems(user, *view, value);
    if (auto* spin = control.as<ui::SpinButton>()) return stepSpinButton(user, *spin, parseInt(value));
    if (control.is<ui::TabControl>()) return user.pickTab(ref.name, parseInt(value));
    throw std::invalid_argument(displayName(ref) + " (" + std::string(control.typeName()) + ") cannot be set; click it instead");
}

bool applyClick(ui::Form& form, std::string_view control) {
    const ControlRef ref = parseControlRef(control);
    ui::Control& target = findControl(form, ref);
    if (!target.is<ui::CommandButton>() && !target.is<ui::CheckBox>() && !target.is<ui::OptionButton>() &&
        !target.is<ui::ToggleButton>() && !target.is<ui::Menu>())
        throw std::invalid_argument(displayName(ref) + " (" + std::string(target.typeName()) + ") cannot be clicked; set it instead");
    return ui::Driver(form).click(ref.name, ref.index);
}

json dumpJson(const ui::Form& form) { return form.toJson(); }

std::string controlsText(const ui::Form& form) {
    std::ostringstream out;
    for (const ui::Control* control : form.controls()) {
        const json j = control->toJson();
        const std::string kind = j.value("kind", "");
        std::string what, value;
        if (kind == "TextBox") {
            what = "text";
            value = j.value("text", "");
        } else if (kind == "CheckBox") {
            what = "check box (1/0)";
            value = std::to_string(j.value("value", 0));
        } else if (kind == "ToggleButton") {
            what = "toggle (1/0)";
            value = j.value("value", false) ? "1" : "0";
        } else if (kind == "OptionButton") {
            what = "option (1 switches it on)";
            value = j.value("value", false) ? "1" : "0";
        } else if (kind == "ComboBox") {
            what = "choice of " + j.value("items", json::array()).dump();
            value = j.value("text", "");
        } else if (kind == "ListBox") {
            what = "list rows (names, comma-separated)";
            const json rows = j.value("rows", json::array());
            for (const json& index : j.value("selected", json::array())) {
                const int row = index.get<int>();
                if (row >= 0 && row < static_cast<int>(rows.size()))
                    value += (value.empty() ? "" : ",") + rows[static_cast<std::size_t>(row)][0].get<std::string>();
            }
        } else if (kind == "ListView") {
            what = "list items (numbers or texts, comma-separated)";
        } else if (kind == "SpinButton") {
            what = "whole number from " + std::to_string(j.value("min", 0)) + " to " + std::to_string(j.value("max", 0));
            value = std::to_string(j.value("value", 0));
        } else if (kind == "SSTab" || kind == "TabControl") {
            what = "page number";
            value = std::to_string(j.value("tab", 0));
        } else {
            continue;
        }
        out << control->displayName() << '=' << value << "  (" << what << ')';
        if (!control->enabled()) out << " disabled";
        if (!control->visible()) out << " hidden";
        out << '\n';
    }
    return out.str();
}

std::string dumpText(const ui::Form& form) {
    std::ostringstream out;
    out << "form " << form.name() << " caption=" << json(form.caption()).dump() << (form.isLoaded() ? "" : " unloaded")
        << (form.isVisible() ? "" : " hidden") << '\n';
    for (const ui::Control* control : form.controls()) {
        const json j = control->toJson();
        out << j["kind"].get<std::string>() << ' ' << control->displayName();
        for (const auto& [key, value] : j.items()) {
            if (key == "kind" || key == "name" || key == "index" || key == "enabled" || key == "visible") continue;
            out << ' ' << key << '=' << value.dump();
        }
        if (!control->enabled()) out << " disabled";
        if (!control->visible()) out << " hidden";
        out << '\n';
    }
    return out.str();
}

}  // namespace plotlet::cli
