#include "ui/UiError.h"

#include "runtime/Error.h"

namespace ui {

std::string uiErrorDescription(std::int32_t number, const std::string& detail) {
    switch (number) {
    case err::OutOfStackSpace: return "Out of stack space";
    case err::ControlArrayElementMissing: return "Control array element '" + detail + "' doesn't exist";
    case err::NotAnArray: return "Object not an array";
    case err::InvalidPropertyValue: return "Invalid property value";
    case err::InvalidPropertyArrayIndex: return "Invalid property array index";
    case err::PropertyReadOnly: return detail.empty() ? "Property is read-only" : "'" + detail + "' property is read-only";
    case err::FormAlreadyDisplayed: return "Form already displayed; can't show modally";
    case err::UnsupportedProperty:
        return detail.empty() ? "Object doesn't support this property or method"
                              : "Object doesn't support this property or method: " + detail;
    case err::WrongArguments: return "Wrong number of arguments or invalid property assignment";
    case err::ControlNotFound: return "Control '" + detail + "' not found";
    case err::IndexOutOfBounds: return "Index out of bounds";
    case err::ElementNotFound: return "Element not found";
    case err::KeyNotUnique: return "Key is not unique in collection";
    case err::ImageSizeReadOnly: return "Property is read-only if image list contains images";
    case err::ImageListNotInitialized: return "ImageList must be initialized before it can be used";
    case err::ImageListBound: return "ImageList cannot be modified while another control is bound to it";
    default: return runtime::standardDescription(number);
    }
}

void raiseUi(std::int32_t number, const std::string& detail) {
    throw runtime::Error(number, "Plotlet", uiErrorDescription(number, detail));
}

}  // namespace ui
