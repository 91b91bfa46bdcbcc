// Temporary: the shell accessors the forms runtime will provide. The branch that builds the
// forms runtime defines these (with HeadlessShell as the default); until it is merged, this file
// lets the plug-in link and its tests install their own Shell. Delete it at that merge.
#include <memory>

#include "ui/Shell.h"

namespace ui {
namespace {

// Answers every question with its safe default and shows nothing.
class SilentShell final : public Shell {
public:
    int messageBox(const MessageBoxRequest& request) override {
        return request.buttons == mb::YesNo || request.buttons == mb::YesNoCancel ? mb::No : mb::OK;
    }
    std::optional<FileDialogResult> fileDialog(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<FontResult> fontDialog(const FontRequest&) override { return std::nullopt; }
    runtime::ObjectPtr selectSymbol(const runtime::ObjectPtr&) override { return nullptr; }
    void beep() override {}
    int openUrl(const std::string&) override { return 0; }
    int popupMenu(const std::vector<std::string>&) override { return -1; }
};

std::shared_ptr<Shell>& installed() {
    static std::shared_ptr<Shell> current = std::make_shared<SilentShell>();
    return current;
}

}  // namespace

Shell& shell() { return *installed(); }
std::shared_ptr<Shell> currentShell() { return installed(); }
void setShell(std::shared_ptr<Shell> s) { installed() = s ? std::move(s) : std::make_shared<SilentShell>(); }

int msgBox(const std::string& text, int buttonsAndIcon, const std::string& title) {
    return shell().messageBox({.text = text, .buttons = buttonsAndIcon % 16, .icon = buttonsAndIcon - buttonsAndIcon % 16,
                               .title = title});
}

}  // namespace ui
