#include "ui/Form.h"

#include <mutex>

#include <algorithm>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "runtime/Error.h"
#include "runtime/Text.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/CommandButton.h"
#include "ui/CommonDialog.h"
#include "ui/Frame.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/ListBox.h"
#include "ui/ListView.h"
#include "ui/Menu.h"
#include "ui/OptionButton.h"
#include "ui/Shell.h"
#include "ui/SpinButton.h"
#include "ui/TabControl.h"
#include "ui/TextBox.h"
#include "ui/ToggleButton.h"
#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

namespace {

std::unique_ptr<Control> makeControl(Form& form, const ControlDesign& row) {
    switch (row.kind) {
    case ControlKind::Label: return std::make_unique<Label>(form, row);
    case ControlKind::Frame: return std::make_unique<Frame>(form, row);
    case ControlKind::CommandButton: return std::make_unique<CommandButton>(form, row);
    case ControlKind::CheckBox: return std::make_unique<CheckBox>(form, row);
    case ControlKind::OptionButton: return std::make_unique<OptionButton>(form, row);
    case ControlKind::ToggleButton: return std::make_unique<ToggleButton>(form, row);
    case ControlKind::TextBox: return std::make_unique<TextBox>(form, row);
    case ControlKind::ComboBox: return std::make_unique<ComboBox>(form, row);
    case ControlKind::ListBox: return std::make_unique<ListBox>(form, row);
    case ControlKind::ListView: return std::make_unique<ListView>(form, row);
    case ControlKind::ImageList: return std::make_unique<ImageList>(form, row);
    case ControlKind::SpinButton: return std::make_unique<SpinButton>(form, row);
    case ControlKind::TabControl: return std::make_unique<TabControl>(form, row);
    case ControlKind::Menu: return std::make_unique<Menu>(form, row);
    case ControlKind::CommonDialog: return std::make_unique<CommonDialog>(form, row);
    }
    throw std::invalid_argument("unknown control kind");
}

bool isContainerKind(ControlKind kind) {
    return kind == ControlKind::Frame || kind == ControlKind::TabControl || kind == ControlKind::Menu;
}

struct Path {
    std::string name;
    int index = -1;
    std::string property;
};

// "Name", "Name(3)", "Name.Property", "Name(3).Property"; blanks around the parts are ignored.
Path parsePath(std::string_view text) {
    Path path;
    const std::string trimmed = runtime::trim(text);
    std::string_view rest = trimmed;
    const auto nameEnd = rest.find_first_of("(.");
    path.name = runtime::trim(rest.substr(0, nameEnd));
    rest = nameEnd == std::string_view::npos ? std::string_view() : rest.substr(nameEnd);
    if (!rest.empty() && rest.front() == '(') {
        const auto close = rest.find(')');
        if (close == std::string_view::npos) runtime::raise(err::InvalidCall);
        const std::string digits = runtime::trim(rest.substr(1, close - 1));
        if (digits.empty() || digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            runtime::raise(err::InvalidCall);
        path.index = std::stoi(digits);
        rest = rest.substr(close + 1);
    }
    if (!rest.empty()) {
        if (rest.front() != '.') runtime::raise(err::InvalidCall);
        path.property = runtime::trim(rest.substr(1));
        if (path.property.empty()) runtime::raise(err::InvalidCall);
    }
    if (path.name.empty()) runtime::raise(err::InvalidCall);
    return path;
}

bool isOptionArray(const ControlArray& array) {
    const auto members = array.members();
    return std::all_of(members.begin(), members.end(), [](Control* c) { return c->is<OptionButton>(); });
}

}  // namespace

Form::Form(std::string name, std::string caption, int width, int height, std::vector<ControlDesign> table)
    : name_(std::move(name)), designCaption_(caption), caption_(std::move(caption)), width_(width), height_(height),
      table_(std::move(table)) {
    validateTable();
    for (const ControlDesign& row : table_) {
        controls_.push_back(makeControl(*this, row));
        Control* control = controls_.back().get();
        NameEntry& e = names_[property::upperName(row.name)];
        if (row.index < 0) e.single = control;
        else e.members[row.index] = control;
    }
    for (const auto& control : controls_) control->resolveDesignReferences();
    registerForm(this);
}

Form::~Form() { unregisterForm(this); }

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::vector<Form*>& registry() {
    static std::vector<Form*> forms;
    return forms;
}

}  // namespace

void Form::registerForm(Form* form) {
    std::lock_guard lock(registryMutex());
    registry().push_back(form);
}

void Form::unregisterForm(Form* form) {
    std::lock_guard lock(registryMutex());
    auto& r = registry();
    r.erase(std::remove(r.begin(), r.end(), form), r.end());
}

std::vector<Form*> allForms() {
    std::lock_guard lock(registryMutex());
    return registry();
}

Form* findForm(std::string_view name) {
    std::lock_guard lock(registryMutex());
    auto& r = registry();
    for (auto it = r.rbegin(); it != r.rend(); ++it) {
        if ((*it)->name() == name) return *it;
    }
    return nullptr;
}

void Form::validateTable() const {
    auto fail = [this](const std::string& message) { throw std::invalid_argument(name_ + ": " + message); };
    std::map<std::string, const ControlDesign*> singles;
    std::map<std::string, std::map<int, const ControlDesign*>> arrays;
    for (const ControlDesign& row : table_) {
        if (row.name.empty()) fail("a control without a name");
        const std::string upper = property::upperName(row.name);
        if (row.index < 0) {
            if (singles.count(upper) || arrays.count(upper)) fail("the name '" + row.name + "' is used twice");
            singles[upper] = &row;
        } else {
            if (singles.count(upper)) fail("'" + row.name + "' is both a control and a control array");
            if (arrays[upper].count(row.index)) fail("'" + row.displayName() + "' is declared twice");
            arrays[upper][row.index] = &row;
        }
    }
    for (const ControlDesign& row : table_) {
        const bool isMenu = row.kind == ControlKind::Menu;
        if (row.container.empty()) {
            if (row.tabPage >= 0) fail("'" + row.displayName() + "' names a tab page outside a tab control");
            continue;
        }
        const auto found = singles.find(property::upperName(row.container));
        if (found == singles.end() || !isContainerKind(found->second->kind))
            fail("'" + row.displayName() + "' lies in '" + row.container + "', which is no frame, tab control or menu of the form");
        const ControlDesign& container = *found->second;
        if (isMenu != (container.kind == ControlKind::Menu))
            fail("'" + row.displayName() + "': only menus hold menu items, and menu items lie only in menus");
        if (container.kind == ControlKind::TabControl) {
            if (row.tabPage < 0 || row.tabPage >= std::max(1, container.tabs))
                fail("'" + row.displayName() + "' lies on a page that tab control '" + container.name + "' does not have");
        } else if (row.tabPage >= 0) {
            fail("'" + row.displayName() + "' names a tab page outside a tab control");
        }
        // A container chain longer than the table is a cycle.
        // A container missing further up is reported when its own row is checked.
        const ControlDesign* walk = &container;
        for (std::size_t steps = 0; walk && !walk->container.empty(); ++steps) {
            if (steps > table_.size()) fail("the containers of '" + row.displayName() + "' form a cycle");
            const auto up = singles.find(property::upperName(walk->container));
            walk = up == singles.end() ? nullptr : up->second;
        }
    }
}

void Form::setCaption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    notifyFormChanged("Caption");
}

std::vector<Control*> Form::controls() const {
    std::vector<Control*> result;
    result.reserve(controls_.size());
    for (const auto& control : controls_) result.push_back(control.get());
    return result;
}

std::vector<Control*> Form::controlsIn(std::string_view container, int tabPage) const {
    std::vector<Control*> result;
    const std::string upper = property::upperName(container);
    for (const auto& control : controls_)
        if (property::upperName(control->container()) == upper && (tabPage < 0 || control->tabPage() == tabPage))
            result.push_back(control.get());
    return result;
}

Control* Form::findContainer(const Control& control) const {
    if (control.container().empty()) return nullptr;
    return findControl(control.container());
}

const Form::NameEntry* Form::entry(std::string_view name) const {
    const auto found = names_.find(property::upperName(name));
    return found == names_.end() ? nullptr : &found->second;
}

bool Form::hasControl(std::string_view name) const { return entry(name) != nullptr; }

bool Form::isControlArray(std::string_view name) const {
    const NameEntry* e = entry(name);
    return e && !e->single;
}

Control* Form::findControl(std::string_view name, int index) const {
    const NameEntry* e = entry(name);
    if (!e) return nullptr;
    if (index < 0) return e->single;
    const auto found = e->members.find(index);
    return found == e->members.end() ? nullptr : found->second;
}

void Form::notFound(std::string_view name) const {
    runtime::raise(err::ControlNotFound, "Plotlet", "Control '" + std::string(name) + "' not found on form '" + name_ + "'");
}

Control& Form::control(std::string_view name, int index) const {
    const NameEntry* e = entry(name);
    if (!e) notFound(name);
    if (e->single) {
        if (index >= 0) raiseUi(err::NotAnArray);
        return *e->single;
    }
    if (index < 0) raiseUi(err::WrongArguments);
    const auto found = e->members.find(index);
    if (found == e->members.end()) raiseUi(err::ControlArrayElementMissing, std::to_string(index));
    return *found->second;
}

ControlArray Form::controlArray(std::string_view name) const {
    const NameEntry* e = entry(name);
    if (!e) notFound(name);
    if (e->single) raiseUi(err::NotAnArray);
    return ControlArray(e->members.begin()->second->name(), e->members);
}

template <class T>
T& Form::typed(std::string_view name, int index) const {
    Control& found = control(name, index);
    T* result = found.as<T>();
    if (!result)
        runtime::raise(err::TypeMismatch, "Plotlet",
                       "Type mismatch: '" + found.displayName() + "' is a " + std::string(found.typeName()));
    return *result;
}

Label& Form::label(std::string_view name, int index) const { return typed<Label>(name, index); }
Frame& Form::frame(std::string_view name, int index) const { return typed<Frame>(name, index); }
CommandButton& Form::commandButton(std::string_view name, int index) const { return typed<CommandButton>(name, index); }
CheckBox& Form::checkBox(std::string_view name, int index) const { return typed<CheckBox>(name, index); }
OptionButton& Form::optionButton(std::string_view name, int index) const { return typed<OptionButton>(name, index); }
ToggleButton& Form::toggleButton(std::string_view name, int index) const { return typed<ToggleButton>(name, index); }
TextBox& Form::textBox(std::string_view name, int index) const { return typed<TextBox>(name, index); }
ComboBox& Form::comboBox(std::string_view name, int index) const { return typed<ComboBox>(name, index); }
ListBox& Form::listBox(std::string_view name, int index) const { return typed<ListBox>(name, index); }
ListView& Form::listView(std::string_view name, int index) const { return typed<ListView>(name, index); }
ImageList& Form::imageList(std::string_view name) const { return typed<ImageList>(name, -1); }
SpinButton& Form::spinButton(std::string_view name, int index) const { return typed<SpinButton>(name, index); }
TabControl& Form::tabControl(std::string_view name) const { return typed<TabControl>(name, -1); }
Menu& Form::menu(std::string_view name, int index) const { return typed<Menu>(name, index); }
CommonDialog& Form::commonDialog(std::string_view name) const { return typed<CommonDialog>(name, -1); }

Variant Form::value(std::string_view pathText) const {
    const Path path = parsePath(pathText);
    if (path.index < 0 && path.property.empty() && isControlArray(path.name)) {
        // An option group read as a whole: the index of the button that is on, or Empty.
        const ControlArray array = controlArray(path.name);
        if (!isOptionArray(array)) raiseUi(err::WrongArguments);
        const auto on = array.checkedIndex();
        return on ? Variant(static_cast<std::int16_t>(*on)) : Variant();
    }
    const Control& target = control(path.name, path.index);
    const std::string property = path.property.empty() ? std::string(target.defaultProperty()) : path.property;
    if (property.empty()) raiseUi(err::UnsupportedProperty, target.displayName());
    return target.property(property);
}

void Form::setValue(std::string_view pathText, const Variant& value) {
    const Path path = parsePath(pathText);
    if (path.index < 0 && path.property.empty() && isControlArray(path.name)) {
        // An option group set as a whole switches on the member of that index.
        const ControlArray array = controlArray(path.name);
        if (!isOptionArray(array)) raiseUi(err::WrongArguments);
        array.itemAs<OptionButton>(value.toInt16()).setValue(true);
        return;
    }
    Control& target = control(path.name, path.index);
    const std::string property = path.property.empty() ? std::string(target.defaultProperty()) : path.property;
    if (property.empty()) raiseUi(err::UnsupportedProperty, target.displayName());
    target.setProperty(property, value);
}

nlohmann::json Form::toJson() const {
    nlohmann::json out;
    out["name"] = name_;
    out["caption"] = caption_;
    out["loaded"] = loaded_;
    out["visible"] = visible_;
    out["modal"] = modal_;
    out["windowState"] = static_cast<int>(windowState_);
    out["activeControl"] = focused_ ? nlohmann::json(focused_->displayName()) : nlohmann::json(nullptr);
    nlohmann::json controls = nlohmann::json::array();
    for (const auto& control : controls_) controls.push_back(control->toJson());
    out["controls"] = std::move(controls);
    return out;
}

void Form::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    notifyFormChanged("Enabled");
}

void Form::load() {
    if (loaded_) return;
    loaded_ = true;
    notifyFormChanged("Loaded");
    onLoad.fire();
}

void Form::show() {
    load();
    if (!loaded_ || visible_) return;  // a Load handler may have unloaded the form again
    visible_ = true;
    notifyFormChanged("Visible");
    if (!focused_)
        if (Control* first = firstFocusable()) moveFocus(first);
}

void Form::showModal() {
    if (visible_ || modal_) raiseUi(err::FormAlreadyDisplayed);
    load();
    if (!loaded_) return;
    modal_ = true;
    visible_ = true;
    notifyFormChanged("Visible");
    auto endModal = [this] {
        modal_ = false;
        hide();
    };
    try {
        if (!focused_)
            if (Control* first = firstFocusable()) moveFocus(first);
        // Keep the shell alive for the whole modal run, even if a handler installs another.
        const std::shared_ptr<Shell> current = currentShell();
        if (visible_) current->runModal(*this);
    } catch (...) {
        endModal();
        throw;
    }
    endModal();
}

void Form::hide() {
    if (!visible_) return;
    visible_ = false;
    notifyFormChanged("Visible");
}

void Form::unload() {
    if (!loaded_) return;
    onUnload.fire();
    if (!loaded_) return;  // the handler unloaded the form itself
    visible_ = false;
    loaded_ = false;
    focused_ = nullptr;
    focusAnnounced_ = false;
    enabled_ = true;
    windowState_ = WindowState::Normal;
    caption_ = designCaption_;
    for (const auto& control : controls_) control->resetToDesign();
    for (const auto& control : controls_) control->resolveDesignReferences();
    notifyFormChanged("Loaded");
}

void Form::setWindowState(WindowState state) {
    if (windowState_ == state) return;
    windowState_ = state;
    notifyFormChanged("WindowState");
}

Control* Form::firstFocusable() const {
    for (const auto& control : controls_)
        if (control->canTakeFocus() && control->isUsable()) return control.get();
    return nullptr;
}

void Form::moveFocus(Control* target) {
    if (focused_ == target && (focusAnnounced_ || !target)) return;
    Control* previous = focused_;
    const bool previousAnnounced = focusAnnounced_;
    focused_ = target;
    focusAnnounced_ = false;
    const unsigned move = ++focusMoves_;
    notifyFormChanged("Focus");
    if (previous && previousAnnounced && previous != target) previous->onLostFocus.fire();
    if (focusMoves_ != move || !target) return;
    focusAnnounced_ = true;
    target->onGotFocus.fire();
}

void Form::popupMenu(std::string_view menuName) {
    Menu& popup = menu(menuName);
    std::vector<Menu*> items;
    std::vector<std::string> captions;
    for (Menu* item : popup.items()) {
        if (!item->visible()) continue;
        items.push_back(item);
        captions.push_back(item->caption());
    }
    if (items.empty()) return;
    const std::shared_ptr<Shell> current = currentShell();
    const int chosen = current->popupMenu(captions);
    if (chosen < 0 || chosen >= static_cast<int>(items.size())) return;
    if (items[static_cast<std::size_t>(chosen)]->enabled()) items[static_cast<std::size_t>(chosen)]->onClick.fire();
}

void Form::addObserver(FormObserver* observer) {
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void Form::removeObserver(FormObserver* observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

void Form::notifyControlChanged(Control& control, std::string_view property) {
    if (observers_.empty()) return;
    const auto observers = observers_;  // an observer may remove itself
    for (FormObserver* observer : observers) observer->controlChanged(control, property);
}

void Form::notifyFormChanged(std::string_view property) {
    if (observers_.empty()) return;
    const auto observers = observers_;
    for (FormObserver* observer : observers) observer->formChanged(*this, property);
}

}  // namespace ui
