#pragma once
// An option button. Option buttons form groups: by default all option buttons in the same
// container (the same frame, the same page of the tab control, or the form itself); a design
// `group` name overrides that. Switching one on switches the others of its group off.
//
// Click fires on the button that is switched on, from code or from the user, and only when it
// was off; the buttons switched off fire nothing.
#include <vector>

#include "ui/Control.h"

namespace ui {

class OptionButton final : public Control {
public:
    OptionButton(Form& form, const ControlDesign& design);

    bool hasCaption() const override { return true; }
    bool canTakeFocus() const override { return true; }
    std::string_view defaultProperty() const override { return "Value"; }

    bool value() const { return value_; }
    void setValue(bool value);

    // Every option button of this one's group (itself included), in table order.
    std::vector<OptionButton*> group() const;

    Event<> onClick;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override;
    std::string groupKey() const;

    bool value_;
};

}  // namespace ui
