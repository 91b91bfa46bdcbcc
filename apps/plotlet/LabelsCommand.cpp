// `plotlet labels remove MAP`: the dialog's label removal from the command line. The charts
// (named ones, or every element of the graphics layer) are selected on the map as a user
// selects them, the dialog's remove-labels button is pressed and its question answered Yes
// (running the subcommand is the request), and the map document is saved to --save.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/MapDocumentFile.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/Subcommands.h"
#include "runtime/Error.h"
#include "ui/Driver.h"
#include "ui/Form.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string map;
    std::string layer;
    std::vector<std::string> charts;
    std::string save;
    std::string module;
};

struct RunFailure {
    std::string message;
    int code;
};

[[noreturn]] void fail(std::string message, int code) { throw RunFailure{std::move(message), code}; }

// The text members of the selected groups: what the removal may take away.
std::size_t textMembers(const std::vector<host::ElementPtr>& elements) {
    std::size_t count = 0;
    for (const host::ElementPtr& element : elements) {
        if (const auto* group = dynamic_cast<const host::GroupElement*>(element.get())) {
            group->forEachOwnMember([&](const host::Element& member) { count += host::isElement<host::TextElement>(member); });
        }
    }
    return count;
}

int removeLabels(Context& context, const Options& options) {
    host::gdal::install();
    auto application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*application, options.map);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    const host::MapPtr map = application->document()->focusMap();
    const host::CompositeGraphicsLayerPtr& basic = map->basicGraphicsLayer();

    // The graphics layers to look in: the one named, or every one of the map.
    std::vector<host::GraphicsLayerPtr> layers;
    if (!options.layer.empty()) {
        host::GraphicsLayerPtr layer = basic->findLayerOrNull(options.layer);
        if (!layer) fail("the map has no graphics layer " + options.layer, InputError);
        layers.push_back(layer);
    } else {
        layers.push_back(basic);
        layers.insert(layers.end(), basic->layers().begin(), basic->layers().end());
    }

    // Selected on the map, as a user selects them.
    std::vector<host::ElementPtr> chosen;
    if (options.charts.empty()) {
        for (const host::GraphicsLayerPtr& layer : layers)
            for (const host::ElementPtr& element : layer->container().elements()) chosen.push_back(element);
    } else {
        for (const std::string& name : options.charts) {
            host::ElementPtr found;
            for (const host::GraphicsLayerPtr& layer : layers)
                if (!found) found = layer->container().findElementByName(name);
            if (!found)
                fail("--chart " + name + ": no chart of that name on " +
                         (options.layer.empty() ? std::string("the map") : "graphics layer " + options.layer),
                     InputError);
            chosen.push_back(found);
        }
    }
    map->unselectAllElements();
    for (const host::ElementPtr& element : chosen) map->selectElement(element);
    const std::size_t labelsBefore = textMembers(chosen);

    std::shared_ptr<host::ICommand> command;
    try {
        command = createPlotletCommand(context, options.module);
    } catch (const std::exception& e) {
        fail(e.what(), PluginLoadFailure);
    }
    ui::Form* dialog = openPlotletDialog(*command, application);
    if (!dialog) fail("the command did not open its dialog", PluginFailed);

    context.shell->setQuestionDefault(ui::QuestionDefault::Accept);
    const std::size_t before = context.shell->transcript().size();
    ui::Driver user(*dialog);
    if (!user.pickTab("SSTab", 2) || !user.click("CmdRemoveLabels")) fail("the dialog could not remove labels", PluginFailed);
    const auto& transcript = context.shell->transcript();
    for (std::size_t i = before; i < transcript.size(); ++i) {
        const ui::ShellEvent& event = transcript[i];
        if (event.kind == "message" && event.buttons != ui::mb::YesNo)
            fail("the dialog stopped with a message (below); nothing was saved", PluginFailed);
    }
    const std::size_t removed = labelsBefore - textMembers(chosen);

    try {
        host::writeMapDocument(*application->document(), options.save);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    context.out << "selected: " << chosen.size() << '\n';
    context.out << "labels removed: " << removed << '\n';
    context.out << "map document: " << std::filesystem::absolute(options.save).string() << '\n';
    return Ok;
}

}  // namespace

void addLabelsSubcommand(CLI::App& app, Context& context) {
    CLI::App* labels = app.add_subcommand("labels", "Work on the value labels of charts");
    labels->require_subcommand(1);
    auto o = std::make_shared<Options>();
    CLI::App* sub = labels->add_subcommand(
        "remove", "Remove the value labels of charts (bars, break marks, leaders and chart data stay) and save the map");
    sub->add_option("MAP", o->map, "The map document (.pmx)")->required();
    sub->add_option("--layer", o->layer, "The graphics layer of the charts (default: every graphics layer of the map)");
    sub->add_option("--chart", o->charts, "A chart by name (its feature's key value); repeat for more. Default: every chart")
        ->type_name("NAME")
        ->allow_extra_args(false);
    sub->add_option("--save", o->save, "The map document to write (written only when the run succeeds)")->required();
    sub->add_option("--module", o->module, "The plug-in module to use (default: the first loaded)");
    sub->callback([&context, o] {
        try {
            context.exitCode = removeLabels(context, *o);
        } catch (const RunFailure& f) {
            context.err << "plotlet: error: " << f.message << '\n';
            context.exitCode = f.code;
        }
    });
}

}  // namespace plotlet::cli
