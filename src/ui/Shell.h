#pragma once
// What the dialogs ask of the desktop around them: message boxes, the common file and font
// dialogs, the host's symbol selector, the system beep and the shell's "open" of a URL.
// The command-line host and the tests answer through HeadlessShell; the desktop host answers
// with real Qt dialogs.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Object.h"

namespace ui {

class Form;

// Button sets, icons and answers numbered as the original runtime numbers them.
namespace mb {
inline constexpr int OKOnly = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4,
                     RetryCancel = 5;
inline constexpr int NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64;
inline constexpr int DefaultButton1 = 0, DefaultButton2 = 256, DefaultButton3 = 512;
inline constexpr int OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
}  // namespace mb

struct MessageBoxRequest {
    std::string text;
    int buttons = mb::OKOnly;
    int icon = mb::NoIcon;
    std::string title;  // empty: the application's default title
    int defaultButton = 0;  // 0 the first button, 1 the second, 2 the third
};

struct FileDialogRequest {
    bool save = false;
    std::string title;
    std::string filter;  // "Layer *.lyr|*.lyr" pairs of description|pattern
    int filterIndex = 1;
    std::string fileName;  // proposed name
    std::string initDir;
    int flags = 0;  // 2306: prompt before overwriting, no name validation, path must exist
};

struct FileDialogResult {
    std::string fileName;  // the full path chosen
    int filterIndex = 1;
};

struct FontRequest {
    std::string name;
    double size = 8.0;
    bool bold = false;
    bool italic = false;
    int flags = 0;
};

struct FontResult {
    std::string name;
    double size = 8.0;
    bool bold = false;
    bool italic = false;
};

class Shell {
public:
    virtual ~Shell() = default;

    // Shows a modal message box and returns the answer (mb::OK, mb::Yes, ...).
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    // Common file dialog; no value when the user cancels.
    virtual std::optional<FileDialogResult> fileDialog(const FileDialogRequest& request) = 0;
    // Common font dialog; no value when the user cancels.
    virtual std::optional<FontResult> fontDialog(const FontRequest& request) = 0;
    // The host's symbol selector started with `symbol` (a host symbol object); the chosen
    // symbol, or nothing when the user cancels or the selector refuses the symbol.
    virtual runtime::ObjectPtr selectSymbol(const runtime::ObjectPtr& symbol) = 0;
    virtual void beep() = 0;
    // The shell's "open" action; the result follows the Windows convention: greater than 32
    // on success.
    virtual int openUrl(const std::string& url) = 0;
    // A popup menu of the given item captions at the mouse position; the 0-based index of the
    // chosen item, or -1 when the menu is dismissed.
    virtual int popupMenu(const std::vector<std::string>& captions) = 0;
    // The title a message box without a title shows.
    virtual std::string applicationTitle() const { return "Plotlet"; }
    // Runs a form that Form::showModal has just shown, and returns when the user is done with
    // it (the form hidden or unloaded). The desktop host runs a nested event loop here; this
    // default, for hosts without users, hides the form at once.
    virtual void runModal(Form& form);
};

// The shell every form and procedure uses. Never null: until a host installs its own, a
// HeadlessShell without a script answers with safe defaults.
Shell& shell();
std::shared_ptr<Shell> currentShell();
void setShell(std::shared_ptr<Shell> shell);

// Installs a shell for the lifetime of the scope and restores the previous one; tests use it.
class ShellScope {
public:
    explicit ShellScope(std::shared_ptr<Shell> shell);
    ~ShellScope();
    ShellScope(const ShellScope&) = delete;
    ShellScope& operator=(const ShellScope&) = delete;

private:
    std::shared_ptr<Shell> previous_;
};

// Shorthand for the runtime's MsgBox: `buttonsAndIcon` is the sum of a button set and an icon
// (mb::YesNo + mb::Question), as the runtime takes them, plus mb::DefaultButton2/3 to make the
// second or third button the default.
int msgBox(const std::string& text, int buttonsAndIcon = mb::OKOnly, const std::string& title = {});

}  // namespace ui
