#pragma once
// Moving the charts of a map so that they do not collide, shared by `plotlet arrange` and
// `plotlet draw --arrange`, and shortening the numbers of value labels that would overlap,
// shared by `arrange`, `draw` and `render` with --short-numbers.
#include <CLI/CLI.hpp>

#include <string>
#include <vector>

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

// The graphics layers of the map that hold charts: its sub-layers, then its own elements.
std::vector<host::GraphicsLayerPtr> chartGraphicsLayers(const host::Map& map);

// Declares --short-numbers on the subcommand.
void addShortNumbersOption(CLI::App& command, bool& shortNumbers);

// Gives the value labels of the layer's charts that would overlap the label of a neighbouring
// bar a short form of their number (in Russian's conventions when `russian`), measured on the
// map's own display as the plug-in placed them. Prints how many on stdout.
void shortenCrowdedLabels(Context& context, host::MxDocument& document, host::GraphicsLayer& layer, bool russian);

}  // namespace plotlet::cli
