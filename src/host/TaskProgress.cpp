#include "host/TaskProgress.h"

#include "runtime/HookSlot.h"

namespace host {
namespace {
runtime::HookSlot<TaskProgressObserver>& observer() {
    static runtime::HookSlot<TaskProgressObserver> slot;
    return slot;
}
}  // namespace

void setTaskProgressObserver(TaskProgressObserver o) { observer().set(std::move(o)); }

bool hasTaskProgressObserver() { return static_cast<bool>(observer()); }

void reportTaskProgress(const TaskProgress& progress) noexcept {
    try {
        if (const TaskProgressObserver o = observer().get()) o(progress);
    } catch (...) {
        // Progress is a courtesy; the work goes on.
    }
}

}  // namespace host
