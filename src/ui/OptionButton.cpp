#include "ui/OptionButton.h"

#include <nlohmann/json.hpp>

#include "ui/Form.h"

namespace ui {

using runtime::Variant;

OptionButton::OptionButton(Form& form, const ControlDesign& design) : Control(form, design), value_(design.value != 0) {}

std::string OptionButton::groupKey() const {
    if (!design().group.empty()) return "group:" + property::upperName(design().group);
    return "in:" + property::upperName(container()) + "#" + std::to_string(tabPage());
}

std::vector<OptionButton*> OptionButton::group() const {
    std::vector<OptionButton*> members;
    const std::string key = groupKey();
    for (Control* control : form().controls())
        if (auto* option = control->as<OptionButton>(); option && option->groupKey() == key) members.push_back(option);
    return members;
}

void OptionButton::setValue(bool value) {
    if (value_ == value) return;
    value_ = value;
    if (value) {
        for (OptionButton* other : group()) {
            if (other != this && other->value_) {
                other->value_ = false;
                other->changed("Value");
            }
        }
    }
    changed("Value");
    if (value) onClick.fire();
}

std::optional<Variant> OptionButton::getKindProperty(std::string_view upperName) const {
    if (upperName == "VALUE") return Variant(value_);
    return std::nullopt;
}

bool OptionButton::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName != "VALUE") return false;
    setValue(property::toBool(value));
    return true;
}

void OptionButton::describe(nlohmann::json& out) const { out["value"] = value_; }

void OptionButton::resetKindState() { value_ = design().value != 0; }

}  // namespace ui
