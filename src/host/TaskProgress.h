#pragma once
// Progress of long operations inside the host process (a chart run over a million features),
// for hosts that show it: the command-line host writes a line on a terminal. Separate from the
// status bar's step progressor, whose messages belong to the procedures that set them.
#include <cstddef>
#include <functional>
#include <string>

namespace host {

struct TaskProgress {
    std::string task;       // what is being done, e.g. "Drawing charts"
    std::size_t done = 0;   // items finished
    std::size_t total = 0;  // items in all (0: unknown)
    bool finished = false;  // the operation ended (completed or failed)
};

using TaskProgressObserver = std::function<void(const TaskProgress&)>;

// One observer per process; empty removes it.
void setTaskProgressObserver(TaskProgressObserver observer);
bool hasTaskProgressObserver();
// Tells the observer, if there is one. Never throws: a failing observer must not end the task.
void reportTaskProgress(const TaskProgress& progress) noexcept;

}  // namespace host
