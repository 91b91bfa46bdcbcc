#include "plotlet/ParameterFiles.h"

#include <filesystem>
#include <vector>

#include "host/PropertySetFile.h"
#include "runtime/Error.h"
#include "ui/Driver.h"
#include "ui/Form.h"

namespace plotlet::cli {

namespace {

namespace fs = std::filesystem;

// The message boxes the dialog showed since `before`.
std::vector<ui::ShellEvent> boxesSince(const Context& context, std::size_t before) {
    std::vector<ui::ShellEvent> boxes;
    const auto& t = context.shell->transcript();
    for (std::size_t i = before; i < t.size(); ++i)
        if (t[i].kind == "message") boxes.push_back(t[i]);
    return boxes;
}

}  // namespace

bool loadParameterFile(Context& context, ui::Form& dialog, const std::string& path) {
    // Read here first only to say plainly why an unusable file is refused; the dialog reads it
    // again and applies it.
    host::PropertySetPtr set;
    try {
        set = host::readPropertySetFile(path);
    } catch (const runtime::Error& e) {
        throw ParameterFileFailure{"--params: " + e.description(), InputError};
    }
    const std::size_t before = context.shell->transcript().size();
    context.shell->chooseFile(fs::absolute(path).string());
    if (!ui::Driver(dialog).click("CmdLoadParam"))
        throw ParameterFileFailure{"--params " + path + ": the dialog could not load it", PluginFailed};
    for (const ui::ShellEvent& box : boxesSince(context, before)) {
        // The dialog refuses a file naming controls it lacks, or values they cannot take, with
        // a warning; anything else is a failure it reported.
        const bool refused = box.icon == ui::mb::Exclamation && box.title != "Unexpected Program Error";
        throw ParameterFileFailure{"--params " + path + (refused ? ": the dialog refused the file (below); nothing was saved"
                                                                 : ": the dialog reported a failure (below); nothing was saved"),
                                   refused ? InputError : PluginFailed};
    }
    return set->isPropertyPresent("TxtMaxValue");
}

void saveParameterFile(Context& context, ui::Form& dialog, const std::string& path) {
    const std::size_t before = context.shell->transcript().size();
    context.shell->chooseFile(fs::absolute(path).string());
    const bool clicked = ui::Driver(dialog).click("CmdSaveParam");
    if (!clicked || !boxesSince(context, before).empty())
        throw ParameterFileFailure{"--save-params " + path + ": the dialog could not write it (below)", PluginFailed};
}

}  // namespace plotlet::cli
