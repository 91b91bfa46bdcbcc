#pragma once
// A Shell without a user: it answers from a script given in advance and keeps a transcript of
// everything it was asked to show. The tests and the command-line host use it.
//
//   auto shell = std::make_shared<ui::HeadlessShell>();
//   shell->answerMessage(ui::mb::Yes).chooseFile("/tmp/towns.par").cancelFontDialog();
//   shell->onModal("FrmRelaFields", [](ui::Form& f) { ui::Driver(f).click("CmdOK"); });
//   ui::ShellScope scope(shell);
//   ... run the dialog ...
//   std::cout << shell->transcriptText();
//
// Each kind of request answers from its own queue, first in first out. With its queue empty a
// request gets a safe default: a message box its default button (or, for questions, what
// setQuestionDefault says), file and font dialogs and the symbol selector Cancel, a popup menu
// nothing, openUrl success (42) without opening anything, and a modal form is hidden at once.
// A scripted message answer that is not a button of the box is a mistake in the script:
// std::logic_error.
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ui/Shell.h"

namespace ui {

// How a question (a box with more than one button) is answered when the script has no answer.
enum class QuestionDefault {
    DefaultButton,  // the box's default button (the first unless the box says otherwise)
    Decline,        // No for Yes/No, Cancel for Yes/No/Cancel, OK/Cancel and Retry/Cancel, Abort
    Accept,         // Yes, OK, Retry for Retry/Cancel, Ignore for Abort/Retry/Ignore
};

// One thing the shell was asked to show, and how it was answered.
struct ShellEvent {
    std::string kind;    // "message", "open", "save", "font", "symbol", "beep", "url", "popup", "modal"
    std::string title;   // message and dialog titles (a box without one: the application title)
    std::string text;    // message text, proposed file name, font, URL, form name
    std::string detail;  // filter and folder of a file dialog, the items of a popup menu
    int buttons = 0;     // message boxes: button set and icon as numbered in mb::
    int icon = 0;
    std::string answer;  // "Yes", a chosen path, "Cancel", a popup item's caption, ...
    int answerCode = 0;  // message answer, popup index, openUrl result
    bool scripted = false;
};

class HeadlessShell : public Shell {
public:
    HeadlessShell() = default;

    // --- the script ---------------------------------------------------------------------------
    HeadlessShell& answerMessage(int answer);
    // filterIndex 0 keeps the request's filter index.
    HeadlessShell& chooseFile(std::string path, int filterIndex = 0);
    HeadlessShell& cancelFileDialog();
    HeadlessShell& chooseFont(FontResult font);
    HeadlessShell& cancelFontDialog();
    HeadlessShell& chooseSymbol(runtime::ObjectPtr symbol);
    HeadlessShell& cancelSymbolSelector();
    // 0-based item index; -1 dismisses the menu.
    HeadlessShell& choosePopupItem(int index);
    // The result of every later openUrl (greater than 32 is success).
    HeadlessShell& setOpenUrlResult(int result);
    // What the user does the next time the form of this name (case-insensitive) is shown
    // modally; the form is hidden afterwards if the action left it visible.
    HeadlessShell& onModal(std::string formName, std::function<void(Form&)> action);

    void setQuestionDefault(QuestionDefault answer) { questionDefault_ = answer; }
    QuestionDefault questionDefault() const { return questionDefault_; }
    void setApplicationTitle(std::string title) { applicationTitle_ = std::move(title); }
    // Scripted answers not used yet.
    std::size_t pendingScript() const;

    // --- the transcript -----------------------------------------------------------------------
    const std::vector<ShellEvent>& transcript() const { return transcript_; }
    // One line per event, e.g.  message "Plotlet" [YesNo, Question]: Remove labels? -> No (default)
    std::string transcriptText() const;
    nlohmann::json transcriptJson() const;
    void clearTranscript() { transcript_.clear(); }

    // --- Shell --------------------------------------------------------------------------------
    int messageBox(const MessageBoxRequest& request) override;
    std::optional<FileDialogResult> fileDialog(const FileDialogRequest& request) override;
    std::optional<FontResult> fontDialog(const FontRequest& request) override;
    runtime::ObjectPtr selectSymbol(const runtime::ObjectPtr& symbol) override;
    void beep() override;
    int openUrl(const std::string& url) override;
    int popupMenu(const std::vector<std::string>& captions) override;
    std::string applicationTitle() const override { return applicationTitle_; }
    void runModal(Form& form) override;

private:
    int unscriptedAnswer(const MessageBoxRequest& request) const;

    std::deque<int> messageAnswers_;
    std::deque<std::optional<FileDialogResult>> fileAnswers_;
    std::deque<std::optional<FontResult>> fontAnswers_;
    std::deque<runtime::ObjectPtr> symbolAnswers_;
    std::deque<int> popupAnswers_;
    std::map<std::string, std::deque<std::function<void(Form&)>>> modalActions_;  // upper-case form name
    int openUrlResult_ = 42;
    QuestionDefault questionDefault_ = QuestionDefault::DefaultButton;
    std::string applicationTitle_ = "Plotlet";
    std::vector<ShellEvent> transcript_;
};

// Names of the numbers in mb:: ("YesNo", "Question", "Yes"), for transcripts.
std::string buttonSetName(int buttons);
std::string iconName(int icon);
std::string answerName(int answer);

}  // namespace ui
