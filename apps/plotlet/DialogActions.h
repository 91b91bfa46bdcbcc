#pragma once
// What `plotlet dialog` does to a form: the user actions named on the command line, performed
// through ui::Driver so that exactly the handlers a person would fire run, and the dump of
// every control.
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace ui {
class Form;
}

namespace plotlet::cli {

// A control named as "Name" or "Name(3)" (a member of a control array).
struct ControlRef {
    std::string name;
    int index = -1;
};

// Throws std::invalid_argument for text that is not a control reference.
ControlRef parseControlRef(std::string_view text);

// --set CONTROL=VALUE as a person would do it:
//   text box        types VALUE and leaves the box;
//   check box       ticks (1, true, on, yes) or clears (0, false, off, no) it;
//   toggle button   presses it when its state differs from VALUE (as for a check box);
//   combo box       chooses the row showing VALUE;
//   option array    "Name=5" switches on member 5; "Name(5)=1" does the same;
//   list box        selects the rows whose first column is one of the comma-separated VALUE;
//   list view       selects the items (1-based numbers or texts of any column, comma-separated);
//   spin button     steps it with its arrows up to VALUE;
//   tab control     shows page VALUE.
// Throws std::invalid_argument for a bad value or a control that cannot be set, and
// ui::ActionRefused for what a person could not do (a disabled control, a missing row).
// Returns false when a handler failed (it was reported through the form's error reporter).
bool applySetting(ui::Form& form, std::string_view setting);

// --click CONTROL: a button, check box, option button, toggle or menu item.
bool applyClick(ui::Form& form, std::string_view control);

// One line per control: kind, name (with index), then its caption, text or value and its
// kind's state, and "disabled" / "hidden" when it is so.
std::string dumpText(const ui::Form& form);

// Every control --set can give a value, one per line: the --set name, its kind, its current
// value in the form --set takes, and "disabled" when a person could not set it now.
std::string controlsText(const ui::Form& form);
nlohmann::json dumpJson(const ui::Form& form);

}  // namespace plotlet::cli
