#pragma once
// The progress of a long run on the terminal: one line rewritten in place, "label P% (done of
// total)", at most a few times a second, the last state always shown.
#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

#include "plotlet/Context.h"

namespace plotlet::cli {

// Whether the context's message stream is the process's standard error on a terminal.
bool messagesGoToTerminal(const Context& context);

// Asks the question on the terminal and reads the user's answer; anything but yes declines.
bool confirmOnTerminal(Context& context, const std::string& question);

class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err) {}
    ~ProgressLine() { finish(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(const std::string& label, std::size_t done, std::size_t total);
    // Ends the line, when one was shown, so that later messages start on their own.
    void finish();

private:
    std::ostream& err_;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::size_t lastDone_ = static_cast<std::size_t>(-1);
    std::chrono::steady_clock::time_point last_{};
};

// Shows the host's long tasks (reading a layer or a document, drawing charts, writing a file) on
// a progress line while it lives. Tasks of fewer than 10,000 items end before a line would help.
class TaskProgressLine {
public:
    explicit TaskProgressLine(std::ostream& err, std::string prefix = {});
    ~TaskProgressLine();
    TaskProgressLine(const TaskProgressLine&) = delete;
    TaskProgressLine& operator=(const TaskProgressLine&) = delete;

    ProgressLine& line() { return line_; }
    // Listens to the host's task reports (again, after another listener replaced this one).
    void observe();

private:
    ProgressLine line_;
    std::string prefix_;
};

}  // namespace plotlet::cli
