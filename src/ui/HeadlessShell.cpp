#include "ui/HeadlessShell.h"

#include <algorithm>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "runtime/NumberText.h"
#include "ui/Control.h"
#include "ui/Form.h"

namespace ui {

namespace {

std::vector<int> buttonsOf(int buttons) {
    switch (buttons) {
    case mb::OKCancel: return {mb::OK, mb::Cancel};
    case mb::AbortRetryIgnore: return {mb::Abort, mb::Retry, mb::Ignore};
    case mb::YesNoCancel: return {mb::Yes, mb::No, mb::Cancel};
    case mb::YesNo: return {mb::Yes, mb::No};
    case mb::RetryCancel: return {mb::Retry, mb::Cancel};
    default: return {mb::OK};
    }
}

// Line breaks shown as "\n" so that one event stays one line.
std::string oneLine(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' || text[i] == '\r') out += "\\n";
        else out += text[i];
    }
    return out;
}

std::string fontText(const std::string& name, double size, bool bold, bool italic) {
    std::string text = name + " " + runtime::numberText(size);
    if (bold) text += " bold";
    if (italic) text += " italic";
    return text;
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? separator : "") + parts[i];
    return out;
}

}  // namespace

std::string buttonSetName(int buttons) {
    switch (buttons) {
    case mb::OKOnly: return "OKOnly";
    case mb::OKCancel: return "OKCancel";
    case mb::AbortRetryIgnore: return "AbortRetryIgnore";
    case mb::YesNoCancel: return "YesNoCancel";
    case mb::YesNo: return "YesNo";
    case mb::RetryCancel: return "RetryCancel";
    default: return "Buttons" + std::to_string(buttons);
    }
}

std::string iconName(int icon) {
    switch (icon) {
    case mb::NoIcon: return "";
    case mb::Critical: return "Critical";
    case mb::Question: return "Question";
    case mb::Exclamation: return "Exclamation";
    case mb::Information: return "Information";
    default: return "Icon" + std::to_string(icon);
    }
}

std::string answerName(int answer) {
    switch (answer) {
    case mb::OK: return "OK";
    case mb::Cancel: return "Cancel";
    case mb::Abort: return "Abort";
    case mb::Retry: return "Retry";
    case mb::Ignore: return "Ignore";
    case mb::Yes: return "Yes";
    case mb::No: return "No";
    default: return std::to_string(answer);
    }
}

HeadlessShell& HeadlessShell::answerMessage(int answer) {
    messageAnswers_.push_back(answer);
    return *this;
}

HeadlessShell& HeadlessShell::chooseFile(std::string path, int filterIndex) {
    fileAnswers_.push_back(FileDialogResult{std::move(path), filterIndex});
    return *this;
}

HeadlessShell& HeadlessShell::cancelFileDialog() {
    fileAnswers_.push_back(std::nullopt);
    return *this;
}

HeadlessShell& HeadlessShell::chooseFont(FontResult font) {
    fontAnswers_.push_back(std::move(font));
    return *this;
}

HeadlessShell& HeadlessShell::cancelFontDialog() {
    fontAnswers_.push_back(std::nullopt);
    return *this;
}

HeadlessShell& HeadlessShell::chooseSymbol(runtime::ObjectPtr symbol) {
    symbolAnswers_.push_back(std::move(symbol));
    return *this;
}

HeadlessShell& HeadlessShell::cancelSymbolSelector() {
    symbolAnswers_.push_back(nullptr);
    return *this;
}

HeadlessShell& HeadlessShell::choosePopupItem(int index) {
    popupAnswers_.push_back(index);
    return *this;
}

HeadlessShell& HeadlessShell::setOpenUrlResult(int result) {
    openUrlResult_ = result;
    return *this;
}

HeadlessShell& HeadlessShell::onModal(std::string formName, std::function<void(Form&)> action) {
    modalActions_[property::upperName(formName)].push_back(std::move(action));
    return *this;
}

std::size_t HeadlessShell::pendingScript() const {
    std::size_t pending = messageAnswers_.size() + fileAnswers_.size() + fontAnswers_.size() + symbolAnswers_.size() +
                          popupAnswers_.size();
    for (const auto& [name, actions] : modalActions_) pending += actions.size();
    return pending;
}

int HeadlessShell::unscriptedAnswer(const MessageBoxRequest& request) const {
    const std::vector<int> buttons = buttonsOf(request.buttons);
    if (buttons.size() == 1) return buttons.front();
    switch (questionDefault_) {
    case QuestionDefault::DefaultButton:
        return buttons[std::min<std::size_t>(static_cast<std::size_t>(std::max(0, request.defaultButton)), buttons.size() - 1)];
    case QuestionDefault::Decline:
        if (request.buttons == mb::YesNo) return mb::No;
        if (request.buttons == mb::AbortRetryIgnore) return mb::Abort;
        return mb::Cancel;
    case QuestionDefault::Accept:
        if (request.buttons == mb::AbortRetryIgnore) return mb::Ignore;
        return buttons.front();
    }
    return buttons.front();
}

int HeadlessShell::messageBox(const MessageBoxRequest& request) {
    ShellEvent event;
    event.kind = "message";
    event.title = request.title.empty() ? applicationTitle() : request.title;
    event.text = request.text;
    event.buttons = request.buttons;
    event.icon = request.icon;
    int answer;
    if (!messageAnswers_.empty()) {
        answer = messageAnswers_.front();
        messageAnswers_.pop_front();
        const std::vector<int> buttons = buttonsOf(request.buttons);
        if (std::find(buttons.begin(), buttons.end(), answer) == buttons.end())
            throw std::logic_error("scripted answer " + answerName(answer) + " is not a button of the " +
                                   buttonSetName(request.buttons) + " box \"" + oneLine(request.text) + "\"");
        event.scripted = true;
    } else {
        answer = unscriptedAnswer(request);
    }
    event.answer = answerName(answer);
    event.answerCode = answer;
    transcript_.push_back(std::move(event));
    return answer;
}

std::optional<FileDialogResult> HeadlessShell::fileDialog(const FileDialogRequest& request) {
    ShellEvent event;
    event.kind = request.save ? "save" : "open";
    event.title = request.title;
    event.text = request.fileName;
    event.detail = "filter " + request.filter + "; folder " + request.initDir + "; flags " + std::to_string(request.flags);
    std::optional<FileDialogResult> result;
    if (!fileAnswers_.empty()) {
        result = fileAnswers_.front();
        fileAnswers_.pop_front();
        event.scripted = true;
        if (result && result->filterIndex == 0) result->filterIndex = request.filterIndex;
    }
    event.answer = result ? result->fileName : "Cancel";
    transcript_.push_back(std::move(event));
    return result;
}

std::optional<FontResult> HeadlessShell::fontDialog(const FontRequest& request) {
    ShellEvent event;
    event.kind = "font";
    event.text = fontText(request.name, request.size, request.bold, request.italic);
    std::optional<FontResult> result;
    if (!fontAnswers_.empty()) {
        result = fontAnswers_.front();
        fontAnswers_.pop_front();
        event.scripted = true;
    }
    event.answer = result ? fontText(result->name, result->size, result->bold, result->italic) : "Cancel";
    transcript_.push_back(std::move(event));
    return result;
}

runtime::ObjectPtr HeadlessShell::selectSymbol(const runtime::ObjectPtr& symbol) {
    ShellEvent event;
    event.kind = "symbol";
    event.text = symbol ? symbol->className() : "Nothing";
    runtime::ObjectPtr result;
    if (!symbolAnswers_.empty()) {
        result = symbolAnswers_.front();
        symbolAnswers_.pop_front();
        event.scripted = true;
    }
    event.answer = result ? result->className() : "Cancel";
    transcript_.push_back(std::move(event));
    return result;
}

void HeadlessShell::beep() { transcript_.push_back(ShellEvent{.kind = "beep"}); }

int HeadlessShell::openUrl(const std::string& url) {
    transcript_.push_back(ShellEvent{.kind = "url", .text = url, .answer = std::to_string(openUrlResult_),
                                     .answerCode = openUrlResult_});
    return openUrlResult_;
}

int HeadlessShell::popupMenu(const std::vector<std::string>& captions) {
    ShellEvent event;
    event.kind = "popup";
    event.detail = joined(captions, " | ");
    int chosen = -1;
    if (!popupAnswers_.empty()) {
        chosen = popupAnswers_.front();
        popupAnswers_.pop_front();
        event.scripted = true;
    }
    if (chosen >= static_cast<int>(captions.size())) chosen = -1;
    event.answer = chosen < 0 ? "dismissed" : captions[static_cast<std::size_t>(chosen)];
    event.answerCode = chosen;
    transcript_.push_back(std::move(event));
    return chosen;
}

void HeadlessShell::runModal(Form& form) {
    const std::size_t at = transcript_.size();
    transcript_.push_back(ShellEvent{.kind = "modal", .title = form.caption(), .text = form.name()});
    auto found = modalActions_.find(property::upperName(form.name()));
    if (found == modalActions_.end() || found->second.empty()) {
        transcript_[at].answer = "hidden";
        form.hide();
        return;
    }
    auto action = std::move(found->second.front());
    found->second.pop_front();
    transcript_[at].scripted = true;
    try {
        action(form);
    } catch (...) {
        transcript_[at].answer = "failed";
        throw;
    }
    transcript_[at].answer = !form.isLoaded() ? "unloaded" : form.isVisible() ? "left open" : "hidden";
}

std::string HeadlessShell::transcriptText() const {
    std::string out;
    for (const ShellEvent& e : transcript_) {
        std::string line = e.kind;
        if (e.kind == "message") {
            std::string box = buttonSetName(e.buttons);
            if (!iconName(e.icon).empty()) box += ", " + iconName(e.icon);
            line += " \"" + e.title + "\" [" + box + "]: " + oneLine(e.text) + " -> " + e.answer;
        } else if (e.kind == "open" || e.kind == "save") {
            line += " \"" + e.title + "\" " + e.text + " (" + e.detail + ") -> " + e.answer;
        } else if (e.kind == "popup") {
            line += " [" + e.detail + "] -> " + e.answer;
        } else if (e.kind == "modal") {
            line += " " + e.text + " \"" + e.title + "\" -> " + e.answer;
        } else if (e.kind != "beep") {
            line += " " + e.text + " -> " + e.answer;
        }
        if (!e.scripted && e.kind != "beep" && e.kind != "url") line += " (default)";
        out += line + "\n";
    }
    return out;
}

nlohmann::json HeadlessShell::transcriptJson() const {
    nlohmann::json out = nlohmann::json::array();
    for (const ShellEvent& e : transcript_) {
        nlohmann::json j{{"kind", e.kind}, {"answer", e.answer}, {"scripted", e.scripted}};
        if (!e.title.empty()) j["title"] = e.title;
        if (!e.text.empty()) j["text"] = e.text;
        if (!e.detail.empty()) j["detail"] = e.detail;
        if (e.kind == "message") {
            j["buttons"] = buttonSetName(e.buttons);
            j["icon"] = iconName(e.icon);
            j["answerCode"] = e.answerCode;
        }
        out.push_back(std::move(j));
    }
    return out;
}

}  // namespace ui
