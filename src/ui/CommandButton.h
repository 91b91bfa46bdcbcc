#pragma once
// A command button: caption, tool tip, optional picture, Click.
#include "runtime/Object.h"
#include "ui/Control.h"

namespace ui {

class CommandButton final : public Control {
public:
    CommandButton(Form& form, const ControlDesign& design);

    bool hasCaption() const override { return true; }
    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Value"; }

    const runtime::ObjectPtr& picture() const { return picture_; }
    void setPicture(runtime::ObjectPtr picture);

    // Value = True from code "presses" the button: Click fires every time (the one setter that
    // fires without a change of state, as in the original runtime). False does nothing.
    void setValue(bool value);

    Event<> onClick;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;

    runtime::ObjectPtr picture_;
};

}  // namespace ui
