#pragma once
// The error numbers the forms runtime raises, numbered as the original forms runtime and its
// common controls numbered them, so that a procedure's failure report shows familiar numbers.
#include <cstdint>
#include <string>

#include "runtime/Error.h"

namespace ui {

namespace err {
inline constexpr std::int32_t InvalidCall = 5;                // e.g. SetFocus on a hidden control
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t TypeMismatch = 13;              // a typed accessor of the wrong kind
inline constexpr std::int32_t OutOfStackSpace = 28;           // handlers that trigger each other endlessly
inline constexpr std::int32_t ControlArrayElementMissing = 340;
inline constexpr std::int32_t NotAnArray = 343;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t InvalidPropertyArrayIndex = 381;
inline constexpr std::int32_t PropertyReadOnly = 383;
inline constexpr std::int32_t FormAlreadyDisplayed = 400;
inline constexpr std::int32_t UnsupportedProperty = 438;
inline constexpr std::int32_t WrongArguments = 450;           // a control array named without an index
inline constexpr std::int32_t ControlNotFound = 730;
inline constexpr std::int32_t IndexOutOfBounds = 35600;
inline constexpr std::int32_t ElementNotFound = 35601;
inline constexpr std::int32_t KeyNotUnique = 35602;
inline constexpr std::int32_t ImageSizeReadOnly = 35611;
inline constexpr std::int32_t ImageListNotInitialized = 35613;
inline constexpr std::int32_t ImageListBound = 35617;
inline constexpr std::int32_t DialogCancelled = runtime::err::DialogCancelled;
}  // namespace err

// The description the runtime gives for one of the numbers above; `detail` (a control or
// property name) is worked into descriptions that name one, as the original runtime did
// ("Control 'TxtFoo' not found").
std::string uiErrorDescription(std::int32_t number, const std::string& detail = {});

// Throws runtime::Error{number, "Plotlet", uiErrorDescription(number, detail)}.
[[noreturn]] void raiseUi(std::int32_t number, const std::string& detail = {});

}  // namespace ui
