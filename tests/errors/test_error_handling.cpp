#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "errors/ErrorHandling.h"
#include "runtime/Error.h"
#include "support/ShellScopes.h"

using namespace plotlet::ErrorHandling;
using testing_support::HeadlessScope;

namespace {

const std::string Preamble =
    "An error has occured in the application.   Record the call stack sequence\r\n"
    "and the description of the error.\r\n"
    "\r\n"
    "Error Call Stack Sequence \r\n";

std::string expectedBox(const std::string& location, std::int32_t number, const std::string& description) {
    return Preamble + "\t" + location + "\r\n" + "\r\nError Number \r\n\t" + std::to_string(number) +
           "\r\nDescription\r\n\t" + description + "\r\n\r\n";
}

}  // namespace

TEST(ErrorHandling, ShowsTheWarningBoxWithLocationNumberAndDescription) {
    HeadlessScope shell;
    HandleError(true, "ICommand_Bitmap clsPlotlet Line : 3", 91, "Plotlet",
                "Object variable or With block variable not set", ModeModule);

    ASSERT_EQ(shell.messages().size(), 1u);
    const ui::ShellEvent box = shell.messages()[0];
    EXPECT_EQ(box.text, expectedBox("ICommand_Bitmap clsPlotlet Line : 3", 91,
                                    "Object variable or With block variable not set"));
    EXPECT_EQ(box.title, "Unexpected Program Error");
    EXPECT_EQ(box.icon, ui::mb::Exclamation);
    EXPECT_EQ(box.buttons, ui::mb::OKOnly);
    EXPECT_EQ(shell.beeps(), 1);
    EXPECT_EQ(shell.shell->transcript().front().kind, "beep");  // the beep comes first
    EXPECT_FALSE(errorFormatted);
}

TEST(ErrorHandling, LineZeroLeavesTheLinePartOut) {
    EXPECT_EQ(FormatErrorLine(0), "");
    EXPECT_EQ(FormatErrorLine(12), "Line : 12");

    HeadlessScope shell;
    try {
        runtime::raise(runtime::err::TypeMismatch);
    } catch (...) {
        reportError({.procedure = "Class_Initialize ", .module = "clsPlotlet"}, 0);
    }
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, expectedBox("Class_Initialize clsPlotlet ", 13, "Type mismatch"));
}

TEST(ErrorHandling, LocationJoinsProcedureAndModuleAsPassed) {
    // The names are joined exactly as given: a procedure name without its trailing blank runs
    // into the module name, and a site without a module has no module part at all.
    EXPECT_EQ((ErrorSite{.procedure = "GetX0Y0 ", .module = "Plotlet_v8_2"}.location(7)), "GetX0Y0 Plotlet_v8_2 Line : 7");
    EXPECT_EQ((ErrorSite{.procedure = "MakeBarChartSymbol", .module = "Plotlet_v8_2"}.location(2)),
              "MakeBarChartSymbolPlotlet_v8_2 Line : 2");
    EXPECT_EQ((ErrorSite{.procedure = "DataStatistic "}.location(4)), "DataStatistic Line : 4");
    EXPECT_EQ((ErrorSite{.procedure = "DataStatistic "}.location(0)), "DataStatistic ");
}

TEST(ErrorHandling, TwoErrorsInARowEachShowTheirOwnFreshBox) {
    HeadlessScope shell;
    HandleError(true, "GetMapLayers Plotlet_v8_2 Line : 2", 9, "Plotlet", "Subscript out of range", ModeModule);
    HandleError(true, "DataStatistic Line : 5", 11, "Plotlet", "Division by zero", ModeDialog);

    ASSERT_EQ(shell.messages().size(), 2u);
    EXPECT_EQ(shell.messages()[0].text, expectedBox("GetMapLayers Plotlet_v8_2 Line : 2", 9, "Subscript out of range"));
    EXPECT_EQ(shell.messages()[1].text, expectedBox("DataStatistic Line : 5", 11, "Division by zero"));
    EXPECT_EQ(shell.beeps(), 2);
}

TEST(ErrorHandling, EmptyDescriptionStillHasItsHeadingAndAnEmptyLine) {
    HeadlessScope shell;
    HandleError(true, "X Line : 1", 5, "", "", ModeModule);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, Preamble + "\tX Line : 1\r\n\r\nError Number \r\n\t5\r\nDescription\r\n\t\r\n\r\n");
}

TEST(ErrorHandling, InnerReportRaisesAgainAndTheOuterBoxShowsBothLocations) {
    HeadlessScope shell;
    try {
        HandleError(false, "Inner Line : 4", 6, "Plotlet", "Overflow", ModeModule);
        FAIL() << "an inner report raises the error again";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.source(), "Plotlet");
        EXPECT_TRUE(errorFormatted);
        EXPECT_TRUE(shell.messages().empty());
        HandleError(true, "Outer Line : 9", e.number(), e.source(), e.description(), ModeModule);
    }
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text,
              Preamble + "\tOuter Line : 9\r\n\tInner Line : 4\r\n\r\nError Number \r\n\t6\r\nDescription\r\n\tOverflow\r\n\r\n");
    EXPECT_FALSE(errorFormatted);
}

TEST(ErrorHandling, DescribesEveryKindOfCaughtFailure) {
    auto caught = [](auto thrower) {
        try {
            thrower();
        } catch (...) {
            return describeCurrent();
        }
        return CaughtError{};
    };
    const CaughtError own = caught([] { throw runtime::Error(0x80040007, "Map", "No focus map"); });
    EXPECT_EQ(own.number, static_cast<std::int32_t>(0x80040007));
    EXPECT_EQ(own.source, "Map");
    EXPECT_EQ(own.description, "No focus map");

    const CaughtError standard = caught([] { throw std::out_of_range("index 7 of 3"); });
    EXPECT_EQ(standard.number, AutomationError);
    EXPECT_EQ(standard.description, "index 7 of 3");

    EXPECT_EQ(caught([] { throw std::bad_alloc(); }).number, OutOfMemory);

    const CaughtError unknown = caught([] { throw 42; });
    EXPECT_EQ(unknown.number, AutomationError);
    EXPECT_EQ(unknown.description, "Automation error");
}

TEST(ErrorHandling, TrappedReportsAtTheGuardsStepAndReturnsTheDefault) {
    HeadlessScope shell;
    const int result = trapped(ProcedureGuard{{.procedure = "GetX0Y0 ", .module = "Plotlet_v8_2"}},
                               [](ProcedureGuard& guard) -> int {
                                   guard.line = 1;
                                   guard.line = 2;
                                   throw std::runtime_error("bad envelope");
                               },
                               -1);
    EXPECT_EQ(result, -1);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, expectedBox("GetX0Y0 Plotlet_v8_2 Line : 2", AutomationError, "bad envelope"));

    EXPECT_EQ(trapped(ProcedureGuard{{.procedure = "Fine "}}, [](ProcedureGuard&) { return 5; }, 0), 5);
    EXPECT_EQ(shell.messages().size(), 1u);
}

TEST(ErrorHandling, AShellThatCannotShowTheBoxDoesNotBreakTheFailurePath) {
    ui::ShellScope broken(std::make_shared<testing_support::BrokenShell>());
    EXPECT_NO_THROW(trapped(ProcedureGuard{{.procedure = "P ", .module = "M"}},
                            [](ProcedureGuard&) { runtime::raise(runtime::err::Overflow); }));
    EXPECT_FALSE(errorFormatted);
}
