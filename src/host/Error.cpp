#include "host/Error.h"

namespace host {

void raiseHost(std::int32_t code, const std::string& source, const std::string& description) {
    throw Error(static_cast<std::int32_t>(static_cast<std::uint32_t>(hostErrorBase) + static_cast<std::uint32_t>(code)),
                source, description);
}

void raiseRuntime(std::int32_t number, const std::string& source, const std::string& description) {
    throw Error(number, source, description);
}

}  // namespace host
