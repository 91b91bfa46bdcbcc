#pragma once
// Pictures of the main dialog taken from the module's resources: the lock pictures "LOCKED" and
// "UNLOCKED" and the pictures of the buttons that show no caption.
#include <string_view>

#include "runtime/Object.h"

namespace plotlet {

// The resource `id` as a picture object a button or toggle can show. Throws runtime::Error 326
// when the module has no such resource and 481 when it is no usable picture.
runtime::ObjectPtr LoadDialogPicture(std::string_view id);

// As above, but nothing instead of an error: a button without its picture is still a button.
runtime::ObjectPtr TryLoadDialogPicture(std::string_view id);

}  // namespace plotlet
