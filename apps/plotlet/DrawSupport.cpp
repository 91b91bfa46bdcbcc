#include "plotlet/DrawSupport.h"

#include <filesystem>
#include <stdexcept>

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

PictureRequest pictureRequest(const std::string& path, const std::string& size, double dpi) {
    PictureRequest request;
    request.path = path;
    const std::string extension = runtime::lowerCase(std::filesystem::path(path).extension().string());
    if (extension != ".png" && extension != ".svg" && extension != ".pdf")
        throw std::invalid_argument("--out " + path + ": the picture must end in .png, .svg or .pdf");
    const std::size_t x = runtime::lowerCase(size).find('x');
    try {
        if (x == std::string::npos) throw std::invalid_argument("no x");
        std::size_t used = 0;
        request.width = std::stoi(size.substr(0, x), &used);
        if (used != x) throw std::invalid_argument("width");
        request.height = std::stoi(size.substr(x + 1), &used);
        if (used != size.size() - x - 1) throw std::invalid_argument("height");
    } catch (const std::exception&) {
        throw std::invalid_argument("--size " + size + ": write WIDTHxHEIGHT in pixels, e.g. 2000x2000");
    }
    if (request.width < 1 || request.height < 1 || request.width > 20000 || request.height > 20000)
        throw std::invalid_argument("--size " + size + ": 1 to 20000 pixels each way");
    if (!(dpi >= 10 && dpi <= 2400)) throw std::invalid_argument("--dpi: 10 to 2400");
    request.dpi = dpi;
    return request;
}

void drawPicture(host::MxDocument&, const PictureRequest& request) {
    throw std::runtime_error("cannot draw " + request.path + ": this build has no map drawing yet");
}

}  // namespace plotlet::cli
