#pragma once
// Chart renderer and layer files: after a chart run the user may get a layer file (*.lyr) in
// which a copy of the charted layer draws the same charts through the host's chart renderer.
#include <optional>
#include <string>
#include <vector>

#include "engine/ChartDialog.h"
#include "errors/ErrorHandling.h"
#include "host/Layer.h"
#include "host/Symbol.h"

namespace plotlet {

// The layer-file step of the builder: hides the dialog, copies the layer, gives the copy a
// chart renderer (a copy of `chartSymbol` without leader, at `chartMarkerSize` points; the
// fields in chart order; no overposter; a legend; the label "Label"), lets the user save it
// and shows the dialog again, also when something failed on the way. Returns the layer copy.
// A failure to write the chosen file does not stop the step: it is handed back in `failure`,
// for the builder to report (a user told nothing would believe the file was saved).
host::FeatureLayerPtr SaveChartLayerFile(ChartDialog dialog, const host::FeatureLayerPtr& layer,
                                         const std::vector<std::string>& fieldNames,
                                         const host::BarChartSymbolPtr& chartSymbol, double chartMarkerSize,
                                         std::optional<ErrorHandling::CaughtError>& failure);

// The save dialog through the dialog's CommonDialog1 (proposed name `name`.lyr in initDir),
// then the file written with the progressor's message "Saving Layerfile(s)" showing. A
// cancelled dialog writes nothing. Nothing here stops the caller: a failure while writing is
// handed back in `failure`, and the progressor is hidden again whatever happened.
void SaveLayerFileAs(ChartDialog dialog, const host::LayerPtr& layer, const std::string& name,
                     std::optional<ErrorHandling::CaughtError>& failure);

// Writes the layer with its renderer into a layer file at `path` (atomically: a failure leaves
// an existing file as it was). Host errors name the file.
void WriteLayerFile(const std::string& path, const host::LayerPtr& layer);

}  // namespace plotlet
