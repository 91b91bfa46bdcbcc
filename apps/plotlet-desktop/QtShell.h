#pragma once
// The Shell of the desktop host: what the dialogs ask of the desktop, answered with real Qt
// dialogs — message boxes with the requested icon, buttons and default, file dialogs with the
// plug-in's filters, flags, proposed name and folder, the font dialog, a symbol selector for
// fill symbols, popup menus, the system beep, opening a URL, and modal forms run in a nested
// event loop.
//
// Every dialog it opens is handed to the dialog watcher (when one is set) once it shows, so a
// test or a scripted demo answers it through its real widgets.
#include <functional>
#include <string>
#include <vector>

#include "ui/Shell.h"

class QDialog;
class QWidget;

namespace desktop {
class FormWidget;
}

namespace desktop {

class QtShell : public ui::Shell {
public:
    explicit QtShell(QWidget* window = nullptr) : window_(window) {}
    void setWindow(QWidget* window) { window_ = window; }

    int messageBox(const ui::MessageBoxRequest& request) override;
    std::optional<ui::FileDialogResult> fileDialog(const ui::FileDialogRequest& request) override;
    std::optional<ui::FontResult> fontDialog(const ui::FontRequest& request) override;
    runtime::ObjectPtr selectSymbol(const runtime::ObjectPtr& symbol) override;
    void beep() override;
    int openUrl(const std::string& url) override;
    int popupMenu(const std::vector<std::string>& captions) override;
    void runModal(ui::Form& form) override;

    // Called with each dialog this shell shows, from the dialog's own event loop.
    using DialogWatcher = std::function<void(QDialog&)>;
    void setDialogWatcher(DialogWatcher watcher) { watcher_ = std::move(watcher); }
    // Called with the window of each form run modally, from its event loop.
    using ModalWatcher = std::function<void(FormWidget&)>;
    void setModalWatcher(ModalWatcher watcher) { modalWatcher_ = std::move(watcher); }
    // The texts of the message boxes shown so far.
    const std::vector<std::string>& messages() const { return messages_; }

    // "Layer *.lyr|*.lyr|All|*.*" as Qt writes filters: "Layer *.lyr (*.lyr);;All (*.*)".
    static std::vector<std::string> qtFilters(const std::string& filter);

private:
    int exec(QDialog& dialog);

    QWidget* window_;
    DialogWatcher watcher_;
    ModalWatcher modalWatcher_;
    std::vector<std::string> messages_;
};

}  // namespace desktop
