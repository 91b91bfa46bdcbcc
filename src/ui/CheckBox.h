#pragma once
// A check box: Value 0 unchecked, 1 checked, 2 greyed. Click fires whenever the value changes,
// from code or from the user. Generic access reads Value as that number; code that stores the
// state as "True"/"False" text converts checked() itself.
#include "ui/Control.h"

namespace ui {

class CheckBox final : public Control {
public:
    static constexpr int Unchecked = 0, Checked = 1, Grayed = 2;

    CheckBox(Form& form, const ControlDesign& design);

    bool hasCaption() const override { return true; }
    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Value"; }

    int value() const { return value_; }
    bool checked() const { return value_ == Checked; }
    // Error 380 for anything but 0, 1 or 2.
    void setValue(int value);
    void setChecked(bool checked) { setValue(checked ? Checked : Unchecked); }

    Event<> onClick;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    // "Value" takes 0/1/2, a Boolean (True is checked) or their texts ("True", "1").
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;

    int value_;
};

}  // namespace ui
