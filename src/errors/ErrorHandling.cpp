#include "errors/ErrorHandling.h"

#include <new>

#include "runtime/Error.h"
#include "ui/Shell.h"

namespace plotlet::ErrorHandling {

namespace {
constexpr const char* CRLF = "\r\n";
constexpr const char* TAB = "\t";

// The block that replaces a description the first time an error is reported.
std::string formatDescription(std::int32_t number, const std::string& description) {
    std::string block;
    block += CRLF;
    block += "Error Number ";
    block += CRLF;
    block += TAB;
    block += std::to_string(number);
    block += CRLF;
    block += "Description";
    block += CRLF;
    block += TAB;
    block += description;
    block += CRLF;
    block += CRLF;
    return block;
}
}  // namespace

thread_local bool errorFormatted = false;

std::string FormatErrorLine(long lineNumber) {
    if (lineNumber == 0) return {};
    return "Line : " + std::to_string(lineNumber);
}

void HandleError(bool topLevel, const std::string& location, std::int32_t errNumber,
                 const std::string& errSource, const std::string& errDescription, std::int16_t mode) {
    // Copies first: the caller's texts may belong to the failure being handled.
    const std::string where = location;
    const std::string source = errSource;
    std::string description = errDescription;

    if (!errorFormatted) description = formatDescription(errNumber, description);

    if (topLevel) {
        errorFormatted = false;
        // Modes 1 to 4 and any other value all end in the same box.
        (void)mode;
        ShowErrorBox(where, description);
        return;
    }
    errorFormatted = true;
    throw runtime::Error(errNumber, source, std::string(TAB) + where + CRLF + description);
}

void ShowErrorBox(const std::string& location, const std::string& formattedDescription) {
    std::string text;
    text += "An error has occured in the application.   Record the call stack sequence";
    text += CRLF;
    text += "and the description of the error.";
    text += CRLF;
    text += CRLF;
    text += "Error Call Stack Sequence ";
    text += CRLF;
    text += TAB;
    text += location;
    text += CRLF;
    text += formattedDescription;

    // Held for the whole report, in case the box's answer replaces the installed shell.
    const std::shared_ptr<ui::Shell> shell = ui::currentShell();
    shell->beep();
    shell->messageBox({.text = text,
                      .buttons = ui::mb::OKOnly,
                      .icon = ui::mb::Exclamation,
                      .title = "Unexpected Program Error"});
}

std::string ErrorSite::location(long line) const {
    std::string text(procedure);
    if (!module.empty()) {
        text += module;
        text += ' ';
    }
    text += FormatErrorLine(line);
    return text;
}

CaughtError describe(std::exception_ptr failure) {
    try {
        if (failure) std::rethrow_exception(failure);
    } catch (const runtime::Error& e) {
        return {e.number(), e.source(), e.description()};
    } catch (const std::bad_alloc&) {
        return {OutOfMemory, "Plotlet", "Out of memory"};
    } catch (const std::exception& e) {
        std::string what = e.what();
        return {AutomationError, "Plotlet", what.empty() ? "Automation error" : what};
    } catch (...) {
    }
    return {AutomationError, "Plotlet", "Automation error"};
}

CaughtError describeCurrent() { return describe(std::current_exception()); }

void reportError(const ErrorSite& site, long line, std::int16_t mode) noexcept {
    try {
        const CaughtError error = describeCurrent();
        HandleError(true, site.location(line), error.number, error.source, error.description, mode);
    } catch (...) {
        // The procedure is already failing; a shell that cannot show the box must not turn a
        // reported error into a crash of the host.
        errorFormatted = false;
    }
}

}  // namespace plotlet::ErrorHandling
