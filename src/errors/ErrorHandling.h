#pragma once
// The module ErrorHandling: the one way an unexpected failure reaches the user. A procedure
// that traps errors catches the failure at its boundary, names itself and hands number, source
// and description to HandleError, which shows a warning box titled "Unexpected Program Error"
// with the location and the error, then the procedure ends normally with its default result.
//
// Plug-in procedures normally do not call HandleError directly but use ProcedureGuard (below):
//
//     std::int32_t ClsPlotlet::Bitmap() {
//         ProcedureGuard guard{{.procedure = "ICommand_Bitmap ", .module = "clsPlotlet"}};
//         try {
//             guard.line = 1;
//             ...
//         } catch (...) {
//             guard.report();  // the box; the error is consumed
//             return 0;
//         }
//     }
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace plotlet::ErrorHandling {

// Modes the callers pass; every mode ends in the same box, the number only records which
// display routine the caller asked for.
inline constexpr std::int16_t ModeDialog = 1;   // dialogs and a few chart-module procedures
inline constexpr std::int16_t ModeModule = 4;   // command class, chart engine, texts, field delete

// The description of the error under report already holds the formatted block. Shared by every
// call of HandleError on this thread; each top-level report clears it.
extern thread_local bool errorFormatted;

// "Line : " followed by the number, or "" for 0.
std::string FormatErrorLine(long lineNumber);

// Reports one error. Top level (every caller in the plug-in): beep and show the box. Not top
// level: rethrows a runtime::Error with the same number and source whose description is TAB,
// location, CRLF and the formatted block, for an outer procedure to report with its own
// location in front.
void HandleError(bool topLevel, const std::string& location, std::int32_t errNumber,
                 const std::string& errSource, const std::string& errDescription, std::int16_t mode);

// Beeps and shows the warning box for `location` and an already formatted description.
void ShowErrorBox(const std::string& location, const std::string& formattedDescription);

// --- helpers for the procedures' failure handlers ---------------------------------------------

// Where a procedure runs: its name exactly as it is to appear (normally with a trailing blank)
// and the module name, or no module for the callers that leave it out.
struct ErrorSite {
    std::string_view procedure;
    std::string_view module = {};

    // procedure + module + " " + line part; procedure + line part when there is no module.
    std::string location(long line) const;
};

// The number, source and description of a caught failure, as the runtime would report them.
//  - runtime::Error (and so every host::Error): its own number, source and description;
//  - std::bad_alloc: 7 "Out of memory";
//  - any other std::exception: 440 (the runtime's "Automation error", the number it gives a
//    failure raised by a component that carries no number of its own), source "Plotlet",
//    description its what() text, or "Automation error" when that is empty;
//  - anything else: 440 "Automation error".
struct CaughtError {
    std::int32_t number = 0;
    std::string source;
    std::string description;
};
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t AutomationError = 440;

CaughtError describe(std::exception_ptr failure);
// The failure being handled; call only inside a catch block.
CaughtError describeCurrent();

// Reports the failure being handled through HandleError at top level, with `site` and `line`
// as location. Call only inside a catch block. Never throws: a failure while showing the box
// (a broken shell) is swallowed, because the procedure is already on its failure path.
void reportError(const ErrorSite& site, long line, std::int16_t mode = ModeModule) noexcept;

// A procedure's failure handler state: its site and its step counter, which stands for the
// source line the error arose at (0 = before the first step, shown without a line part).
struct ProcedureGuard {
    ErrorSite site;
    long line = 0;
    std::int16_t mode = ModeModule;

    void report() const noexcept { reportError(site, line, mode); }
};

// Runs `body(guard)` and reports any failure through the guard; returns body's result, or
// `fallback` (the procedure's default result) after a failure.
template <class Body, class Result>
Result trapped(ProcedureGuard guard, Body&& body, Result fallback) {
    try {
        return body(guard);
    } catch (...) {
        guard.report();
        return fallback;
    }
}

template <class Body>
void trapped(ProcedureGuard guard, Body&& body) {
    try {
        body(guard);
    } catch (...) {
        guard.report();
    }
}

}  // namespace plotlet::ErrorHandling
