#include "ui/TextBox.h"

#include <nlohmann/json.hpp>

namespace ui {

using runtime::Variant;

TextBox::TextBox(Form& form, const ControlDesign& design)
    : Control(form, design), text_(design.caption), locked_(design.locked) {}

void TextBox::setText(std::string text) {
    if (text_ == text) return;
    text_ = std::move(text);
    changed("Text");
    onChange.fire();
}

void TextBox::setLocked(bool locked) {
    if (locked_ == locked) return;
    locked_ = locked;
    changed("Locked");
}

std::optional<Variant> TextBox::getKindProperty(std::string_view upperName) const {
    if (upperName == "TEXT") return Variant(text_);
    if (upperName == "LOCKED") return Variant(locked_);
    return std::nullopt;
}

bool TextBox::setKindProperty(std::string_view upperName, const Variant& value) {
    if (upperName == "TEXT") {
        // A Null text is an empty box, as a bound text box shows a database null.
        setText(value.isNull() ? std::string() : value.toString());
        return true;
    }
    if (upperName == "LOCKED") {
        setLocked(property::toBool(value));
        return true;
    }
    return false;
}

void TextBox::describe(nlohmann::json& out) const {
    out["text"] = text_;
    if (locked_) out["locked"] = true;
}

void TextBox::resetKindState() {
    text_ = design().caption;
    locked_ = design().locked;
}

}  // namespace ui
