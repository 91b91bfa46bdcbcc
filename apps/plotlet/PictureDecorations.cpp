#include "plotlet/PictureDecorations.h"

#include <stdexcept>

#include "runtime/Text.h"

namespace plotlet::cli {

void addDecorationOptions(CLI::App& command, DecorationOptions& options) {
    command.add_flag("--no-map-legend", options.noMapLegend,
                     "Leave out the map legend (drawn by default when the map holds charts: the fields' colours and a bar "
                     "of the largest value)");
    command.add_option("--title", options.title, "A title drawn at the top of the picture")->type_name("TEXT");
    command.add_flag("--scale-bar", options.scaleBar, "Draw a scale bar of round length in metres or kilometres");
    command.add_flag("--north-arrow", options.northArrow, "Draw a north arrow");
}

render::MapDecorations decorationsOf(const DecorationOptions& options, const std::string& lang) {
    render::MapDecorations decorations;
    const std::string l = runtime::lowerCase(lang);
    if (!l.empty() && l != "ru" && l != "en") throw std::invalid_argument("--lang " + lang + ": use ru or en");
    decorations.russian = l == "ru";
    decorations.legend = !options.noMapLegend;
    decorations.title = options.title;
    decorations.scaleBar = options.scaleBar;
    decorations.northArrow = options.northArrow;
    return decorations;
}

}  // namespace plotlet::cli
