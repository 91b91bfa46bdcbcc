#include "ui/Shell.h"

#include "ui/Form.h"
#include "ui/HeadlessShell.h"

namespace ui {

namespace {

std::shared_ptr<Shell>& installed() {
    static std::shared_ptr<Shell> shell = std::make_shared<HeadlessShell>();
    return shell;
}

}  // namespace

void Shell::runModal(Form& form) { form.hide(); }

Shell& shell() { return *installed(); }

std::shared_ptr<Shell> currentShell() { return installed(); }

void setShell(std::shared_ptr<Shell> shell) {
    installed() = shell ? std::move(shell) : std::make_shared<HeadlessShell>();
}

ShellScope::ShellScope(std::shared_ptr<Shell> shell) : previous_(currentShell()) { setShell(std::move(shell)); }

ShellScope::~ShellScope() { setShell(std::move(previous_)); }

int msgBox(const std::string& text, int buttonsAndIcon, const std::string& title) {
    MessageBoxRequest request;
    request.text = text;
    request.buttons = buttonsAndIcon & 0x0F;
    request.icon = buttonsAndIcon & 0xF0;
    request.defaultButton = (buttonsAndIcon & 0xF00) >> 8;
    request.title = title;
    const std::shared_ptr<Shell> current = currentShell();
    return current->messageBox(request);
}

}  // namespace ui
