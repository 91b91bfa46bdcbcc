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
        "info", "Describe a map document (.pmx) or a data file (Shapefile, GeoPackage, GeoJSON, CSV with point columns): "
                "layers, fields, selections, graphics layers, scales, spatial reference");
    sub->add_option("PATH", options->path, "The map document or data file")->required();
    sub->add_flag("--json", options->json, "Write the report as JSON");
    sub->callback([&context, options] { context.exitCode = printDocumentInfo(options->path, options->json, context.out, context.err); });
}

}  // namespace plotlet::cli
