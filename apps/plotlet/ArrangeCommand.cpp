// `plotlet arrange MAP`: moves the charts of a map, as a person dragging them would, so that no
// chart covers another or another feature's marker (see render/ChartArrangement.h), and saves
// the map. The charts stay the plug-in's chart elements with their attached data, so Recreate at
// the old place, the legends and the label removal work on them as before.
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/ChartGeometry.h"
#include "host/MapDocumentFile.h"
#include "host/Renderer.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/Arrange.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/Subcommands.h"
#include "render/ChartArrangement.h"
#include "render/ShortNumbers.h"
#include "runtime/Error.h"
#include "runtime/Text.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string map;
    std::string layer;
    std::string priority;
    std::string save;
    bool shortNumbers = false;
    std::string lang;
};

struct RunFailure {
    std::string message;
    int code;
};

[[noreturn]] void fail(std::string message, int code) { throw RunFailure{std::move(message), code}; }

// Half the size of the markers of the charts' feature layer: one symbol for every feature when
// the layer has a simple renderer; a point otherwise.
host::XY markerHalfOf(const host::GraphicsLayer& layer, const host::Display& display) {
    const host::FeatureLayerPtr features = layer.associatedLayer();
    if (!features) return {0, 0};
    const auto simple = std::dynamic_pointer_cast<host::SimpleRenderer>(features->renderer());
    if (!simple) return {0, 0};
    const auto marker = std::dynamic_pointer_cast<host::MarkerSymbol>(simple->symbol());
    if (!marker) return {0, 0};
    const host::Envelope box = host::markerBox(*marker, {0, 0}, display.mapUnitsPerPoint());
    if (box.isEmpty()) return {0, 0};
    return {std::max(-box.xMin(), box.xMax()), std::max(-box.yMin(), box.yMax())};
}

bool holdsCharts(const host::GraphicsLayer& layer) {
    for (const host::ElementPtr& element : layer.container().elements()) {
        if (auto group = std::dynamic_pointer_cast<host::GroupElement>(element)) {
            for (const host::ElementPtr& member : group->ownElements())
                if (auto m = std::dynamic_pointer_cast<host::MarkerElement>(member))
                    if (std::dynamic_pointer_cast<host::BarChartSymbol>(m->symbol())) return true;
        }
    }
    return false;
}

int arrange(Context& context, const Options& options) {
    const std::string lang = runtime::lowerCase(options.lang);
    if (!lang.empty() && lang != "ru" && lang != "en") fail("--lang " + options.lang + ": use ru or en", UsageError);
    host::gdal::install();
    useCairoDisplay();
    auto application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*application, options.map);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    const host::MxDocumentPtr document = application->document();
    const host::CompositeGraphicsLayerPtr& basic = document->focusMap()->basicGraphicsLayer();
    std::vector<host::GraphicsLayerPtr> layers;
    if (!options.layer.empty()) {
        host::GraphicsLayerPtr layer = basic->findLayerOrNull(options.layer);
        if (!layer) fail("the map has no graphics layer " + options.layer, InputError);
        layers.push_back(layer);
    } else {
        layers = chartGraphicsLayers(*document->focusMap());
        if (layers.empty()) fail("the map holds no charts", InputError);
    }
    try {
        for (const host::GraphicsLayerPtr& layer : layers) {
            // Shorter labels first: the arrangement then measures the charts as they are drawn.
            if (options.shortNumbers) shortenCrowdedLabels(context, *document, *layer, lang == "ru");
            arrangeGraphicsLayer(context, *document, *layer, options.priority);
        }
    } catch (const std::invalid_argument& e) {
        fail(std::string("--priority ") + options.priority + ": " + e.what() + "; nothing was saved", InputError);
    }
    try {
        host::writeMapDocument(*document, options.save);
    } catch (const runtime::Error& e) {
        fail(e.description(), InputError);
    }
    context.out << "map document: " << std::filesystem::absolute(options.save).string() << '\n';
    return Ok;
}

}  // namespace

void arrangeGraphicsLayer(Context& context, host::MxDocument& document, host::GraphicsLayer& layer,
                          const std::string& priorityField) {
    const host::Display& display = document.activeView().screenDisplay();
    render::ArrangeSettings settings;
    settings.markerHalf = markerHalfOf(layer, display);
    const render::LayerArrangement done = render::arrangeChartLayer(layer.container(), display, settings, priorityField);
    const std::string name = layer.name().empty() ? std::string("the map's own graphics") : "graphics layer " + layer.name();
    context.out << "charts arranged: " << done.charts << " on " << name << '\n';
    context.out << "overlapping chart pairs: " << done.before.chartPairs << " before, " << done.after.chartPairs << " after\n";
    context.out << "charts over another feature's marker: " << done.before.chartsOverMarkers << " before, "
                << done.after.chartsOverMarkers << " after\n";
    if (done.unplaced)
        context.err << "plotlet: note: " << done.unplaced << (done.unplaced == 1 ? " chart" : " charts")
                    << " could not be placed free of overlaps\n";
}

std::vector<host::GraphicsLayerPtr> chartGraphicsLayers(const host::Map& map) {
    std::vector<host::GraphicsLayerPtr> layers;
    const host::CompositeGraphicsLayerPtr& basic = map.basicGraphicsLayer();
    if (!basic) return layers;
    for (const host::GraphicsLayerPtr& layer : basic->layers())
        if (layer && holdsCharts(*layer)) layers.push_back(layer);
    if (holdsCharts(*basic)) layers.push_back(basic);
    return layers;
}

void addShortNumbersOption(CLI::App& command, bool& shortNumbers) {
    command.add_flag("--short-numbers", shortNumbers,
                     "Shorten the numbers of value labels that would overlap a neighbouring bar's label (12.3k, 1.2M; "
                     "with --lang ru 12,3 тыс., 1,2 млн)");
}

void shortenCrowdedLabels(Context& context, host::MxDocument& document, host::GraphicsLayer& layer, bool russian) {
    const render::LabelShortening done = render::shortenCrowdedLabels(layer.container(), document.activeView().screenDisplay(), russian);
    const std::string name = layer.name().empty() ? std::string("the map's own graphics") : "graphics layer " + layer.name();
    context.out << "value labels shortened: " << done.shortened << " on " << name;
    if (done.crowded) context.out << " (" << done.crowded << (done.crowded == 1 ? " pair overlaps" : " pairs overlap") << " still)";
    context.out << '\n';
}

void addArrangeSubcommand(CLI::App& app, Context& context) {
    auto o = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand(
        "arrange", "Move the charts so that none covers another chart or another feature's marker, and save the map");
    sub->add_option("MAP", o->map, "The map document (.pmx)")->required();
    sub->add_option("--layer", o->layer, "The graphics layer of the charts (default: every graphics layer holding charts)");
    sub->add_option("--priority", o->priority,
                    "The chart field whose larger values are placed first (default: each chart's largest value)");
    sub->add_option("--save", o->save, "The map document to write (written only when the run succeeds)")->required();
    addShortNumbersOption(*sub, o->shortNumbers);
    sub->add_option("--lang", o->lang, "Language of the short numbers: ru or en (default en)");
    sub->callback([&context, o] {
        try {
            context.exitCode = arrange(context, *o);
        } catch (const RunFailure& f) {
            context.err << "plotlet: error: " << f.message << '\n';
            context.exitCode = f.code;
        }
    });
}

}  // namespace plotlet::cli
