// Temporary stand-ins for the chart engine's procedures; see TemporaryEngine.h.
#include "dialog/TemporaryEngine.h"

#include "dialog/frmPlotlet.h"
#include "errors/ErrorHandling.h"
#include "host/Map.h"
#include "runtime/Text.h"

namespace plotlet {

runtime::Collection<host::FeatureLayerPtr> GetMapLayers(bool OnlyPointLayers) {
    runtime::Collection<host::FeatureLayerPtr> layers;
    const host::MapPtr& map = MainDialog().pMap;
    if (!map) return layers;
    for (const host::FeatureLayerPtr& layer : map->featureLayers()) {
        if (!layer->featureClass()) continue;
        if (OnlyPointLayers && layer->featureClass()->shapeType() != host::GeometryType::Point) continue;
        layers.add(layer);
    }
    return layers;
}

runtime::Collection<host::GraphicsLayerPtr> GetGraphicLayers() {
    runtime::Collection<host::GraphicsLayerPtr> layers;
    const host::MapPtr& map = MainDialog().pMxDoc ? MainDialog().pMxDoc->focusMap() : MainDialog().pMap;
    if (!map) return layers;
    for (const host::GraphicsLayerPtr& layer : map->basicGraphicsLayer()->layers()) layers.add(layer);
    return layers;
}

std::string RemoveFileFromPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos || slash == 0) return "";
    return path.substr(0, slash);
}

std::string GetDocumentPath(bool folder) {
    const host::ApplicationPtr& app = MainDialog().m_pApp;
    if (!app) return "";
    const std::string last = app->templates().back();
    return folder ? RemoveFileFromPath(last) : last;
}

runtime::Variant DataStatistic(const host::FeatureLayerPtr& layer, const std::string& fieldName,
                               const std::string& statisticName, bool selectedOnly) {
    try {
        host::DataStatistics stats;
        stats.setField(fieldName);
        stats.setCursor(selectedOnly ? layer->selectionSet()->search(nullptr) : layer->search());
        const host::StatisticsResults r = stats.statistics();
        const std::string name = runtime::upperCase(statisticName);
        if (name == "MAX") return r.maximum;
        if (name == "MIN") return r.minimum;
        if (name == "MEAN") return r.mean;
        if (name == "COUNT") return r.count;
        if (name == "STDEV") return r.standardDeviation;
        if (name == "SUM") return r.sum;
        return {};
    } catch (...) {
        ErrorHandling::reportError({.procedure = "DataStatistic "}, 0, ErrorHandling::ModeDialog);
        return {};
    }
}

void LoadMessages() {}

}  // namespace plotlet
