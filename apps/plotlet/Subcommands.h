#pragma once
// The subcommands of the command-line host. Each lives in its own source file and adds itself
// to the application with one function: it declares its options and sets a callback that does
// the work and stores its exit code in the context. A new subcommand is one more file and one
// more entry in `subcommands`.
#include <CLI/CLI.hpp>

#include "plotlet/Context.h"

namespace plotlet::cli {

using AddSubcommand = void (*)(CLI::App& app, Context& context);

void addCommandsSubcommand(CLI::App& app, Context& context);  // CommandsCommand.cpp
void addInfoSubcommand(CLI::App& app, Context& context);      // InfoCommand.cpp
void addInspectSubcommand(CLI::App& app, Context& context);   // PropertyFileCommand.cpp
void addDrawSubcommand(CLI::App& app, Context& context);      // DrawCommand.cpp
void addRenderSubcommand(CLI::App& app, Context& context);    // RenderCommand.cpp
void addDialogSubcommand(CLI::App& app, Context& context);    // DialogCommand.cpp
void addLegendSubcommand(CLI::App& app, Context& context);    // LegendCommand.cpp
void addIdentifySubcommand(CLI::App& app, Context& context);  // IdentifyCommand.cpp

// What `inspect` prints for a property-set file (.leg, .par, .obj) or a layer file (.lyr);
// `info` shows the same for property-set files. Returns the exit code.
int inspectPropertyFile(Context& context, const std::string& file, bool json);
// Whether the path ends in .leg, .par or .obj (in any case).
bool isPropertySetFilePath(const std::string& path);
void addLabelsSubcommand(CLI::App& app, Context& context);    // LabelsCommand.cpp
void addFieldsSubcommand(CLI::App& app, Context& context);    // FieldsCommand.cpp
void addGraphicsSubcommand(CLI::App& app, Context& context);  // GraphicsCommand.cpp

inline constexpr AddSubcommand subcommands[] = {
    addCommandsSubcommand,
    addInfoSubcommand,
    addInspectSubcommand,
    addDrawSubcommand,
    addRenderSubcommand,
    addDialogSubcommand,
    addLegendSubcommand,
    addIdentifySubcommand,
    addLabelsSubcommand,
    addFieldsSubcommand,
    addGraphicsSubcommand,
};

}  // namespace plotlet::cli
