#include "host/gdal/DocumentOpen.h"

#include <algorithm>
#include <cmath>

#include <filesystem>

#include "host/LayerFile.h"
#include "host/MapDocumentFile.h"
#include "host/gdal/GdalFeatureClass.h"

namespace host::gdal {

FeatureRendererPtr defaultRenderer(GeometryType type) {
    auto renderer = std::make_shared<SimpleRenderer>();
    if (type == GeometryType::Point || type == GeometryType::Multipoint) {
        auto marker = std::make_shared<SimpleMarkerSymbol>();
        marker->setStyle(SimpleMarkerStyle::Circle);
        marker->setSize(6);
        marker->setColor(RgbColor::fromRgb(178, 34, 34));
        marker->setOutline(true);
        marker->setOutlineColor(RgbColor::fromRgb(255, 255, 255));
        marker->setOutlineSize(0.5);
        renderer->setSymbol(marker);
    } else if (type == GeometryType::Polyline) {
        auto line = std::make_shared<SimpleLineSymbol>();
        line->setWidth(1);
        line->setColor(RgbColor::fromRgb(31, 78, 140));
        renderer->setSymbol(line);
    } else {
        auto outline = std::make_shared<SimpleLineSymbol>();
        outline->setWidth(0.4);
        outline->setColor(RgbColor::fromRgb(110, 110, 110));
        auto fill = std::make_shared<SimpleFillSymbol>();
        fill->setColor(RgbColor::fromRgb(238, 232, 213));
        fill->setOutline(outline);
        renderer->setSymbol(fill);
    }
    return renderer;
}

double fittingScale(const Envelope& extent, double metresPerUnit, double widthPixels, double heightPixels, double dpi) {
    const double viewWidth = widthPixels / dpi * kMetresPerInch, viewHeight = heightPixels / dpi * kMetresPerInch;  // metres on screen
    const double scale = std::max(extent.width() * metresPerUnit / viewWidth, extent.height() * metresPerUnit / viewHeight);
    if (extent.isEmpty() || !(scale > 0) || !std::isfinite(scale)) return 10000;
    const double magnitude = std::pow(10.0, std::floor(std::log10(scale)) - 1);  // two significant digits
    return std::ceil(scale / magnitude - 1e-9) * magnitude;
}

MxDocumentPtr newDocumentFromDataFile(const std::string& path) {
    std::vector<GdalFeatureClassPtr> classes = openAllFeatureClasses(path);
    auto rank = [](GeometryType t) {
        return t == GeometryType::Point || t == GeometryType::Multipoint ? 0 : t == GeometryType::Polyline ? 1 : 2;
    };
    std::stable_sort(classes.begin(), classes.end(), [&](const auto& a, const auto& b) { return rank(a->shapeType()) < rank(b->shapeType()); });
    auto document = std::make_shared<MxDocument>();
    const MapPtr& map = document->focusMap();
    for (const auto& fc : classes) {
        auto layer = std::make_shared<FeatureLayer>();
        layer->setName(fc->name());
        layer->setFeatureClass(fc);
        layer->setRenderer(defaultRenderer(fc->shapeType()));
        map->insertLayer(map->layerCount(), layer);
    }
    map->setSpatialReference(classes.front()->spatialReference());
    const Envelope extent = map->fullExtent();
    map->setMapScale(fittingScale(extent, map->spatialReference()->metresPerUnit()));
    // Charts are built at this scale: their bars are sized in points, their labels and leaders
    // placed in map units. With it as the reference scale every picture of the map, at any size,
    // keeps the two together.
    map->setReferenceScale(map->mapScale());
    if (!extent.isEmpty()) map->setExtent(extent);
    return document;
}

MxDocumentPtr newDocumentFromLayerFile(const std::string& path) {
    const LayerPtr layer = readLayerFile(path);
    auto document = std::make_shared<MxDocument>();
    const MapPtr& map = document->focusMap();
    map->insertLayer(0, layer);
    if (auto fl = std::dynamic_pointer_cast<FeatureLayer>(layer); fl && fl->featureClass())
        map->setSpatialReference(fl->featureClass()->spatialReference());
    const Envelope extent = map->fullExtent();
    map->setMapScale(fittingScale(extent, map->spatialReference()->metresPerUnit()));
    if (!extent.isEmpty()) map->setExtent(extent);
    return document;
}

bool isLayerFilePath(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".lyr";
}

MxDocumentPtr openDocumentOrDataFile(const std::string& path) {
    if (isMapDocumentPath(path)) return readMapDocument(path);
    if (isLayerFilePath(path)) return newDocumentFromLayerFile(path);
    return newDocumentFromDataFile(path);
}

void openInApplication(Application& application, const std::string& path) {
    MxDocumentPtr document = openDocumentOrDataFile(path);
    application.setDocument(std::move(document));
}

}  // namespace host::gdal
