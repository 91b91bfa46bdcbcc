#pragma once
// Performs user actions on a form the way a person does them, firing exactly the handlers a
// user would: clicking a button first moves the focus to it (so a text box being left gets
// LostFocus before the button's Click), typing into a text box focuses it, changes its text
// and leaves it, and so on. The command-line host, the tests and the desktop host's scripted
// demos drive forms through it.
//
//   ui::Driver user(form);
//   user.typeText("TxtMaxValue", "120");   // GotFocus, Change, LostFocus (focus moves on)
//   user.chooseOption("OpChartPosition", 5);
//   user.click("CmdOK", 0);
//
// An action on something a person could not reach (a disabled or invisible control or
// container, a hidden form, typing into a locked box, a row that does not exist) is refused with
// ActionRefused before any handler runs. Errors escaping a handler during an action are caught
// and handed to the unhandled-error reporter (by default a critical message box with the
// description), so the form and the process keep running; the action then returns false.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class Control;
class Form;

class ActionRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Driver {
public:
    explicit Driver(Form& form) : form_(form) {}

    Form& form() const { return form_; }

    // Clicks a command button, check box (toggles it), option button (switches it on), toggle
    // button (flips it) or menu item, after moving the focus to it.
    bool click(std::string_view name, int index = -1);
    // Moves the focus to the control, as clicking into it does.
    bool focus(std::string_view name, int index = -1);
    // Tab key: the focus moves to the next control in table order that can take it.
    bool pressTab();

    // Focuses the text box, replaces its text (Change) and leaves it with Tab (LostFocus).
    bool typeText(std::string_view name, std::string_view text, int index = -1);
    // The same without leaving the box.
    bool enterText(std::string_view name, std::string_view text, int index = -1);

    bool setChecked(std::string_view name, bool checked, int index = -1);
    bool chooseOption(std::string_view name, int index = -1);
    bool pressToggle(std::string_view name, int index = -1);

    bool chooseComboRow(std::string_view name, int row, int index = -1);
    // Chooses the row showing this text (compared without regard to case).
    bool chooseComboText(std::string_view name, std::string_view text, int index = -1);

    // A click on a list-box row: in single selection it selects the row; in multi selection it
    // toggles the row; in extended selection it selects only that row, or toggles it with Ctrl.
    bool clickListRow(std::string_view name, int row, bool ctrl = false, int index = -1);
    // Makes exactly these rows selected, clicking (with Ctrl where the mode needs it) as a person
    // would; in single selection only one row may be given.
    bool selectListRows(std::string_view name, const std::vector<int>& rows, int index = -1);
    bool doubleClickListRow(std::string_view name, int row, int index = -1);

    bool spinUp(std::string_view name, int index = -1);
    bool spinDown(std::string_view name, int index = -1);
    bool pickTab(std::string_view name, int tab);

    // List view items are 1-based. A click selects the item (alone, unless Ctrl in a
    // multi-selection list) and fires ItemClick, then MouseUp.
    bool clickListViewItem(std::string_view name, int item, bool ctrl = false);
    bool doubleClickListViewItem(std::string_view name, int item);
    // Selects the item, fires ItemClick and MouseUp with the right button.
    bool rightClickListViewItem(std::string_view name, int item);
    // The right button released over the list where there is no item.
    bool rightClickListView(std::string_view name);
    bool clickColumnHeader(std::string_view name, int column);

    // The window's close box: unloads the form.
    bool close();

    // What happens to an error that escapes a handler during a user action.
    using ErrorReporter = std::function<void(const std::exception&)>;
    static void setErrorReporter(ErrorReporter reporter);  // empty: back to the message box
    static void reportError(const std::exception& error);

private:
    template <class T>
    T& reachable(std::string_view name, int index) const;
    void requireFormShown() const;
    void moveFocusTo(Control& control);
    // Runs the handlers of an action; false when one of them failed (already reported).
    bool perform(const std::function<void()>& action);

    Form& form_;
};

}  // namespace ui
