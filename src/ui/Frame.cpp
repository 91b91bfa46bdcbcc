#include "ui/Frame.h"

namespace ui {

// Defined here so the class has one home for its type information, shared by every module.
std::string_view Frame::defaultProperty() const { return "Caption"; }

}  // namespace ui
