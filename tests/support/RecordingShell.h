#pragma once
// A Shell for tests: records every message box and beep and answers each box with OK. Installed
// for the lifetime of a ShellScope.
#include <memory>
#include <string>
#include <vector>

#include "ui/Shell.h"

namespace testing_support {

class RecordingShell final : public ui::Shell {
public:
    std::vector<ui::MessageBoxRequest> boxes;
    int beeps = 0;
    bool failBoxes = false;  // every message box throws, as a broken desktop would

    int messageBox(const ui::MessageBoxRequest& request) override {
        if (failBoxes) throw std::runtime_error("no display");
        boxes.push_back(request);
        return ui::mb::OK;
    }
    std::optional<ui::FileDialogResult> fileDialog(const ui::FileDialogRequest&) override { return std::nullopt; }
    std::optional<ui::FontResult> fontDialog(const ui::FontRequest&) override { return std::nullopt; }
    runtime::ObjectPtr selectSymbol(const runtime::ObjectPtr&) override { return nullptr; }
    void beep() override { ++beeps; }
    int openUrl(const std::string&) override { return 33; }
    int popupMenu(const std::vector<std::string>&) override { return -1; }
};

// Installs a fresh RecordingShell and puts the previous shell back on destruction.
class ShellScope {
public:
    ShellScope() : previous_(ui::currentShell()), shell_(std::make_shared<RecordingShell>()) { ui::setShell(shell_); }
    ~ShellScope() { ui::setShell(previous_); }
    ShellScope(const ShellScope&) = delete;
    ShellScope& operator=(const ShellScope&) = delete;

    RecordingShell& operator*() const { return *shell_; }
    RecordingShell* operator->() const { return shell_.get(); }

private:
    std::shared_ptr<ui::Shell> previous_;
    std::shared_ptr<RecordingShell> shell_;
};

}  // namespace testing_support
