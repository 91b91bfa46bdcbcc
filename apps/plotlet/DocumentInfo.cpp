#include "plotlet/DocumentInfo.h"

#include <cmath>
#include <ostream>
#include <sstream>

#include "host/MapDocumentFile.h"
#include "host/Renderer.h"
#include "plotlet/Cli.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "host/gdal/GdalFeatureClass.h"
#include "runtime/Error.h"
#include "runtime/NumberText.h"

namespace plotlet::cli {

using Json = nlohmann::json;

namespace {

const char* geometryName(host::GeometryType t) {
    switch (t) {
    case host::GeometryType::Point: return "point";
    case host::GeometryType::Multipoint: return "multipoint";
    case host::GeometryType::Polyline: return "polyline";
    case host::GeometryType::Polygon: return "polygon";
    default: return "none";
    }
}

Json layerInfo(const host::LayerPtr& layer, int depth) {
    Json j = {{"name", layer->name()}, {"visible", layer->visible()}, {"depth", depth}};
    if (auto group = std::dynamic_pointer_cast<host::GroupLayer>(layer)) {
        j["kind"] = "group";
        j["layerCount"] = group->layerCount();
    } else if (auto fl = std::dynamic_pointer_cast<host::FeatureLayer>(layer)) {
        j["kind"] = "feature";
        j["selectionCount"] = fl->selectionCount();
        if (!fl->valid()) {
            j["broken"] = fl->brokenReason();
            return j;
        }
        const auto& fc = *fl->featureClass();
        j["geometryType"] = geometryName(fc.shapeType());
        j["featureCount"] = fc.featureCount();
        Json fields = Json::array();
        for (const auto& f : fc.fields())
            fields.push_back({{"name", f.name}, {"type", static_cast<int>(f.type)}, {"typeName", host::fieldTypeName(f.type)}});
        j["fields"] = fields;
        const auto& ds = fc.dataSource();
        if (auto charts = std::dynamic_pointer_cast<const host::ChartRenderer>(fl->renderer())) {
            Json chartFields = Json::array();
            for (const auto& f : charts->fields()) chartFields.push_back(f.name);
            j["chartFields"] = chartFields;
        }
        if (!ds.path.empty()) j["dataSource"] = {{"path", ds.path}, {"layer", ds.layerName}, {"driver", ds.driver}};
        if (auto gdal = std::dynamic_pointer_cast<const host::gdal::GdalFeatureClass>(fl->featureClass()); gdal && !gdal->warnings().empty())
            j["warnings"] = gdal->warnings();
    } else if (auto gl = std::dynamic_pointer_cast<host::GraphicsLayer>(layer)) {
        j["kind"] = "graphics";
        j["elementCount"] = gl->container().elementCount();
    }
    return j;
}

void collectLayers(const host::LayerPtr& layer, int depth, Json& out) {
    out.push_back(layerInfo(layer, depth));
    if (auto group = std::dynamic_pointer_cast<host::GroupLayer>(layer)) {
        for (const auto& child : group->layers()) collectLayers(child, depth + 1, out);
    }
}

Json mapInfo(const host::Map& map) {
    const auto& sr = *map.spatialReference();
    Json j = {{"name", map.name()},
              {"spatialReference", {{"name", sr.name()}, {"epsg", sr.epsg()}, {"geographic", sr.isGeographic()}, {"metresPerUnit", sr.metresPerUnit()}}},
              {"mapScale", map.mapScale()},
              {"referenceScale", map.referenceScale()}};
    Json layers = Json::array();
    for (const auto& l : map.layers()) collectLayers(l, 0, layers);
    j["layers"] = layers;
    const auto& basic = map.basicGraphicsLayer();
    const auto active = map.activeGraphicsLayer();
    Json graphics = Json::array();
    graphics.push_back({{"name", basic->name()}, {"basic", true}, {"elementCount", basic->container().elementCount()}, {"active", active == basic}});
    for (const auto& sub : basic->layers()) {
        Json g = {{"name", sub->name()}, {"basic", false}, {"elementCount", sub->container().elementCount()}, {"active", active == sub}};
        if (auto fl = sub->associatedLayer()) g["associatedLayer"] = fl->name();
        graphics.push_back(g);
    }
    j["graphicsLayers"] = graphics;
    j["selectedElementCount"] = map.selectedElementCount();
    return j;
}

std::string scaleText(double s) { return s > 0 ? "1:" + runtime::numberText(std::round(s)) : "none"; }

}  // namespace

Json documentInfo(const host::MxDocument& document, const std::string& path, bool isDataFile) {
    Json maps = Json::array();
    for (const auto& m : document.maps()) {
        Json mi = mapInfo(*m);
        mi["focus"] = m == document.focusMap();
        maps.push_back(mi);
    }
    return {{"path", path}, {"kind", isDataFile ? "data file" : "map document"}, {"maps", maps}};
}

std::string documentInfoText(const Json& info) {
    std::ostringstream out;
    out << info["path"].get<std::string>() << " (" << info["kind"].get<std::string>() << ")\n";
    for (const auto& m : info["maps"]) {
        const auto& sr = m["spatialReference"];
        out << "Map " << m["name"].get<std::string>() << (m["focus"].get<bool>() ? " (focus map)" : "") << "\n";
        out << "  spatial reference: " << sr["name"].get<std::string>();
        if (sr["epsg"].get<int>() != 0) out << " (EPSG:" << sr["epsg"].get<int>() << ")";
        out << "\n  map scale: " << scaleText(m["mapScale"].get<double>()) << "\n  reference scale: " << scaleText(m["referenceScale"].get<double>())
            << "\n  layers:\n";
        if (m["layers"].empty()) out << "    (none)\n";
        for (const auto& l : m["layers"]) {
            const std::string indent(4 + 2 * static_cast<std::size_t>(l["depth"].get<int>()), ' ');
            const std::string kind = l["kind"].get<std::string>();
            out << indent << l["name"].get<std::string>() << ": " << kind << " layer";
            if (!l["visible"].get<bool>()) out << ", hidden";
            if (kind == "group") out << ", " << l["layerCount"].get<std::size_t>() << " layers\n";
            else if (kind == "graphics") out << ", " << l["elementCount"].get<std::size_t>() << " elements\n";
            else if (l.contains("broken")) {
                out << ", BROKEN: " << l["broken"].get<std::string>() << ", " << l["selectionCount"].get<std::size_t>() << " selected\n";
            } else {
                out << ", " << l["geometryType"].get<std::string>() << ", " << l["featureCount"].get<std::size_t>() << " features, "
                    << l["selectionCount"].get<std::size_t>() << " selected\n";
                if (l.contains("dataSource")) {
                    const auto& ds = l["dataSource"];
                    out << indent << "  source: " << ds["path"].get<std::string>() << " (" << ds["driver"].get<std::string>() << ", layer "
                        << ds["layer"].get<std::string>() << ")\n";
                }
                if (l.contains("chartFields")) {
                    out << indent << "  drawn as charts of:";
                    for (const auto& f : l["chartFields"]) out << " " << f.get<std::string>();
                    out << "\n";
                }
                out << indent << "  fields:";
                for (const auto& f : l["fields"]) out << "\n" << indent << "    " << f["name"].get<std::string>() << " (" << f["typeName"].get<std::string>() << ")";
                out << "\n";
                if (l.contains("warnings")) {
                    for (const auto& w : l["warnings"]) out << indent << "  warning: " << w.get<std::string>() << "\n";
                }
            }
        }
        out << "  graphics layers:\n";
        for (const auto& g : m["graphicsLayers"]) {
            out << "    " << g["name"].get<std::string>() << ": " << g["elementCount"].get<std::size_t>() << " elements";
            if (g.contains("associatedLayer")) out << ", belongs to " << g["associatedLayer"].get<std::string>();
            if (g["active"].get<bool>()) out << " (active)";
            out << "\n";
        }
        out << "  selected elements: " << m["selectedElementCount"].get<std::size_t>() << "\n";
    }
    return out.str();
}

int printDocumentInfo(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
    host::gdal::install();
    try {
        const bool dataFile = !host::isMapDocumentPath(path);
        host::MxDocumentPtr document = host::gdal::openDocumentOrDataFile(path);
        Json info = documentInfo(*document, dataFile ? path : document->path(), dataFile);
        if (host::gdal::isLayerFilePath(path)) info["kind"] = "layer file";
        if (json) out << info.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        else out << documentInfoText(info);
        return Ok;
    } catch (const runtime::Error& e) {
        err << "plotlet: error: " << e.description() << '\n';
    } catch (const std::exception& e) {
        err << "plotlet: error: " << path << ": " << e.what() << '\n';
    }
    return InputError;
}

}  // namespace plotlet::cli
