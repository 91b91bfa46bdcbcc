#pragma once
// The main dialog as a user meets it: a map with point layers (and others that must not be
// offered), the command created with an application holding the map's document, clicked once,
// and a Driver to act on the dialog. The HeadlessShell answers and records every box.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "command/ClsPlotlet.h"
#include "dialog/frmPlotlet.h"
#include "host/Feature.h"
#include "host/Layer.h"
#include "host/Map.h"
#include "support/ShellScopes.h"
#include "ui/Forms.h"

namespace dialogtest {

using runtime::Variant;

// A point layer named `name` whose attribute fields (after OBJECTID 0 and Shape 1) are the
// given ones, with `rows` features whose values come from `value(row, field)`.
host::FeatureLayerPtr makeLayer(const std::string& name, host::GeometryType type, std::vector<host::Field> fields);

// "Towns": 0 OBJECTID, 1 Shape, 2 NAME (text), 3 POP1990 (long), 4 POP2000 (double), 5 AREA
// (float), 6 CODE (short), 7 FOUNDED (date), 8..12 V8..V12 (double). Four features; the
// values of POP1990 are 120, 75, 10, 3 and of POP2000 75.5, -2, 30, 8.
host::FeatureLayerPtr makeTowns();

// Field positions of "Towns" as LstFields shows them (numeric fields and the identifier).
inline const std::vector<std::string> TownsNumericFields = {"OBJECTID", "POP1990", "POP2000", "AREA", "CODE",
                                                           "V8",       "V9",      "V10",     "V11",  "V12"};

class DialogTest : public ::testing::Test {
protected:
    void TearDown() override;

    const host::MapPtr& map() const { return app->document()->focusMap(); }
    // Creates the command (once) and clicks it; returns the dialog.
    plotlet::frmPlotlet& open();
    plotlet::frmPlotlet& dialog() const { return *command->dialog(); }
    ui::Driver user() const { return ui::Driver(dialog()); }

    // The "Unexpected Program Error" boxes shown so far.
    std::vector<ui::ShellEvent> errorBoxes() const;
    // The other message boxes.
    std::vector<ui::ShellEvent> plainBoxes() const;

    // Selects exactly these rows of LstFields and presses ">".
    void chart(const std::vector<int>& rows);
    // Selects exactly these rows (1-based) of LstViewFields.
    void selectChartRows(const std::vector<int>& rows);
    // Field names of LstViewFields in row order, and of LstFields.
    std::vector<std::string> chartFields() const;
    std::vector<std::string> availableFields() const;

    testing_support::HeadlessScope shell;
    host::ApplicationPtr app = std::make_shared<host::Application>();
    std::unique_ptr<plotlet::ClsPlotlet> command;
};

// Checks every invariant of the chart field list: row k has symbol k - 1 and image k + 1 under
// the key "key" + its position in sub-item 5, icons bound to that key, the placeholder first,
// the preview drawn from the row's symbol, and each field in exactly one of the two lists.
void expectFieldListInvariants(const plotlet::frmPlotlet& dialog);

}  // namespace dialogtest
