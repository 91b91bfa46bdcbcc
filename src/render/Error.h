#pragma once
// Failures of drawing and export: host errors (0x80040000 + code) with a source naming the
// operation and a description a user can act on ("the width must be a positive number of
// pixels", "the folder /x does not exist").
#include <cstdint>
#include <string>

#include "host/Error.h"

namespace render {

class Error : public host::Error {
public:
    using host::Error::Error;
};

namespace code {
inline constexpr std::int32_t BadSize = 300;        // zero, negative, non-finite or too large
inline constexpr std::int32_t BadResolution = 301;  // dots per inch
inline constexpr std::int32_t BadExtent = 302;      // empty or not finite
inline constexpr std::int32_t Cairo = 303;          // cairo reported a failure
inline constexpr std::int32_t BadFormat = 304;      // unknown picture format
inline constexpr std::int32_t Cancelled = 305;      // the progress callback asked to stop
inline constexpr std::int32_t BadFile = 306;        // the output file cannot be written
}  // namespace code

// Throws render::Error{0x80040000 + code, source, description}.
[[noreturn]] void raise(std::int32_t code, const std::string& source, const std::string& description);

}  // namespace render
