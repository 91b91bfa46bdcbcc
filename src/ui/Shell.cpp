#include "ui/Shell.h"

#include "runtime/HookSlot.h"
#include "ui/Form.h"
#include "ui/HeadlessShell.h"

namespace ui {

namespace {

runtime::HookSlot<std::shared_ptr<Shell>>& installed() {
    static runtime::HookSlot<std::shared_ptr<Shell>> slot(std::make_shared<HeadlessShell>());
    return slot;
}

}  // namespace

void Shell::runModal(Form& form) { form.hide(); }

Shell& shell() { return *installed().get(); }

std::shared_ptr<Shell> currentShell() { return installed().get(); }

void setShell(std::shared_ptr<Shell> shell) { installed().set(shell ? std::move(shell) : std::make_shared<HeadlessShell>()); }

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
