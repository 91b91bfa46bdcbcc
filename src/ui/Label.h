#pragma once
// A label: a caption, nothing to edit, never focused.
#include "ui/Control.h"

namespace ui {

class Label final : public Control {
public:
    Label(Form& form, const ControlDesign& design) : Control(form, design) {}

    bool hasCaption() const override { return true; }
    std::string_view defaultProperty() const override;
};

}  // namespace ui
