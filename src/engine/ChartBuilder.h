#pragma once
// The chart element builder: one bar chart per feature of a point layer (all features or the
// selected ones), placed beside the feature's marker, optionally with a leader, value labels and
// break marks, grouped and added to the layer's chart graphics layer "<layer>_charts". Every
// chart marker carries the feature's key value as its name and the data it was drawn from, so
// a later run in Recreate mode finds it again. The view is refreshed once, at the end.
//
// The remaining settings are read from the dialog's controls while the run goes on (scale
// boxes, label settings, key field, null substitute, old chart layer, leader, labels, layer
// file), as the dialog shows them.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ChartDialog.h"
#include "host/Layer.h"
#include "host/Symbol.h"

namespace plotlet {

// `placementCode`: 0..13, −1 keep the old place, −2 over the old charts of the graphics layer
// named in CmbOldChartLayer (both Recreate only). `fieldNames` and `fieldSymbols` in bar order.
// Expected conditions end in a message box; any other failure in the error report
// ("PlotletsGraphElement", module Plotlet_v8_2, the step as line), charts already drawn staying.
// The settings are read from `dialog`.
void PlotletsGraphElement(ChartDialog dialog, const host::FeatureLayerPtr& layer, std::int16_t placementCode,
                          bool selectedOnly, bool recreate, const std::vector<std::string>& fieldNames,
                          const host::SymbolArray* fieldSymbols);

}  // namespace plotlet
