#include "host/TaskProgress.h"

namespace host {
namespace {
TaskProgressObserver& observer() {
    static TaskProgressObserver o;
    return o;
}
}  // namespace

void setTaskProgressObserver(TaskProgressObserver o) { observer() = std::move(o); }

bool hasTaskProgressObserver() { return static_cast<bool>(observer()); }

void reportTaskProgress(const TaskProgress& progress) noexcept {
    try {
        if (observer()) observer()(progress);
    } catch (...) {
        // Progress is a courtesy; the work goes on.
    }
}

}  // namespace host
