#pragma once
// A frame: a captioned container. Disabling or hiding it makes every control inside unusable,
// and option buttons inside it form one group.
#include "ui/Control.h"

namespace ui {

class Frame final : public Control {
public:
    Frame(Form& form, const ControlDesign& design) : Control(form, design) {}

    bool hasCaption() const override { return true; }
    std::string_view defaultProperty() const override;
};

}  // namespace ui
