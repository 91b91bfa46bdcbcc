#include "plotlet/DrawSupport.h"

#include <filesystem>
#include <stdexcept>

#include "render/CairoDisplay.h"
#include "render/Export.h"
#include "runtime/Text.h"

namespace plotlet::cli {

std::shared_ptr<host::ICommand> createPlotletCommand(Context& context) {
    for (const host::PluginModule& module : context.plugins().modules()) {
        std::shared_ptr<host::ICommand> command = module.createCommand();
        if (command && command->Name() == "Zorvex_Plotlet") return command;
    }
    throw std::runtime_error("no plug-in module with the chart command was loaded from " +
                             context.effectivePluginFolder().string());
}

PictureRequest pictureRequest(const std::string& path, int width, double dpi) {
    PictureRequest request;
    request.path = path;
    const std::string extension = runtime::lowerCase(std::filesystem::path(path).extension().string());
    if (extension != ".png" && extension != ".svg" && extension != ".pdf")
        throw std::invalid_argument("--out " + path + ": the picture must end in .png, .svg or .pdf");
    if (width < 1 || width > 32767) throw std::invalid_argument("--width: 1 to 32767 pixels");
    if (!(dpi >= 10 && dpi <= 2400)) throw std::invalid_argument("--dpi: 10 to 2400");
    request.width = width;
    request.dpi = dpi;
    return request;
}

void useCairoDisplay() { render::install(); }

void drawPicture(host::MxDocument& document, const PictureRequest& request) {
    render::ExportOptions options;
    options.width = request.width;
    options.dpi = request.dpi;
    render::exportDocument(document, request.path, options);
}

}  // namespace plotlet::cli
