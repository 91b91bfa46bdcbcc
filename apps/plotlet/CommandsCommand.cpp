// `plotlet commands`: the commands of the loaded plug-ins, grouped by category, as the host's
// customise dialog would list them.
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "plotlet/Subcommands.h"

namespace plotlet::cli {

namespace {

struct CommandRow {
    std::string name, category, caption, tooltip, componentId, moduleName, moduleFile;
};

struct Options {
    bool json = false;
};

int listCommands(Context& context, const Options& options) {
    const std::filesystem::path folder = context.effectivePluginFolder();
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        context.err << "plotlet: error: plug-in folder " << folder.string() << " does not exist\n";
        return InputError;
    }

    const host::PluginLoader& plugins = context.plugins();
    bool failed = !plugins.problems().empty();
    std::vector<CommandRow> rows;
    for (const host::PluginModule& module : plugins.modules()) {
        try {
            const std::shared_ptr<host::ICommand> command = module.createCommand();
            rows.push_back({command->Name(), command->Category(), command->Caption(), command->Tooltip(),
                            module.componentId(), module.moduleName(), module.file().string()});
        } catch (const std::exception& e) {
            context.err << "plotlet: error: " << module.file().string() << ": command cannot be created: " << e.what()
                        << '\n';
            failed = true;
        } catch (...) {
            context.err << "plotlet: error: " << module.file().string() << ": command cannot be created\n";
            failed = true;
        }
    }
    if (plugins.modules().empty()) {
        context.err << "plotlet: error: no plug-in module loaded from " << folder.string() << '\n';
        failed = true;
    }

    if (options.json) {
        nlohmann::json document = {{"commands", nlohmann::json::array()}, {"problems", nlohmann::json::array()}};
        for (const CommandRow& row : rows) {
            document["commands"].push_back({{"name", row.name},
                                            {"category", row.category},
                                            {"caption", row.caption},
                                            {"tooltip", row.tooltip},
                                            {"componentId", row.componentId},
                                            {"module", row.moduleName},
                                            {"moduleFile", row.moduleFile}});
        }
        for (const host::PluginProblem& problem : plugins.problems()) {
            document["problems"].push_back({{"file", problem.file.string()}, {"reason", problem.reason}});
        }
        context.out << document.dump(2) << '\n';
    } else {
        // Categories in name order, commands in module load order within each.
        std::map<std::string, std::vector<const CommandRow*>> byCategory;
        for (const CommandRow& row : rows) byCategory[row.category].push_back(&row);
        for (const auto& [category, members] : byCategory) {
            context.out << category << '\n';
            for (const CommandRow* row : members) {
                context.out << "  " << row->name << '\n'
                            << "    caption:   " << row->caption << '\n'
                            << "    tool tip:  " << row->tooltip << '\n'
                            << "    identity:  " << row->componentId << '\n'
                            << "    module:    " << row->moduleName << " (" << row->moduleFile << ")\n";
            }
        }
    }
    return failed ? PluginLoadFailure : Ok;
}

}  // namespace

void addCommandsSubcommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand("commands", "List the commands of the loaded plug-in modules");
    sub->add_flag("--json", options->json, "Write the list as JSON");
    sub->callback([&context, options] { context.exitCode = listCommands(context, *options); });
}

}  // namespace plotlet::cli
