#pragma once
// The offer `draw` makes for a polygon or line layer: the chart dialog charts points only, so
// the layer's points (one inside each polygon, halfway along each line, with every attribute)
// are written to LAYER_points.gpkg beside the map document and added to the map as a point
// layer, which the dialog then offers and a saved map reopens with.
#include <string>

#include "host/Layer.h"
#include "host/Map.h"
#include "plotlet/Context.h"

namespace plotlet::cli {

// The offer was declined or could not be carried out: the message and the exit code.
struct DerivedPointsRefusal {
    std::string message;
    int code;
};

// Asks (accepted by `yes`; asked on a terminal; refused elsewhere), writes the points into
// `folder`, replacing an earlier file, and returns the map's point layer of them: a layer of
// that name already in the map (a rerun) takes the new data, otherwise a new one goes just
// above `layer`. Throws DerivedPointsRefusal.
host::FeatureLayerPtr chartDerivedPoints(Context& context, host::Map& map, const host::FeatureLayerPtr& layer,
                                         const std::string& folder, bool yes);

}  // namespace plotlet::cli
