// `plotlet legend MAP --chart NAME --out FILE.leg`: saves the legend of one chart as a user
// does: the chart is selected on the map, the command's dialog opened and its save-legend tool
// pressed, the file named in the save dialog.
#include <filesystem>
#include <memory>
#include <string>

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
    std::string out;
};

int saveLegend(Context& context, const Options& options) {
    if (runtime::lowerCase(std::filesystem::path(options.out).extension().string()) != ".leg")
        throw CommandFailure{"--out " + options.out + ": a legend file ends in .leg", UsageError};
    const std::filesystem::path out = std::filesystem::absolute(options.out);
    if (!std::filesystem::is_directory(out.parent_path()))
        throw CommandFailure{"--out " + options.out + ": the folder does not exist", InputError};
    ChartSession session = openChartSession(context, options.map, options.chart, options.layer);

    context.shell->chooseFile(out.string());
    const std::size_t before = context.shell->transcript().size();
    ui::Driver user(*session.dialog);
    user.pickTab("SSTab", 2);
    if (!user.click("CmdSaveLegend")) throw CommandFailure{"the save-legend tool failed", PluginFailed};
    // The box that tells the file was written only informs; any other box stopped the command.
    bool saved = false;
    const auto& transcript = context.shell->transcript();
    for (std::size_t i = before; i < transcript.size(); ++i) {
        if (transcript[i].kind != "message") continue;
        if (transcript[i].text.starts_with("Сохранено в файл ")) saved = true;
        else throw CommandFailure{"the dialog stopped with a message (below); no legend was written", PluginFailed};
    }
    if (!saved) throw CommandFailure{"the dialog wrote no legend", PluginFailed};
    context.out << "legend: " << out.string() << " (chart " << options.chart << " on " << session.chart.layer << ")\n";
    return Ok;
}

}  // namespace

void addLegendSubcommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand("legend", "Save the legend of one chart (its fields and their fill symbols) to a legend file");
    sub->add_option("MAP", o->map, "The map document holding the chart")->required();
    sub->add_option("--chart", o->chart, "The chart's name (its key value)")->required();
    sub->add_option("--layer", o->layer, "The graphics layer the chart stands on (needed when several hold one of that name)");
    sub->add_option("--out", o->out, "The legend file to write (.leg)")->required();
    sub->callback([&context, o] {
        try {
            context.exitCode = saveLegend(context, *o);
        } catch (const CommandFailure& f) {
            context.err << "plotlet: error: " << f.message << '\n';
            context.exitCode = f.code;
        }
    });
}

}  // namespace plotlet::cli
