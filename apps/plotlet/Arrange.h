#pragma once
// Moving the charts of a map so that they do not collide, shared by `plotlet arrange` and
// `plotlet draw --arrange`.
#include <string>

#include "host/Layer.h"
#include "host/MxDocument.h"
#include "plotlet/Context.h"

namespace plotlet::cli {

// Arranges the charts of `layer` on the document's focus map, measured on the map's own display
// as the plug-in measured them. Prints the overlaps before and after on stdout and a note on
// stderr for the charts that found no free place. Throws std::invalid_argument when
// `priorityField` is named but no chart carries it.
void arrangeGraphicsLayer(Context& context, host::MxDocument& document, host::GraphicsLayer& layer,
                          const std::string& priorityField);

}  // namespace plotlet::cli
