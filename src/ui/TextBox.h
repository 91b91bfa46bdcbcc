#pragma once
// A text box. Change fires whenever the text changes (from code or typed); GotFocus and
// LostFocus follow the form's focus. A locked box keeps the user from typing; code may still
// set its text.
#include "ui/Control.h"

namespace ui {

class TextBox final : public Control {
public:
    TextBox(Form& form, const ControlDesign& design);

    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Text"; }

    const std::string& text() const { return text_; }
    // Fires Change at once when the text differs from the current one.
    void setText(std::string text);

    bool locked() const { return locked_; }
    void setLocked(bool locked);

    Event<> onChange;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;

    std::string text_;
    bool locked_;
};

}  // namespace ui
