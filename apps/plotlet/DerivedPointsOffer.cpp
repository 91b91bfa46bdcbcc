#include "plotlet/DerivedPointsOffer.h"

#include <unistd.h>

#include <filesystem>

#include "host/gdal/DerivedPoints.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/GdalFeatureClass.h"
#include "plotlet/Cli.h"
#include "plotlet/ProgressLine.h"
#include "runtime/Error.h"

namespace plotlet::cli {

namespace fs = std::filesystem;

host::FeatureLayerPtr chartDerivedPoints(Context& context, host::Map& map, const host::FeatureLayerPtr& layer,
                                         const std::string& folder, bool yes) {
    const host::FeatureClass& source = *layer->featureClass();
    const bool polygons = source.shapeType() == host::GeometryType::Polygon;
    const std::string kind = polygons ? "polygon" : "line";
    const std::string what = polygons ? "a point inside each polygon" : "the midpoint of each line";
    const std::string path = host::gdal::derivedPointsPath(folder.empty() ? "." : folder, layer->name());
    const std::string offer = "layer " + layer->name() + " is a " + kind + " layer and charts stand beside points: chart " + what +
                              ", with its attributes, written to " + path;

    // A layer of that name already in the map is the points of an earlier run only when it reads
    // this file; charting it then would chart whatever it holds.
    host::FeatureLayerPtr existing = map.findFeatureLayer(fs::path(path).stem().string());
    if (existing && existing->featureClass()) {
        std::error_code ec;
        if (!fs::equivalent(existing->featureClass()->dataSource().path, path, ec))
            throw DerivedPointsRefusal{"layer " + layer->name() + " is a " + kind + " layer; its points would be the layer " +
                                           existing->name() + ", which the map already has from other data (" +
                                           existing->featureClass()->dataSource().path + ")",
                                       InputError};
    }

    if (!yes) {
        if (!::isatty(STDIN_FILENO)) throw DerivedPointsRefusal{offer + ": pass --yes to accept when not running on a terminal", UsageError};
        if (!confirmOnTerminal(context, "Layer " + layer->name() + " is a " + kind + " layer; charts stand beside points. Chart " + what +
                                            ", written to " + path + "?"))
            throw DerivedPointsRefusal{"layer " + layer->name() + ": charting " + what + " was declined; nothing drawn", UsageError};
    }
    if (source.dataSource().path.empty())
        throw DerivedPointsRefusal{"layer " + layer->name() + " has no data file to derive its points from", InputError};

    host::gdal::GdalFeatureClassPtr points;
    try {
        const host::gdal::DerivedPointsResult written = host::gdal::writeDerivedPoints(source.dataSource(), path);
        points = host::gdal::openFeatureClass(path);
        context.err << "plotlet: note: " << written.features << " points of layer " << layer->name() << " written to " << path << '\n';
    } catch (const runtime::Error& e) {
        throw DerivedPointsRefusal{e.description(), InputError};
    }
    if (existing) {
        existing->setFeatureClass(points);
        return existing;
    }
    auto derived = std::make_shared<host::FeatureLayer>();
    derived->setName(points->name());
    derived->setFeatureClass(points);
    derived->setRenderer(host::gdal::defaultRenderer(host::GeometryType::Point));
    std::size_t index = 0;
    while (index < map.layerCount() && map.layer(index) != layer) ++index;
    map.insertLayer(index < map.layerCount() ? index : 0, derived);
    return derived;
}

}  // namespace plotlet::cli
