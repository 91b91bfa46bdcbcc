#include "ui/ControlArray.h"

#include "ui/CheckBox.h"
#include "ui/CommandButton.h"
#include "ui/Menu.h"
#include "ui/OptionButton.h"
#include "ui/ToggleButton.h"

namespace ui {

namespace {

Event<>* clickEventOf(Control& control) {
    if (auto* c = control.as<CommandButton>()) return &c->onClick;
    if (auto* c = control.as<CheckBox>()) return &c->onClick;
    if (auto* c = control.as<OptionButton>()) return &c->onClick;
    if (auto* c = control.as<ToggleButton>()) return &c->onClick;
    if (auto* c = control.as<Menu>()) return &c->onClick;
    return nullptr;
}

}  // namespace

Control& ControlArray::item(int index) const {
    const auto found = members_->find(index);
    if (found == members_->end()) raiseUi(err::ControlArrayElementMissing, std::to_string(index));
    return *found->second;
}

std::vector<Control*> ControlArray::members() const {
    std::vector<Control*> result;
    for (const auto& [index, control] : *members_) result.push_back(control);
    return result;
}

std::optional<int> ControlArray::checkedIndex() const {
    for (const auto& [index, control] : *members_) {
        if (const auto* option = control->as<OptionButton>(); option && option->value()) return index;
        if (const auto* check = control->as<CheckBox>(); check && check->checked()) return index;
        if (const auto* toggle = control->as<ToggleButton>(); toggle && toggle->value()) return index;
    }
    return std::nullopt;
}

void ControlArray::onClick(const std::function<void(int)>& handler) const {
    for (const auto& [index, control] : *members_)
        if (Event<>* click = clickEventOf(*control)) *click = [handler, i = index] { handler(i); };
}

}  // namespace ui
