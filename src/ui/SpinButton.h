#pragma once
// A spin button: Value stepped by SmallChange between Min and Max. Value is always kept within
// the bounds: a value outside them is clamped, and moving a bound clamps the value. Change fires
// whenever Value changes, from code or from the user. Min may exceed Max; the bounds then work
// the other way round (Up still moves towards Max).
#include "ui/Control.h"

namespace ui {

class SpinButton final : public Control {
public:
    SpinButton(Form& form, const ControlDesign& design);

    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Value"; }

    int min() const { return min_; }
    int max() const { return max_; }
    int smallChange() const { return smallChange_; }
    int value() const { return value_; }
    void setMin(int min);
    void setMax(int max);
    // Error 380 unless positive.
    void setSmallChange(int step);
    void setValue(int value);

    // One step towards Max or Min, as the arrows do.
    void spinUp();
    void spinDown();

    Event<> onChange;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    int clamp(long long value) const;

    int min_, max_, smallChange_, value_;
};

}  // namespace ui
