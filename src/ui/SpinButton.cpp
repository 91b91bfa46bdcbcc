#include "ui/SpinButton.h"

#include <algorithm>
#include <limits>

#include <nlohmann/json.hpp>

#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

SpinButton::SpinButton(Form& form, const ControlDesign& design) : Control(form, design) { resetKindState(); }

void SpinButton::resetKindState() {
    min_ = design().min;
    max_ = design().max;
    smallChange_ = std::max(1, design().smallChange);
    value_ = clamp(design().value);
}

int SpinButton::clamp(long long value) const {
    const long long lo = std::min(min_, max_), hi = std::max(min_, max_);
    return static_cast<int>(std::clamp(value, lo, hi));
}

void SpinButton::setMin(int min) {
    min_ = min;
    changed("Min");
    setValue(value_);
}

void SpinButton::setMax(int max) {
    max_ = max;
    changed("Max");
    setValue(value_);
}

void SpinButton::setSmallChange(int step) {
    if (step < 1) raiseUi(err::InvalidPropertyValue);
    smallChange_ = step;
}

void SpinButton::setValue(int value) {
    value = clamp(value);
    if (value_ == value) return;
    value_ = value;
    changed("Value");
    onChange.fire();
}

void SpinButton::spinUp() { setValue(clamp(static_cast<long long>(value_) + (max_ >= min_ ? smallChange_ : -smallChange_))); }

void SpinButton::spinDown() { setValue(clamp(static_cast<long long>(value_) - (max_ >= min_ ? smallChange_ : -smallChange_))); }

std::optional<Variant> SpinButton::getKindProperty(std::string_view upperName) const {
    if (upperName == "VALUE") return Variant(static_cast<std::int32_t>(value_));
    if (upperName == "MIN") return Variant(static_cast<std::int32_t>(min_));
    if (upperName == "MAX") return Variant(static_cast<std::int32_t>(max_));
    if (upperName == "SMALLCHANGE") return Variant(static_cast<std::int32_t>(smallChange_));
    return std::nullopt;
}

bool SpinButton::setKindProperty(std::string_view upperName, const Variant& value) {
    constexpr int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    if (upperName == "VALUE") setValue(property::toInt(value, lo, hi));
    else if (upperName == "MIN") setMin(property::toInt(value, lo, hi));
    else if (upperName == "MAX") setMax(property::toInt(value, lo, hi));
    else if (upperName == "SMALLCHANGE") setSmallChange(property::toInt(value, lo, hi));
    else return false;
    return true;
}

void SpinButton::describe(nlohmann::json& out) const {
    out["value"] = value_;
    out["min"] = min_;
    out["max"] = max_;
    out["smallChange"] = smallChange_;
}

}  // namespace ui
