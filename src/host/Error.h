#pragma once
// Failures of host calls. They are runtime errors, so the plug-in's procedures catch them at
// their boundaries like any other; the numbers follow the host's convention (0x80040000 + n)
// unless a runtime number (5, 9, 13, 53, 91 ...) says it better.
#include <cstdint>
#include <string>

#include "runtime/Error.h"

namespace host {

class Error : public runtime::Error {
public:
    using runtime::Error::Error;
};

inline constexpr std::int32_t hostErrorBase = static_cast<std::int32_t>(0x80040000u);

// host::Error{0x80040000 + code, source, description}.
[[noreturn]] void raiseHost(std::int32_t code, const std::string& source, const std::string& description);
// host::Error with a runtime number (e.g. runtime::err::SubscriptOutOfRange).
[[noreturn]] void raiseRuntime(std::int32_t number, const std::string& source, const std::string& description);

}  // namespace host
