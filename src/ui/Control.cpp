#include "ui/Control.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "runtime/NumberText.h"
#include "ui/Form.h"
#include "ui/UiError.h"

namespace ui {

using runtime::Variant;

namespace property {

std::string upperName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

int toInt(const Variant& value, int min, int max) {
    const double number = value.toDouble();
    if (!(number >= min - 0.5 && number <= max + 0.5)) raiseUi(err::InvalidPropertyValue);
    const int rounded = runtime::toInt32(number);
    if (rounded < min || rounded > max) raiseUi(err::InvalidPropertyValue);
    return rounded;
}

bool toBool(const Variant& value) { return value.toBool(); }

}  // namespace property

Control::Control(Form& form, const ControlDesign& design)
    : form_(form), design_(design), enabled_(design.enabled), visible_(design.visible), rect_(design.rect),
      caption_(design.caption), toolTip_(design.toolTip) {}

Control::~Control() = default;

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    changed("Enabled");
}

void Control::setVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    changed("Visible");
}

void Control::move(const Rect& rect) {
    if (rect_ == rect) return;
    rect_ = rect;
    changed("Rect");
}

void Control::setTag(std::string tag) { tag_ = std::move(tag); }

std::string Control::caption() const {
    if (!hasCaption()) unsupported("Caption");
    return caption_;
}

void Control::setCaption(std::string caption) {
    if (!hasCaption()) unsupported("Caption");
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    changed("Caption");
}

std::string Control::toolTipText() const {
    if (!hasToolTip()) unsupported("ToolTipText");
    return toolTip_;
}

void Control::setToolTipText(std::string toolTip) {
    if (!hasToolTip()) unsupported("ToolTipText");
    if (toolTip_ == toolTip) return;
    toolTip_ = std::move(toolTip);
    changed("ToolTipText");
}

bool Control::isUsable() const {
    if (!enabled_ || !visible_) return false;
    // Menus are reached through their popup or menu bar, not through containers on the form.
    if (kind() == ControlKind::Menu) return true;
    for (const Control* c = form_.findContainer(*this); c; c = form_.findContainer(*c))
        if (!c->enabled_ || !c->visible_) return false;
    return true;
}

bool Control::hasFocus() const { return form_.activeControl() == this; }

void Control::setFocus() {
    if (!canTakeFocus() || !form_.isVisible() || !form_.enabled() || !isUsable()) raiseUi(err::InvalidCall);
    form_.moveFocus(this);
}

Variant Control::property(std::string_view name) const {
    const std::string upper = property::upperName(name);
    if (auto own = getKindProperty(upper)) return *own;
    if (upper == "NAME") return Variant(design_.name);
    if (upper == "INDEX") {
        if (!isArrayMember()) raiseUi(err::NotAnArray);
        return Variant(static_cast<std::int16_t>(design_.index));
    }
    if (upper == "ENABLED") return Variant(enabled_);
    if (upper == "VISIBLE") return Variant(visible_);
    if (upper == "LEFT") return Variant(static_cast<std::int32_t>(rect_.left));
    if (upper == "TOP") return Variant(static_cast<std::int32_t>(rect_.top));
    if (upper == "WIDTH") return Variant(static_cast<std::int32_t>(rect_.width));
    if (upper == "HEIGHT") return Variant(static_cast<std::int32_t>(rect_.height));
    if (upper == "TAG") return Variant(tag_);
    if (upper == "CAPTION" && hasCaption()) return Variant(caption());
    if (upper == "TOOLTIPTEXT" && hasToolTip()) return Variant(toolTipText());
    unsupported(name);
}

void Control::setProperty(std::string_view name, const Variant& value) {
    const std::string upper = property::upperName(name);
    if (setKindProperty(upper, value)) return;
    if (upper == "NAME" || upper == "INDEX") raiseUi(err::PropertyReadOnly, std::string(name));
    constexpr int big = 1 << 24;
    if (upper == "ENABLED") return setEnabled(property::toBool(value));
    if (upper == "VISIBLE") return setVisible(property::toBool(value));
    if (upper == "LEFT") return move({property::toInt(value, -big, big), rect_.top, rect_.width, rect_.height});
    if (upper == "TOP") return move({rect_.left, property::toInt(value, -big, big), rect_.width, rect_.height});
    if (upper == "WIDTH") return move({rect_.left, rect_.top, property::toInt(value, 0, big), rect_.height});
    if (upper == "HEIGHT") return move({rect_.left, rect_.top, rect_.width, property::toInt(value, 0, big)});
    if (upper == "TAG") return setTag(value.toString());
    if (upper == "CAPTION" && hasCaption()) return setCaption(value.toString());
    if (upper == "TOOLTIPTEXT" && hasToolTip()) return setToolTipText(value.toString());
    unsupported(name);
}

std::optional<Variant> Control::getKindProperty(std::string_view) const { return std::nullopt; }

bool Control::setKindProperty(std::string_view, const Variant&) { return false; }

void Control::describe(nlohmann::json&) const {}

nlohmann::json Control::toJson() const {
    nlohmann::json out;
    out["kind"] = std::string(typeName());
    out["name"] = design_.name;
    if (isArrayMember()) out["index"] = design_.index;
    if (hasCaption()) out["caption"] = caption();
    if (hasToolTip() && !toolTipText().empty()) out["toolTip"] = toolTipText();
    out["enabled"] = enabled_;
    out["visible"] = visible_;
    describe(out);
    return out;
}

void Control::changed(std::string_view property) { form_.notifyControlChanged(*this, property); }

void Control::unsupported(std::string_view property) const {
    raiseUi(err::UnsupportedProperty, displayName() + "." + std::string(property));
}

void Control::resetToDesign() {
    enabled_ = design_.enabled;
    visible_ = design_.visible;
    rect_ = design_.rect;
    caption_ = design_.caption;
    toolTip_ = design_.toolTip;
    tag_.clear();
    resetKindState();
}

}  // namespace ui
