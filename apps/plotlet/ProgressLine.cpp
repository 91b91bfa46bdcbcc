#include "plotlet/ProgressLine.h"

#include <unistd.h>

#include <iostream>

#include "host/TaskProgress.h"
#include "runtime/Text.h"

namespace plotlet::cli {

bool messagesGoToTerminal(const Context& context) { return &context.err == &std::cerr && ::isatty(STDERR_FILENO); }

bool confirmOnTerminal(Context& context, const std::string& question) {
    context.err << question << " [y/N] ";
    context.err.flush();
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    const std::string a = runtime::lowerCase(runtime::trim(answer));
    return a == "y" || a == "yes";
}

void ProgressLine::show(const std::string& label, std::size_t done, std::size_t total) {
    const int percent = total == 0 ? 100 : static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
    const auto now = std::chrono::steady_clock::now();
    const bool complete = done >= total;
    if (shown_ && done == lastDone_) return;
    if (percent == lastPercent_ && !complete) return;
    if (!complete && shown_ && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    lastPercent_ = percent;
    lastDone_ = done;
    shown_ = true;
    err_ << '\r' << label << ' ' << percent << "% (" << done << " of " << total << ")   " << std::flush;
}

void ProgressLine::finish() {
    if (!shown_) return;
    err_ << '\n' << std::flush;
    shown_ = false;
    lastPercent_ = -1;
    lastDone_ = static_cast<std::size_t>(-1);
}

TaskProgressLine::TaskProgressLine(std::ostream& err, std::string prefix) : line_(err), prefix_(std::move(prefix)) { observe(); }

void TaskProgressLine::observe() {
    host::setTaskProgressObserver([this](const host::TaskProgress& p) {
        if (p.total < 10000) return;
        line_.show(prefix_ + p.task, p.done, p.total);
        if (p.finished) line_.finish();
    });
}

TaskProgressLine::~TaskProgressLine() { host::setTaskProgressObserver({}); }

}  // namespace plotlet::cli
