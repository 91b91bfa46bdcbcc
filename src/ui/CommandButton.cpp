#include "ui/CommandButton.h"

#include <nlohmann/json.hpp>

namespace ui {

using runtime::Variant;

CommandButton::CommandButton(Form& form, const ControlDesign& design) : Control(form, design), picture_(design.picture) {}

void CommandButton::setPicture(runtime::ObjectPtr picture) {
    if (picture_ == picture) return;
    picture_ = std::move(picture);
    changed("Picture");
}

void CommandButton::setValue(bool value) {
    if (value) onClick.fire();
}

std::optional<Variant> CommandButton::getKindProperty(std::string_view upperName) const {
    if (upperName == "VALUE") return Variant(false);
    if (upperName == "PICTURE") return Variant(picture_);
    return std::nullopt;
}

bool CommandButton::setKindProperty(std::string_view upperName, const Variant& value) {
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

void CommandButton::describe(nlohmann::json& out) const { out["picture"] = static_cast<bool>(picture_); }

void CommandButton::resetKindState() { picture_ = design().picture; }

}  // namespace ui
