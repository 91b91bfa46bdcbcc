#include "ui/Menu.h"

#include <nlohmann/json.hpp>

#include "ui/Form.h"

namespace ui {

using runtime::Variant;

Menu::Menu(Form& form, const ControlDesign& design) : Control(form, design), checked_(design.value != 0) {}

void Menu::setChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    changed("Checked");
}

std::vector<Menu*> Menu::items() const {
    std::vector<Menu*> result;
    for (Control* control : form().controlsIn(name()))
        if (auto* item = control->as<Menu>()) result.push_back(item);
    return result;
}

std::optional<Variant> Menu::getKindProperty(std::string_view upperName) const {
    if (upperName == "CHECKED") return Variant(checked_);
    return std::nullopt;
}

bool Menu::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName != "CHECKED") return false;
    setChecked(property::toBool(value));
    return true;
}

void Menu::describe(nlohmann::json& out) const {
    if (checked_) out["checked"] = true;
    const auto children = items();
    if (children.empty()) return;
    nlohmann::json names = nlohmann::json::array();
    for (const Menu* item : children) names.push_back(item->displayName());
    out["items"] = std::move(names);
}

}  // namespace ui
