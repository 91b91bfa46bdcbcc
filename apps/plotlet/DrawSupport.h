#pragma once
// What the subcommands that work the plug-in share: its command and dialog, and the picture of
// the finished map.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "host/Application.h"
#include "host/ICommand.h"
#include "host/MxDocument.h"
#include "plotlet/Context.h"
#include "render/MapDecorations.h"

namespace ui {
class Form;
}

namespace plotlet::cli {

// The chart command of the named plug-in module, or of the first loaded module that offers it.
// Throws std::runtime_error with a message for the user when there is none or it cannot be made.
std::shared_ptr<host::ICommand> createPlotletCommand(Context& context, const std::string& moduleName = {});

// Hands the application to the command and clicks it, as the host does; the dialog it showed,
// or nullptr when it showed none.
ui::Form* openPlotletDialog(host::ICommand& command, const host::ApplicationPtr& application);

struct PictureRequest {
    std::string path;
    int width = 2000;  // pixels; the height follows the map's proportions
    double dpi = 96;
    render::MapDecorations decorations;
};

// Checks the picture's name, width and resolution before any work is done.
PictureRequest pictureRequest(const std::string& path, int width, double dpi);

// Makes the cairo display the screen display of the views created from now on, so the charts
// are measured with the fonts they are drawn with.
void useCairoDisplay();

// While it lives, a map without a reference scale draws its symbols as at its own scale: the
// charts' labels, break marks and leader ends were placed in map units at that scale, and would
// leave their bars in a picture of another size. The map is as it was afterwards.
class MapScaleAsReference {
public:
    explicit MapScaleAsReference(host::Map& map);
    ~MapScaleAsReference();
    MapScaleAsReference(const MapScaleAsReference&) = delete;
    MapScaleAsReference& operator=(const MapScaleAsReference&) = delete;
    // Whether the map had no reference scale and takes its scale for one now.
    bool applied() const { return applied_; }

private:
    host::Map& map_;
    bool applied_ = false;
};

// Draws the focus map of the document, charts included, into the picture (PNG, SVG or PDF by
// its extension), written atomically, with the map's scale as reference scale when it has none.
// `progress` (when set) hears how many of the elements are drawn; answering false stops the
// drawing with an error.
void drawPicture(host::MxDocument& document, const PictureRequest& request,
                 const std::function<bool(std::size_t done, std::size_t total)>& progress = {});

}  // namespace plotlet::cli
