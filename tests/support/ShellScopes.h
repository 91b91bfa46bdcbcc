#pragma once
// Shells for tests. HeadlessScope installs a fresh HeadlessShell for its lifetime and picks the
// message boxes and beeps out of its transcript; BrokenShell cannot show a message box at all,
// as a desktop without a display.
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

#include "ui/HeadlessShell.h"

namespace testing_support {

class HeadlessScope {
public:
    HeadlessScope() : shell(std::make_shared<ui::HeadlessShell>()), scope_(shell) {}

    std::vector<ui::ShellEvent> messages() const {
        std::vector<ui::ShellEvent> boxes;
        for (const ui::ShellEvent& e : shell->transcript()) {
            if (e.kind == "message") boxes.push_back(e);
        }
        return boxes;
    }
    long beeps() const {
        const auto& t = shell->transcript();
        return std::count_if(t.begin(), t.end(), [](const ui::ShellEvent& e) { return e.kind == "beep"; });
    }

    std::shared_ptr<ui::HeadlessShell> shell;

private:
    ui::ShellScope scope_;
};

class BrokenShell final : public ui::HeadlessShell {
public:
    int messageBox(const ui::MessageBoxRequest&) override { throw std::runtime_error("no display"); }
};

}  // namespace testing_support
