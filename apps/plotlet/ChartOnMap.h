#pragma once
// Finding one chart on a map by the name it was drawn with (the key value its chart marker
// element carries) and selecting it as a user would click it, for the subcommands that work
// on a chart the user names.
#include <string>

#include "host/Application.h"
#include "host/Element.h"
#include "host/ICommand.h"
#include "plotlet/Context.h"

namespace ui {
class Form;
}

namespace plotlet::cli {

struct ChartOnMap {
    host::ElementPtr element;  // the group the user clicks (or the marker element alone)
    std::string layer;         // its graphics layer
};

// The chart named `name` on the graphics layers of the focus map (only `graphicsLayer` when it
// is given). Throws std::invalid_argument with a message for the user when there is none, or
// when charts of that name stand on several layers and none was named.
ChartOnMap findChart(const host::MapPtr& map, const std::string& name, const std::string& graphicsLayer);

// Opens the map or data file into a new application; std::invalid_argument naming the file
// when it cannot be read.
host::ApplicationPtr openMap(const std::string& path);

// A user-facing failure of a subcommand: the message and the exit code.
struct CommandFailure {
    std::string message;
    int code;
};

// The map opened, the named chart selected on it (and nothing else), the plug-in's command
// clicked: the dialog the chart tools are pressed on. Throws CommandFailure.
struct ChartSession {
    host::ApplicationPtr application;
    std::shared_ptr<host::ICommand> command;
    ChartOnMap chart;
    ui::Form* dialog = nullptr;
};
ChartSession openChartSession(Context& context, const std::string& path, const std::string& chartName,
                              const std::string& graphicsLayer);

}  // namespace plotlet::cli
