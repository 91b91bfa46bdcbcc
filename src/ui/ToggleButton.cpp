#include "ui/ToggleButton.h"

#include <nlohmann/json.hpp>

namespace ui {

using runtime::Variant;

ToggleButton::ToggleButton(Form& form, const ControlDesign& design)
    : Control(form, design), value_(design.value != 0), picture_(design.picture) {}

void ToggleButton::setValue(bool value) {
    if (value_ == value) return;
    value_ = value;
    changed("Value");
    onClick.fire();
}

void ToggleButton::setPicture(runtime::ObjectPtr picture) {
    if (picture_ == picture) return;
    picture_ = std::move(picture);
    changed("Picture");
}

std::optional<Variant> ToggleButton::getKindProperty(std::string_view upperName) const {
    if (upperName == "VALUE") return Variant(value_);
    if (upperName == "PICTURE") return Variant(picture_);
    return std::nullopt;
}

bool ToggleButton::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "VALUE") {
        setValue(property::toBool(value));
        return true;
    }
    if (upperName == "PICTURE") {
        setPicture(value.toObject());
        return true;
    }
    return false;
}

void ToggleButton::describe(nlohmann::json& out) const {
    out["value"] = value_;
    out["picture"] = static_cast<bool>(picture_);
}

void ToggleButton::resetKindState() {
    value_ = design().value != 0;
    picture_ = design().picture;
}

}  // namespace ui
