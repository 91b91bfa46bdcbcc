#pragma once
// What a call raises, for tests that check the runtime error a procedure ends with.
#include <string>

#include "runtime/Error.h"

namespace testing_support {

// The runtime error number `f` raises; 0 when it raises none.
template <class F>
int errorNumberOf(F&& f) {
    try {
        f();
    } catch (const runtime::Error& e) {
        return e.number();
    }
    return 0;
}

// The description of the runtime error `f` raises; empty when it raises none.
template <class F>
std::string descriptionOf(F&& f) {
    try {
        f();
    } catch (const runtime::Error& e) {
        return e.description();
    }
    return {};
}

}  // namespace testing_support
