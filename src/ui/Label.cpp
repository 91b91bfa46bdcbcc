#include "ui/Label.h"

namespace ui {

// Defined here so the class has one home for its type information, shared by every module.
std::string_view Label::defaultProperty() const { return "Caption"; }

}  // namespace ui
