// `plotlet render MAP --out FILE`: a picture of a map document (or of a data file, as a new map
// would show it) in PNG, SVG or PDF, of a chosen extent at a chosen size or resolution. A long
// drawing shows its progress on a terminal.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "host/TaskProgress.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/Arrange.h"
#include "plotlet/DrawSupport.h"
#include "plotlet/PictureDecorations.h"
#include "plotlet/ProgressLine.h"
#include "plotlet/Subcommands.h"
#include "render/Error.h"
#include "render/Export.h"
#include "runtime/Error.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string map;
    std::string out;
    std::optional<int> width;
    std::optional<double> dpi;
    std::string extent;
    bool progress = false;
    DecorationOptions decorations;
    std::string lang;
    bool shortNumbers = false;
};

// "xmin,ymin,xmax,ymax" with "." decimals; empty when it is not four finite numbers in order.
std::optional<host::Envelope> parseExtent(const std::string& text) {
    std::vector<double> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        std::string part = text.substr(start, end - start);
        while (!part.empty() && part.front() == ' ') part.erase(part.begin());
        while (!part.empty() && part.back() == ' ') part.pop_back();
        double v = 0;
        const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (part.empty() || ec != std::errc() || ptr != part.data() + part.size() || !std::isfinite(v)) return std::nullopt;
        numbers.push_back(v);
        start = end + 1;
    }
    if (numbers.size() != 4 || !(numbers[0] < numbers[2]) || !(numbers[1] < numbers[3])) return std::nullopt;
    return host::Envelope(numbers[0], numbers[1], numbers[2], numbers[3]);
}

// The exit code a render failure deserves: the user's numbers are usage errors, files that
// cannot be written input errors, anything else the host's own failure.
int exitCodeOf(const runtime::Error& e) {
    const std::int32_t n = e.number() - host::hostErrorBase;
    switch (n) {
    case render::code::BadSize:
    case render::code::BadResolution:
    case render::code::BadExtent:
    case render::code::BadFormat: return UsageError;
    case render::code::Cairo: return InternalError;
    default: return InputError;
    }
}

int renderMap(Context& context, const Options& options) {
    render::ExportOptions exportOptions;
    exportOptions.width = options.width;
    exportOptions.dpi = options.dpi;
    if (!options.extent.empty()) {
        exportOptions.extent = parseExtent(options.extent);
        if (!exportOptions.extent) {
            context.err
                << "plotlet: error: --extent needs xmin,ymin,xmax,ymax: four numbers with xmin < xmax and ymin < ymax (got "
                << options.extent << ")\n";
            return UsageError;
        }
    }
    try {
        exportOptions.decorations = decorationsOf(options.decorations, options.lang);
    } catch (const std::invalid_argument& e) {
        context.err << "plotlet: error: " << e.what() << '\n';
        return UsageError;
    }
    try {
        (void)render::formatOfPath(options.out);
    } catch (const runtime::Error& e) {
        context.err << "plotlet: error: " << e.description() << '\n';
        return UsageError;
    }

    host::gdal::install();
    // Labels are measured with the fonts they are drawn with.
    if (options.shortNumbers) useCairoDisplay();
    host::MxDocumentPtr document;
    const struct KeepDocument {
        const host::MxDocumentPtr& document;
        ~KeepDocument() { keepUntilExit(document); }
    } keepDocument{document};
    {
        // Reading a large layer takes seconds too: its progress shows on a terminal.
        const bool show = options.progress || messagesGoToTerminal(context);
        std::optional<TaskProgressLine> reading;
        if (show) reading.emplace(context.err, "plotlet: ");
        try {
            document = host::gdal::openDocumentOrDataFile(options.map);
        } catch (const runtime::Error& e) {
            if (reading) reading->line().finish();
            context.err << "plotlet: error: " << e.description() << '\n';
            return InputError;
        }
    }

    // Progress on a terminal (or when asked): one line, rewritten in place.
    std::optional<ProgressLine> progress;
    if (options.progress || messagesGoToTerminal(context)) {
        progress.emplace(context.err);
        exportOptions.progress = [&progress](std::size_t done, std::size_t total) {
            progress->show("plotlet: drawing", done, total);
            return true;
        };
    }
    // A layer whose data are missing draws nothing: say which, so a picture is not taken as whole.
    for (const host::FeatureLayerPtr& layer : document->focusMap()->featureLayers()) {
        if (!layer->featureClass())
            context.err << "plotlet: warning: layer " << layer->name() << " is left out: its data cannot be read ("
                        << layer->brokenReason() << ")\n";
    }
    // Symbols are sized in points, chart labels and leaders were placed in map units at the
    // map's scale: without a reference scale they part in any picture at another scale.
    const MapScaleAsReference mapScale(*document->focusMap());
    if (mapScale.applied())
        context.err << "plotlet: note: " << options.map << " has no reference scale; symbols are drawn as at its scale 1:"
                    << std::llround(document->focusMap()->mapScale()) << ", so chart labels stay on their bars\n";
    // In the picture only: render never writes the map document.
    if (options.shortNumbers) {
        for (const host::GraphicsLayerPtr& layer : chartGraphicsLayers(*document->focusMap()))
            shortenCrowdedLabels(context, *document, *layer, exportOptions.decorations->russian);
    }
    try {
        const host::DisplayTransformation t = render::planExport(*document->focusMap(), exportOptions);
        exportOptions.extent = t.visibleBounds();
        exportOptions.width = t.deviceFrame().width();
        render::exportMap(*document->focusMap(), options.out, exportOptions);
        if (progress) progress->finish();
        const host::Envelope& e = t.visibleBounds();
        context.out << options.out << ": " << t.deviceFrame().width() << " x " << t.deviceFrame().height() << " pixels at "
                    << t.resolution() << " dpi, scale 1:" << std::llround(t.mapScale()) << ", extent " << e.xMin() << ','
                    << e.yMin() << ',' << e.xMax() << ',' << e.yMax() << '\n';
    } catch (const runtime::Error& e) {
        if (progress) progress->finish();
        context.err << "plotlet: error: " << e.description() << '\n';
        return exitCodeOf(e);
    }
    return Ok;
}

}  // namespace

void addRenderSubcommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<Options>();
    CLI::App* command =
        app.add_subcommand("render",
                           "Draw a map document (or a data file) into a picture: PNG, SVG or PDF by the output's extension");
    command->add_option("map", options->map, "Map document (.pmx) or data file")->required()->type_name("MAP");
    command->add_option("--out,-o", options->out, "Picture to write (.png, .svg or .pdf); written whole or not at all")
        ->required()
        ->type_name("FILE");
    command
        ->add_option("--width", options->width,
                     "Width in pixels (default: the extent at the map's scale when --dpi is given, else 1200)")
        ->type_name("PX");
    command->add_option("--dpi", options->dpi, "Dots per inch: symbol points become dpi/72 pixels (default 96)")->type_name("N");
    command
        ->add_option("--extent", options->extent,
                     "Part of the map to draw, in map units (default: everything drawn, with a margin)")
        ->type_name("XMIN,YMIN,XMAX,YMAX");
    addDecorationOptions(*command, options->decorations);
    command->add_option("--lang", options->lang,
                        "Language of the legend's and scale bar's captions and of short numbers: ru or en (default en)");
    addShortNumbersOption(*command, options->shortNumbers);
    command->add_flag("--progress", options->progress, "Show the progress of the drawing even when not on a terminal");
    command->callback([&context, options] { context.exitCode = renderMap(context, *options); });
}

}  // namespace plotlet::cli
