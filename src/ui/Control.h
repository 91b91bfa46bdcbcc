#pragma once
// The base of every control of a form. A control is created by its Form from a ControlDesign row,
// owned by that form and never copied. It holds its state (enabled, visible, position, caption,
// tool tip, and the kind's own values) and fires its events when that state changes.
//
// Generic access by property name ("Text", "Caption", "Value", "ListIndex", "Enabled", ...)
// serves parameter files, the command line's --set and dumps. Names are compared without regard
// to case, as the original runtime did. An unknown property raises runtime error 438, a
// read-only one error 383, a value of the wrong type error 13 and an out-of-range value error 380.
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "runtime/Variant.h"
#include "ui/ControlDesign.h"
#include "ui/Event.h"

namespace ui {

class Form;

class Control {
public:
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return design_.kind; }
    std::string_view typeName() const { return kindName(design_.kind); }
    const std::string& name() const { return design_.name; }
    int index() const { return design_.index; }  // -1 unless a member of a control array
    bool isArrayMember() const { return design_.index >= 0; }
    std::string displayName() const { return design_.displayName(); }  // "OpChartPosition(5)"
    const std::string& container() const { return design_.container; }
    int tabPage() const { return design_.tabPage; }
    const ControlDesign& design() const { return design_; }
    Form& form() const { return form_; }

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool visible() const { return visible_; }
    void setVisible(bool visible);
    const Rect& rect() const { return rect_; }
    void move(const Rect& rect);
    const std::string& tag() const { return tag_; }
    void setTag(std::string tag);

    // Caption and tool tip exist on the kinds that report them; on other kinds these calls raise
    // error 438.
    virtual bool hasCaption() const { return false; }
    virtual bool hasToolTip() const { return true; }
    virtual std::string caption() const;
    virtual void setCaption(std::string caption);
    virtual std::string toolTipText() const;
    virtual void setToolTipText(std::string toolTip);

    // Whether the kind can hold the focus at all.
    virtual bool canTakeFocus() const { return false; }
    // What a user can reach: the control and every container around it are enabled and visible
    // (the page of a tab control is not considered).
    bool isUsable() const;
    bool hasFocus() const;
    // SetFocus from code: LostFocus of the control that had the focus, then GotFocus of this one.
    // Error 5 when the form is not shown or the control cannot take the focus now.
    void setFocus();
    Event<> onGotFocus;
    Event<> onLostFocus;

    runtime::Variant property(std::string_view name) const;
    void setProperty(std::string_view name, const runtime::Variant& value);
    // The property that `--set NAME=VALUE` and the unnamed path "NAME" address ("Text" of a text
    // box, "Value" of a check box, ...); empty when the kind has none.
    virtual std::string_view defaultProperty() const { return {}; }

    // Kind, name, index, caption, text or value, enabled, visible and the kind's own state.
    nlohmann::json toJson() const;

    template <class T>
    T* as() { return dynamic_cast<T*>(this); }
    template <class T>
    const T* as() const { return dynamic_cast<const T*>(this); }
    template <class T>
    bool is() const { return as<T>() != nullptr; }

protected:
    Control(Form& form, const ControlDesign& design);

    // The kind's own properties; `upperName` is the property name in upper case. Return no value
    // (get) or false (set) for a name the kind does not have.
    virtual std::optional<runtime::Variant> getKindProperty(std::string_view upperName) const;
    virtual bool setKindProperty(std::string_view upperName, const runtime::Variant& value);
    virtual void describe(nlohmann::json& out) const;
    // Back to the design values, without events (the form is unloading).
    virtual void resetKindState() {}
    // Resolves names the design refers to (image lists of a list view) once every control exists.
    virtual void resolveDesignReferences() {}

    // Tells the form's observers that a property changed.
    void changed(std::string_view property);
    [[noreturn]] void unsupported(std::string_view property) const;

private:
    friend class Form;
    void resetToDesign();

    Form& form_;
    const ControlDesign design_;
    bool enabled_;
    bool visible_;
    Rect rect_;
    std::string caption_;
    std::string toolTip_;
    std::string tag_;
};

// Conversions the generic property setters share: the runtime's conversions, with error 380 for
// a number outside the range the property accepts.
namespace property {
std::string upperName(std::string_view name);
int toInt(const runtime::Variant& value, int min, int max);
bool toBool(const runtime::Variant& value);
}  // namespace property

}  // namespace ui
