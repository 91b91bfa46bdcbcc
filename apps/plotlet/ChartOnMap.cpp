#include "plotlet/ChartOnMap.h"

#include <stdexcept>
#include <vector>

#include "host/Map.h"
#include "plotlet/DrawSupport.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "runtime/Error.h"
#include "runtime/Text.h"

namespace plotlet::cli {

namespace {

// A chart is a group whose members include the marker element named with the key, or that
// marker element on its own.
bool isNamed(const host::ElementPtr& element, const std::string& name) {
    if (element->name() == name) return true;
    if (auto group = std::dynamic_pointer_cast<host::GroupElement>(element)) {
        for (const host::ElementPtr& member : group->ownElements())
            if (member->name() == name && std::dynamic_pointer_cast<host::MarkerElement>(member)) return true;
    }
    return false;
}

}  // namespace

ChartOnMap findChart(const host::MapPtr& map, const std::string& name, const std::string& graphicsLayer) {
    std::vector<host::GraphicsLayerPtr> layers{map->basicGraphicsLayer()};
    for (const auto& sub : map->basicGraphicsLayer()->layers()) layers.push_back(sub);
    std::vector<ChartOnMap> found;
    bool layerSeen = graphicsLayer.empty();
    for (const auto& layer : layers) {
        if (!graphicsLayer.empty() && !runtime::equalsIgnoreCase(layer->name(), graphicsLayer)) continue;
        layerSeen = true;
        for (const auto& element : layer->container().elements()) {
            if (isNamed(element, name)) {
                found.push_back({element, layer->name()});
                break;
            }
        }
    }
    if (!layerSeen) throw std::invalid_argument("--layer " + graphicsLayer + ": the map has no such graphics layer");
    if (found.empty())
        throw std::invalid_argument("--chart " + name + ": no chart of that name" +
                                    (graphicsLayer.empty() ? std::string(" on the map") : " on graphics layer " + graphicsLayer));
    if (found.size() > 1) {
        std::string names;
        for (const auto& f : found) names += (names.empty() ? "" : ", ") + f.layer;
        throw std::invalid_argument("--chart " + name + ": charts of that name stand on " + names + "; name one with --layer");
    }
    return found.front();
}

host::ApplicationPtr openMap(const std::string& path) {
    host::gdal::install();
    auto application = std::make_shared<host::Application>();
    try {
        host::gdal::openInApplication(*application, path);
    } catch (const runtime::Error& e) {
        throw std::invalid_argument(e.description());
    } catch (const std::exception& e) {
        throw std::invalid_argument(path + ": " + e.what());
    }
    return application;
}

ChartSession openChartSession(Context& context, const std::string& path, const std::string& chartName,
                              const std::string& graphicsLayer) {
    ChartSession session;
    try {
        session.application = openMap(path);
    } catch (const std::invalid_argument& e) {
        throw CommandFailure{e.what(), InputError};
    }
    const host::MapPtr map = session.application->document()->focusMap();
    try {
        session.chart = findChart(map, chartName, graphicsLayer);
    } catch (const std::invalid_argument& e) {
        throw CommandFailure{e.what(), InputError};
    }
    // Selected as a click on it selects it: alone.
    map->unselectAllElements();
    map->selectElement(session.chart.element);
    try {
        session.command = createPlotletCommand(context);
    } catch (const std::exception& e) {
        throw CommandFailure{e.what(), PluginLoadFailure};
    }
    session.dialog = openPlotletDialog(*session.command, session.application);
    if (!session.dialog) throw CommandFailure{"the command did not open its dialog", PluginFailed};
    return session;
}

}  // namespace plotlet::cli
