#pragma once
// The run-time error the plug-in's procedures trap: a number, the source that raised it and a
// description, as the original runtime carried them. Host failures derive from it, so one
// catch at a procedure's boundary sees every failure.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace runtime {

class Error : public std::runtime_error {
public:
    Error(std::int32_t number, std::string source, std::string description);

    std::int32_t number() const { return number_; }
    const std::string& source() const { return source_; }
    const std::string& description() const { return description_; }

private:
    std::int32_t number_;
    std::string source_;
    std::string description_;
};

// The runtime's own error numbers the procedures meet.
namespace err {
inline constexpr std::int32_t InvalidCall = 5;
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t DivisionByZero = 11;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t ObjectNotSet = 91;
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t ObjectRequired = 424;
inline constexpr std::int32_t DialogCancelled = 32755;
}  // namespace err

// The standard description of one of the numbers above ("Type mismatch", ...); "Application-
// defined or object-defined error" for any other.
std::string standardDescription(std::int32_t number);

// Throws Error{number, source, standardDescription(number)}.
[[noreturn]] void raise(std::int32_t number, const std::string& source = "Plotlet");
[[noreturn]] void raise(std::int32_t number, const std::string& source, const std::string& description);

// The object itself, or error 91 when there is none: what the runtime raised on using an object
// variable set to nothing.
template <class Pointer>
const Pointer& required(const Pointer& object) {
    if (!object) raise(err::ObjectNotSet);
    return object;
}

}  // namespace runtime
