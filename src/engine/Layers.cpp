#include "engine/Layers.h"

#include "engine/ChartData.h"
#include "engine/ModuleContext.h"
#include "errors/ErrorHandling.h"
#include "runtime/Error.h"
#include "runtime/Text.h"
#include "ui/Shell.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

const host::MapPtr& moduleMap() { return runtime::required(engineContext().pMap); }

host::MapPtr documentFocusMap() { return runtime::required(runtime::required(engineContext().pMxDoc)->focusMap()); }

}  // namespace

std::string ChartLayerName(const std::string& featureLayerName) { return featureLayerName + "_charts"; }

runtime::Collection<host::FeatureLayerPtr> GetMapLayers(bool OnlyPointLayers) {
    runtime::Collection<host::FeatureLayerPtr> collection;
    EH::ProcedureGuard guard{{.procedure = "GetMapLayers ", .module = EngineModuleName}};
    try {
        guard.line = 1;
        const host::MapPtr& map = moduleMap();
        guard.line = 2;
        for (std::size_t i = 0; i < map->layerCount(); ++i) AddLayerToCollection(map->layer(i), collection, OnlyPointLayers);
    } catch (...) {
        guard.report();
    }
    return collection;
}

void AddLayerToCollection(const host::LayerPtr& layer, runtime::Collection<host::FeatureLayerPtr>& collection,
                          bool OnlyPointLayers) {
    if (!layer) runtime::raise(runtime::err::ObjectNotSet);
    if (auto group = std::dynamic_pointer_cast<host::GroupLayer>(layer)) {
        // Nesting has no depth limit; the recursion follows the map's own tree, which the map
        // document reader has already bounded.
        for (std::size_t i = 0; i < group->layerCount(); ++i) AddLayerToCollection(group->layer(i), collection, OnlyPointLayers);
        return;
    }
    auto featureLayer = std::dynamic_pointer_cast<host::FeatureLayer>(layer);
    // A layer whose data source is missing has no feature class, so nothing to chart.
    if (!featureLayer || !featureLayer->featureClass()) return;
    if (OnlyPointLayers && featureLayer->featureClass()->shapeType() != host::GeometryType::Point) return;
    collection.add(featureLayer);
}

runtime::Collection<host::GraphicsLayerPtr> GetGraphicLayers() {
    runtime::Collection<host::GraphicsLayerPtr> collection;
    const host::CompositeGraphicsLayerPtr& basic = runtime::required(documentFocusMap()->basicGraphicsLayer());
    for (std::size_t i = 0; i < basic->layerCount(); ++i) collection.add(basic->layer(i));
    return collection;
}

bool GraphicLayerExists(const std::string& name) {
    const host::CompositeGraphicsLayerPtr& basic = runtime::required(documentFocusMap()->basicGraphicsLayer());
    for (std::size_t i = 0; i < basic->layerCount(); ++i) {
        if (basic->layer(i)->name() == name) return true;
    }
    return false;
}

host::GraphicsLayerPtr CreateGraphicLayer(const std::string& name, const host::FeatureLayerPtr& featureLayer,
                                          bool activate) {
    try {
        const host::MapPtr& map = moduleMap();
        host::GraphicsLayerPtr layer = runtime::required(map->basicGraphicsLayer())->addLayer(name, featureLayer);
        if (activate) map->setActiveGraphicsLayer(layer);
        return layer;
    } catch (...) {
        const std::string description = EH::describeCurrent().description;
        try {
            ui::msgBox(description + std::string(runtime::CRLF) + Message(9) + name, ui::mb::OKOnly + ui::mb::Exclamation);
        } catch (...) {
            // A shell that cannot show the box leaves the failure to the caller's empty result.
        }
        return nullptr;
    }
}

bool DeleteGraphicLayer(const std::string& name) {
    EH::ProcedureGuard guard{{.procedure = "DeleteGraphicLayer ", .module = EngineModuleName}};
    try {
        guard.line = 1;
        const host::CompositeGraphicsLayerPtr& basic = runtime::required(documentFocusMap()->basicGraphicsLayer());
        guard.line = 2;
        for (std::size_t i = 0; i < basic->layerCount(); ++i) {
            if (basic->layer(i)->name() == name) {
                guard.line = 3;
                basic->deleteLayer(name);
                return true;
            }
        }
        return false;
    } catch (...) {
        guard.report();
        return false;
    }
}

host::ElementPtr FindElementByName(const std::string& name, const host::GraphicsLayerPtr& graphicsLayer) {
    return runtime::required(graphicsLayer)->container().findElementByName(name);
}

}  // namespace plotlet
