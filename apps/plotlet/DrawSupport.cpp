#include "plotlet/DrawSupport.h"

#include <filesystem>
#include <optional>
#include <stdexcept>

#include "render/CairoDisplay.h"
#include "render/Export.h"
#include "runtime/Text.h"
#include "ui/Form.h"

namespace plotlet::cli {

std::shared_ptr<host::ICommand> createPlotletCommand(Context& context, const std::string& moduleName) {
    for (const host::PluginModule& module : context.plugins().modules()) {
        if (!moduleName.empty() && module.moduleName() != moduleName) continue;
        std::shared_ptr<host::ICommand> command;
        try {
            command = module.createCommand();
        } catch (const std::exception& e) {
            throw std::runtime_error(module.file().string() + ": command cannot be created: " + e.what());
        }
        if (command && command->Name() == "Zorvex_Plotlet") return command;
    }
    if (!moduleName.empty()) throw std::runtime_error("no plug-in module named " + moduleName + " offers the chart command");
    throw std::runtime_error("no plug-in module with the chart command was loaded from " +
                             context.effectivePluginFolder().string());
}

ui::Form* openPlotletDialog(host::ICommand& command, const host::ApplicationPtr& application) {
    command.OnCreate(application);
    command.OnClick();
    ui::Form* dialog = ui::findForm("frmPlotlet");
    return dialog && dialog->isVisible() ? dialog : nullptr;
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

MapScaleAsReference::MapScaleAsReference(host::Map& map) : map_(map) {
    if (map.referenceScale() <= 0 && map.mapScale() > 0) {
        map.setReferenceScale(map.mapScale());
        applied_ = true;
    }
}

MapScaleAsReference::~MapScaleAsReference() {
    if (applied_) map_.setReferenceScale(0);
}

void drawPicture(host::MxDocument& document, const PictureRequest& request,
                 const std::function<bool(std::size_t done, std::size_t total)>& progress) {
    const host::MapPtr& map = document.focusMap();
    std::optional<MapScaleAsReference> scale;
    if (map) scale.emplace(*map);
    render::ExportOptions options;
    options.width = request.width;
    options.dpi = request.dpi;
    options.decorations = request.decorations;
    if (progress) options.progress = progress;
    render::exportDocument(document, request.path, options);
}

}  // namespace plotlet::cli
