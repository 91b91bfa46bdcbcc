#pragma once
// A toggle button: Value on/off, caption, optional picture. Click fires whenever the value
// changes, from code or from the user.
#include "runtime/Object.h"
#include "ui/Control.h"

namespace ui {

class ToggleButton final : public Control {
public:
    ToggleButton(Form& form, const ControlDesign& design);

    bool hasCaption() const override { return true; }
    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Value"; }

    bool value() const { return value_; }
    void setValue(bool value);

    const runtime::ObjectPtr& picture() const { return picture_; }
    void setPicture(runtime::ObjectPtr picture);

    Event<> onClick;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;

    bool value_;
    runtime::ObjectPtr picture_;
};

}  // namespace ui
