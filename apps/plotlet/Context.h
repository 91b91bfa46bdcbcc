#pragma once
// What every subcommand of the command-line host shares: the output streams, the global
// options and the plug-ins, loaded once on first use.
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

#include "host/PluginLoader.h"
#include "plotlet/Cli.h"
#include "ui/HeadlessShell.h"

namespace plotlet::cli {

class Context {
public:
    Context(std::ostream& out, std::ostream& err) : out(out), err(err) {}

    std::ostream& out;  // data
    std::ostream& err;  // messages for the user

    // Answers the plug-in's message boxes and dialogs while a subcommand runs; what it was asked
    // to show is written to `err` at the end, so no box goes unseen.
    const std::shared_ptr<ui::HeadlessShell> shell = std::make_shared<ui::HeadlessShell>();

    std::optional<std::filesystem::path> pluginFolder;  // --plugins; default: host::defaultPluginFolder()
    int exitCode = Ok;                                   // set by the subcommand that ran

    // The plug-in folder in use.
    std::filesystem::path effectivePluginFolder() const;
    // Loads the plug-ins of the folder in use on first call; every refused module is reported on
    // `err` as a warning then.
    const host::PluginLoader& plugins();

private:
    std::unique_ptr<host::PluginLoader> plugins_;
};

}  // namespace plotlet::cli
