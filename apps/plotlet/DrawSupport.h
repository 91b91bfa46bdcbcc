#pragma once
// What `plotlet draw` needs besides the dialog: the plug-in's command, and the picture of the
// finished map.
#include <memory>
#include <string>

#include "host/ICommand.h"
#include "host/MxDocument.h"
#include "plotlet/Context.h"

namespace plotlet::cli {

// The chart command of the first loaded plug-in module that offers it. Throws a message for
// the user when no module does.
std::shared_ptr<host::ICommand> createPlotletCommand(Context& context);

struct PictureRequest {
    std::string path;
    int width = 2000;  // pixels; the height follows the map's proportions
    double dpi = 96;
};

// Checks the picture's name, width and resolution before any work is done.
PictureRequest pictureRequest(const std::string& path, int width, double dpi);

// Makes the cairo display the screen display of the views created from now on, so the charts
// are measured with the fonts they are drawn with.
void useCairoDisplay();

// Draws the focus map of the document, charts included, into the picture (PNG, SVG or PDF by
// its extension), written atomically.
void drawPicture(host::MxDocument& document, const PictureRequest& request);

}  // namespace plotlet::cli
