#include "ui/CheckBox.h"

#include <nlohmann/json.hpp>

#include "runtime/NumberText.h"
#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

CheckBox::CheckBox(Form& form, const ControlDesign& design) : Control(form, design), value_(design.value) {}

void CheckBox::setValue(int value) {
    if (value < Unchecked || value > Grayed) raiseUi(err::InvalidPropertyValue);
    if (value_ == value) return;
    value_ = value;
    changed("Value");
    onClick.fire();
}

std::optional<Variant> CheckBox::getKindProperty(std::string_view upperName) const {
    if (upperName == "VALUE") return Variant(static_cast<std::int16_t>(value_));
    return std::nullopt;
}

bool CheckBox::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName != "VALUE") return false;
    int state;
    if (value.kind() == Variant::Kind::Bool) {
        state = value.boolValue() ? Checked : Unchecked;
    } else if (value.isString() && !runtime::tryParseNumber(value.stringValue())) {
        state = value.toBool() ? Checked : Unchecked;
    } else {
        state = property::toInt(value, -1, Grayed);
        if (state == -1) state = Checked;  // True converted to a number
    }
    setValue(state);
    return true;
}

void CheckBox::describe(nlohmann::json& out) const { out["value"] = value_; }

void CheckBox::resetKindState() { value_ = design().value; }

}  // namespace ui
