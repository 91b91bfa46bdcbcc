// `plotlet identify MAP --chart NAME`: the data a chart was drawn from, as the dialog's
// identify tool shows it for the chart selected on the map.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "plotlet/ChartOnMap.h"
#include "plotlet/Subcommands.h"
#include "runtime/Text.h"
#include "ui/Driver.h"
#include "ui/Form.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string map;
    std::string chart;
    std::string layer;
    bool json = false;
};

int identify(Context& context, const Options& options) {
    ChartSession session = openChartSession(context, options.map, options.chart, options.layer);
    const std::size_t before = context.shell->transcript().size();
    ui::Driver user(*session.dialog);
    user.pickTab("SSTab", 2);
    if (!user.click("CmdIdentityGraphics")) throw CommandFailure{"the identify tool failed", PluginFailed};

    std::optional<ui::ShellEvent> report;
    const auto& transcript = context.shell->transcript();
    for (std::size_t i = before; i < transcript.size(); ++i) {
        if (transcript[i].kind == "message" && transcript[i].title.find(" Key= ") != std::string::npos) report = transcript[i];
    }
    if (!report) throw CommandFailure{"the chart carries no data the identify tool could show (see below)", PluginFailed};
    context.shell->clearTranscript();  // the report is the data itself, not a box to repeat

    // "name = value" per line, as the box shows them.
    std::vector<std::pair<std::string, std::string>> data;
    for (const std::string& line : runtime::split(report->text, "\r\n")) {
        if (line.empty()) continue;
        const std::size_t eq = line.find(" = ");
        if (eq == std::string::npos) data.emplace_back(line, "");
        else data.emplace_back(line.substr(0, eq), line.substr(eq + 3));
    }
    const std::string key = report->title.substr(report->title.find(" Key= ") + 6);
    if (options.json) {
        nlohmann::json doc = {{"chart", key}, {"graphicsLayer", session.chart.layer}, {"data", nlohmann::json::array()}};
        for (const auto& [name, value] : data) doc["data"].push_back({{"name", name}, {"value", value}});
        context.out << doc.dump(2) << '\n';
    } else {
        context.out << key << " (" << session.chart.layer << ")\n";
        for (const auto& [name, value] : data) context.out << "  " << name << " = " << value << '\n';
    }
    return Ok;
}

}  // namespace

void addIdentifySubcommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand("identify", "Show the data a chart was drawn from (its layer, scale and field values)");
    sub->add_option("MAP", o->map, "The map document holding the chart")->required();
    sub->add_option("--chart", o->chart, "The chart's name (its key value)")->required();
    sub->add_option("--layer", o->layer, "The graphics layer the chart stands on (needed when several hold one of that name)");
    sub->add_flag("--json", o->json, "Write the data as JSON");
    sub->callback([&context, o] {
        try {
            context.exitCode = identify(context, *o);
        } catch (const CommandFailure& f) {
            context.err << "plotlet: error: " << f.message << '\n';
            context.exitCode = f.code;
        }
    });
}

}  // namespace plotlet::cli
