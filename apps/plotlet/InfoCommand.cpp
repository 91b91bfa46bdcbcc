// `plotlet info PATH`: what a map document or a data file holds (see DocumentInfo.h).
#include <memory>
#include <string>

#include "plotlet/DocumentInfo.h"
#include "plotlet/Subcommands.h"

namespace plotlet::cli {

namespace {

struct Options {
    std::string path;
    bool json = false;
};

}  // namespace

void addInfoSubcommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand(
        "info", "Describe a map document (.pmx), a layer file (.lyr), a legend, parameter or graphics file, or a data file (Shapefile, GeoPackage, GeoJSON, CSV with point columns): "
                "layers, fields, selections, graphics layers, scales, spatial reference");
    sub->add_option("PATH", options->path, "The map document or data file")->required();
    sub->add_flag("--json", options->json, "Write the report as JSON");
    sub->callback([&context, options] {
        // Property-set files (legends, parameters, graphics) have no map to describe: what they
        // hold is what inspect shows.
        if (isPropertySetFilePath(options->path)) context.exitCode = inspectPropertyFile(context, options->path, options->json);
        else context.exitCode = printDocumentInfo(options->path, options->json, context.out, context.err);
    });
}

}  // namespace plotlet::cli
