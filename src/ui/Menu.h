#pragma once
// A menu or menu item. Items are menus whose container is their parent menu's name; a popup
// menu is a menu (usually invisible on the form's menu bar) whose items Form::popupMenu offers
// through the Shell. Click fires when the user chooses the item.
#include <vector>

#include "ui/Control.h"

namespace ui {

class Menu final : public Control {
public:
    Menu(Form& form, const ControlDesign& design);

    bool hasCaption() const override { return true; }
    bool hasToolTip() const override { return false; }
    std::string_view defaultProperty() const override { return "Caption"; }

    bool checked() const { return checked_; }
    void setChecked(bool checked);

    // The items of this menu, in table order.
    std::vector<Menu*> items() const;

    Event<> onClick;

private:
    std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const override;
    bool setKindProperty(std::string_view upperName, const runtime::Variant& value) override;
    void describe(nlohmann::json& out) const override;
    void resetKindState() override { checked_ = design().value != 0; }

    bool checked_;
};

}  // namespace ui
