#pragma once
// The options of a picture that make it a finished map (legend, title, scale bar, north arrow),
// shared by the subcommands that draw pictures. They belong to the picture only: the map
// document does not keep them.
#include <CLI/CLI.hpp>

#include <string>

#include "render/MapDecorations.h"

namespace plotlet::cli {

struct DecorationOptions {
    bool noMapLegend = false;
    std::string title;
    bool scaleBar = false;
    bool northArrow = false;
};

// Declares --no-map-legend, --title, --scale-bar and --north-arrow on the subcommand.
void addDecorationOptions(CLI::App& command, DecorationOptions& options);

// What to draw; `lang` is the subcommand's --lang ("ru", "en" or empty for English).
// std::invalid_argument with a message for the user when the language is not known.
render::MapDecorations decorationsOf(const DecorationOptions& options, const std::string& lang);

}  // namespace plotlet::cli
