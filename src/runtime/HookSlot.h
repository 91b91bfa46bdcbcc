#pragma once
// A process-wide slot for one replaceable function (a factory, an observer, a reporter) that a
// host installs and library code calls. Every such hook is one of these, so none is read while
// another thread replaces it: `get` hands out a copy under the lock and the caller calls the
// copy outside it, so a hook may itself install another hook without deadlocking.
#include <mutex>
#include <utility>

namespace runtime {

template <class Hook>
class HookSlot {
public:
    HookSlot() = default;
    explicit HookSlot(Hook initial) : hook_(std::move(initial)) {}
    void set(Hook hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }
    Hook get() const {
        std::lock_guard lock(mutex_);
        return hook_;
    }
    explicit operator bool() const {
        std::lock_guard lock(mutex_);
        return static_cast<bool>(hook_);
    }

private:
    mutable std::mutex mutex_;
    Hook hook_;
};

}  // namespace runtime
