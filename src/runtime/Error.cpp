#include "runtime/Error.h"

namespace runtime {

Error::Error(std::int32_t number, std::string source, std::string description)
    : std::runtime_error(description), number_(number), source_(std::move(source)),
      description_(std::move(description)) {}

std::string standardDescription(std::int32_t number) {
    switch (number) {
    case err::InvalidCall: return "Invalid procedure call or argument";
    case err::Overflow: return "Overflow";
    case err::SubscriptOutOfRange: return "Subscript out of range";
    case err::DivisionByZero: return "Division by zero";
    case err::TypeMismatch: return "Type mismatch";
    case err::FileNotFound: return "File not found";
    case err::ObjectNotSet: return "Object variable or With block variable not set";
    case err::InvalidUseOfNull: return "Invalid use of Null";
    case err::ObjectRequired: return "Object required";
    case err::DialogCancelled: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
    }
}

void raise(std::int32_t number, const std::string& source) {
    throw Error(number, source, standardDescription(number));
}

void raise(std::int32_t number, const std::string& source, const std::string& description) {
    throw Error(number, source, description);
}

}  // namespace runtime
