#pragma once
// A form: a window of controls declared as a table (see ControlDesign.h), with its lifecycle
// (load, show modeless or modal, hide, unload), its focus, and lookup of its controls by name.
// Dialogs derive from Form, pass their table to the constructor and attach their handlers:
//
//   class FrmDemo : public ui::Form {
//   public:
//       FrmDemo() : Form("FrmDemo", "Demo", 320, 200, demoTable()) {
//           onLoad = [this] { textBox("TxtMaxValue").setText("8"); };
//           textBox("TxtMaxValue").onLostFocus = [this] { recompute(); };
//           controlArray("OpChartPosition").onClick([this](int index) { placementChosen(index); });
//       }
//   };
//
// Tables are best built in a free function: inside the class, the typed accessors below
// (textBox(), label(), ...) hide the table starters of ControlDesign.h.
//
// The form owns its controls; references to them stay valid for the form's life, across
// unloads. Unloading returns every control to its design values; handlers stay attached.
// Only load() and show() load a form: setting a control of a form that is not loaded works on
// the control and fires its events, but does not load the form.
//
// Name lookups ignore case, as the original runtime did. An unknown name raises runtime error
// 730 "Control 'X' not found", a control array named without an index error 450, an index on a
// name that is no array error 343, a missing array member error 340 and a typed accessor of the
// wrong kind error 13.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "runtime/Variant.h"
#include "ui/Control.h"
#include "ui/ControlArray.h"
#include "ui/ControlDesign.h"
#include "ui/Event.h"

namespace ui {

class Label;
class Frame;
class CommandButton;
class CheckBox;
class OptionButton;
class ToggleButton;
class TextBox;
class ComboBox;
class ListBox;
class ListView;
class ImageList;
class SpinButton;
class TabControl;
class Menu;
class CommonDialog;

enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };

// Told of every change of a form and its controls, whether code or the user made it; the
// desktop host mirrors forms into widgets through it.
class FormObserver {
public:
    virtual ~FormObserver() = default;
    // "Text", "Value", "ListIndex", "List", "Selected", "Caption", "Enabled", "Visible", ...
    virtual void controlChanged(Control& control, std::string_view property) = 0;
    // "Loaded", "Visible", "Caption", "WindowState", "Focus".
    virtual void formChanged(Form& form, std::string_view property) = 0;
};

class Form {
public:
    // `width` and `height` are the client area in pixels. A table that names a container that is
    // not in it, repeats a name and index, or mixes array and single controls of one name is a
    // programming error: std::invalid_argument.
    Form(std::string name, std::string caption, int width, int height, std::vector<ControlDesign> table);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);
    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<ControlDesign>& table() const { return table_; }

    // --- controls ---------------------------------------------------------------------------
    // Every control in table order.
    std::vector<Control*> controls() const;
    // The controls directly inside a container ("" = the form itself) and, for the tab control,
    // on one page (-1: every page), in table order.
    std::vector<Control*> controlsIn(std::string_view container, int tabPage = -1) const;
    // The frame, tab control or menu the control lies in; nullptr for the form itself.
    Control* findContainer(const Control& control) const;

    bool hasControl(std::string_view name) const;
    bool isControlArray(std::string_view name) const;
    // nullptr when there is no such control (no error).
    Control* findControl(std::string_view name, int index = -1) const;
    // The control; errors 730, 450, 343, 340 as above.
    Control& control(std::string_view name, int index = -1) const;
    // The control array; error 730 for an unknown name, 343 for a single control.
    ControlArray controlArray(std::string_view name) const;

    Label& label(std::string_view name, int index = -1) const;
    Frame& frame(std::string_view name, int index = -1) const;
    CommandButton& commandButton(std::string_view name, int index = -1) const;
    CheckBox& checkBox(std::string_view name, int index = -1) const;
    OptionButton& optionButton(std::string_view name, int index = -1) const;
    ToggleButton& toggleButton(std::string_view name, int index = -1) const;
    TextBox& textBox(std::string_view name, int index = -1) const;
    ComboBox& comboBox(std::string_view name, int index = -1) const;
    ListBox& listBox(std::string_view name, int index = -1) const;
    ListView& listView(std::string_view name, int index = -1) const;
    ImageList& imageList(std::string_view name) const;
    SpinButton& spinButton(std::string_view name, int index = -1) const;
    TabControl& tabControl(std::string_view name) const;
    Menu& menu(std::string_view name, int index = -1) const;
    CommonDialog& commonDialog(std::string_view name) const;

    // --- generic access by path ---------------------------------------------------------------
    // A path names a control and optionally a property: "TxtMaxValue", "OpChartPosition(5)",
    // "CmbLayers.ListIndex", "OpChartPosition(5).Value". Without a property the control's
    // default property is meant (Text of a text box, Value of a check box, ...). Setting fires
    // the control's events exactly as setting the property from code does.
    runtime::Variant value(std::string_view path) const;
    void setValue(std::string_view path, const runtime::Variant& value);

    // Everything a reader of a transcript wants: the form's caption and state and every
    // control's kind, name, index, caption, text or value, enabled, visible and list rows.
    nlohmann::json toJson() const;

    // --- lifecycle ----------------------------------------------------------------------------
    bool isLoaded() const { return loaded_; }
    bool isVisible() const { return visible_; }
    bool isModal() const { return modal_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // Loads the form when it is not loaded: Load runs once per load.
    void load();
    // Loads and shows the form without blocking. The first time it is shown with no control
    // focused, the first control in table order that can take the focus gets it (GotFocus).
    void show();
    // Loads and shows the form modally and returns when it is hidden again: the current Shell's
    // runModal decides what happens meanwhile (the desktop host runs a nested event loop, the
    // headless shell runs a scripted action). The form is hidden when that returns, whatever
    // the action did. Error 400 when the form is already shown modelessly.
    void showModal();
    void hide();
    // Visible = True shows the form modelessly, False hides it.
    void setVisible(bool visible) { visible ? show() : hide(); }
    // Runs Unload, hides the form and returns every control to its design values (handlers
    // stay). Nothing happens when the form is not loaded.
    void unload();

    WindowState windowState() const { return windowState_; }
    void setWindowState(WindowState state);

    // The control that has the focus, or nullptr.
    Control* activeControl() const { return focused_; }

    // Shows the items of a menu of this form through the Shell's popup menu and fires the
    // chosen item's Click (nothing when the menu is dismissed or the item is disabled).
    void popupMenu(std::string_view menuName);

    Event<> onLoad;
    Event<> onUnload;

    void addObserver(FormObserver* observer);
    void removeObserver(FormObserver* observer);

private:
    friend class Control;
    friend class Driver;
    static void registerForm(Form* form);
    static void unregisterForm(Form* form);

    struct NameEntry {
        Control* single = nullptr;
        std::map<int, Control*> members;
    };

    const NameEntry* entry(std::string_view name) const;
    [[noreturn]] void notFound(std::string_view name) const;
    template <class T>
    T& typed(std::string_view name, int index) const;
    void validateTable() const;
    // Moves the focus as a user or SetFocus does: LostFocus of the previous control, then
    // GotFocus of `target` (nullptr: no control keeps the focus). A LostFocus handler that moves
    // the focus elsewhere wins: `target` then gets no GotFocus.
    void moveFocus(Control* target);
    Control* firstFocusable() const;
    void notifyControlChanged(Control& control, std::string_view property);
    void notifyFormChanged(std::string_view property);

    std::string name_;
    std::string designCaption_;
    std::string caption_;
    int width_;
    int height_;
    std::vector<ControlDesign> table_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, NameEntry, std::less<>> names_;  // upper-case name

    bool loaded_ = false;
    bool visible_ = false;
    bool modal_ = false;
    bool enabled_ = true;
    WindowState windowState_ = WindowState::Normal;
    Control* focused_ = nullptr;
    bool focusAnnounced_ = false;  // whether focused_ got its GotFocus
    unsigned focusMoves_ = 0;
    std::vector<FormObserver*> observers_;
};

// Every form object alive in the process, oldest first, and the newest one of a name. Hosts
// use it to find the dialogs a plug-in opened (the plug-in's modules own them).
std::vector<Form*> allForms();
Form* findForm(std::string_view name);

// Shows the form again when a command that hid it ends, however it ends: a dialog left hidden
// could not be reached any more.
class ShowAgain {
public:
    explicit ShowAgain(Form& form) : form_(form) {}
    ~ShowAgain() {
        try {
            form_.show();
        } catch (...) {
        }
    }
    ShowAgain(const ShowAgain&) = delete;
    ShowAgain& operator=(const ShowAgain&) = delete;

private:
    Form& form_;
};

}  // namespace ui
