#include "host/MapDocumentFile.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "host/AtomicFile.h"
#include "host/Error.h"
#include "host/Persistence.h"

namespace host {
namespace fs = std::filesystem;

namespace {

// ---- element positions ---------------------------------------------------------------------------

struct ElementPosition {
    const GraphicsLayer* layer;  // the basic graphics layer itself, or one of its sub-layers
    std::vector<std::size_t> path;
};

void indexElements(const GraphicsLayer* layer, const std::vector<ElementPtr>& elements, std::vector<std::size_t>& path,
                   std::unordered_map<const Element*, ElementPosition>& out) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        path.push_back(i);
        out.emplace(elements[i].get(), ElementPosition{layer, path});
        if (auto group = std::dynamic_pointer_cast<GroupElement>(elements[i])) indexElements(layer, group->elements(), path, out);
        path.pop_back();
    }
}

Json writeSelection(const Map& map) {
    Json list = Json::array();
    if (map.selectedElementCount() == 0) return list;
    std::unordered_map<const Element*, ElementPosition> positions;
    std::vector<std::size_t> path;
    const auto& basic = map.basicGraphicsLayer();
    indexElements(basic.get(), basic->container().elementsSnapshot(), path, positions);
    for (const auto& sub : basic->layers()) indexElements(sub.get(), sub->container().elementsSnapshot(), path, positions);
    for (const auto& e : map.selectedElements()) {
        auto it = positions.find(e.get());
        if (it == positions.end()) continue;  // not on the map: nothing to select after reading
        Json layer = it->second.layer == basic.get() ? Json(nullptr) : Json(it->second.layer->name());
        list.push_back({{"layer", layer}, {"path", it->second.path}});
    }
    return list;
}

ElementPtr resolvePosition(const Map& map, const Json& entry, PersistContext& c) {
    if (!entry.is_object() || !entry.contains("path") || !entry["path"].is_array() || entry["path"].empty())
        c.fail("a selected element must name its layer and a non-empty position path");
    const auto& basic = map.basicGraphicsLayer();
    GraphicsLayerPtr layer = basic;
    const Json& name = entry.contains("layer") ? entry["layer"] : Json(nullptr);
    if (name.is_string()) {
        layer = basic->findLayerOrNull(name.get<std::string>());
        if (!layer) c.fail("a selected element is in graphics layer \"" + name.get<std::string>() + "\", which the map does not have");
    } else if (!name.is_null()) {
        c.fail("a selected element's layer must be a name or null");
    }
    const auto& elements = layer->container().elements();
    ElementPtr element;
    std::vector<ElementPtr> level(elements.begin(), elements.end());
    for (const auto& step : entry["path"]) {
        if (!step.is_number_unsigned() || step.get<std::size_t>() >= level.size())
            c.fail("a selected element's position " + entry["path"].dump() + " is not on graphics layer " + layer->name());
        element = level[step.get<std::size_t>()];
        auto group = std::dynamic_pointer_cast<GroupElement>(element);
        level = group ? group->elements() : std::vector<ElementPtr>{};
    }
    return element;
}

// ---- maps ------------------------------------------------------------------------------------------

Json writeMap(const Map& map, PersistContext& c) {
    Json j = Json::object();
    j["name"] = map.name();
    if (map.mapScale() > 0) j["mapScale"] = writeDouble(map.mapScale());
    j["referenceScale"] = writeDouble(map.referenceScale());
    j["spatialReference"] = writeObject(map.spatialReference(), c);
    j["extent"] = map.extent().isEmpty() ? Json(nullptr) : writeObject(std::make_shared<Envelope>(map.extent()), c);
    Json layers = Json::array();
    for (const auto& l : map.layers()) layers.push_back(writeObject(l, c));
    j["layers"] = layers;
    j["basicGraphics"] = writeObject(map.basicGraphicsLayer(), c);
    const GraphicsLayerPtr active = map.activeGraphicsLayer();
    j["activeGraphicsLayer"] = active == map.basicGraphicsLayer() ? Json(nullptr) : Json(active->name());
    j["selectedElements"] = writeSelection(map);
    return j;
}

const Json& member(const Json& j, const char* key, PersistContext& c, const char* what) {
    auto it = j.find(key);
    if (it == j.end()) c.fail(std::string(what) + " lacks \"" + key + "\"");
    return *it;
}

void readMap(Map& map, const Json& j, PersistContext& c) {
    if (!j.is_object()) c.fail("a map must be a JSON object");
    if (auto n = j.find("name"); n != j.end()) {
        if (!n->is_string()) c.fail("a map's name must be a text");
        map.setName(n->get<std::string>());
    }
    if (j.contains("mapScale")) {
        const double s = readDouble(j["mapScale"], c, "the map scale");
        if (!(s > 0) || !std::isfinite(s)) c.fail("the map scale must be a positive number");
        map.setMapScale(s);
    }
    if (j.contains("referenceScale")) {
        const double s = readDouble(j["referenceScale"], c, "the reference scale");
        if (!(s >= 0) || !std::isfinite(s)) c.fail("the reference scale must be 0 or a positive number");
        map.setReferenceScale(s);
    }
    if (j.contains("spatialReference")) map.setSpatialReference(readObjectAs<SpatialReference>(j["spatialReference"], c, "the map's coordinate system"));
    if (j.contains("extent") && !j["extent"].is_null()) {
        auto e = readObjectAs<Envelope>(j["extent"], c, "the map's extent");
        if (e) map.setExtent(*e);
    }
    const Json& layers = member(j, "layers", c, "a map");
    if (!layers.is_array()) c.fail("a map's layers must be a list");
    for (const auto& jl : layers) {
        auto layer = readObjectAs<Layer>(jl, c, "a map layer");
        if (!layer) c.fail("a map holds an empty layer");
        map.insertLayer(map.layerCount(), layer);
    }
    if (j.contains("basicGraphics") && !j["basicGraphics"].is_null()) {
        auto basic = readObjectAs<CompositeGraphicsLayer>(j["basicGraphics"], c, "the basic graphics layer");
        map.setBasicGraphicsLayer(basic);
    }
    // Graphics layers name the feature layer they belong to; the map's layers are known now.
    for (const auto& [graphics, name] : c.pendingAssociations()) {
        if (auto fl = map.findFeatureLayer(name)) graphics->setAssociatedLayer(fl);
    }
    c.pendingAssociations().clear();
    if (j.contains("activeGraphicsLayer") && !j["activeGraphicsLayer"].is_null()) {
        const Json& name = j["activeGraphicsLayer"];
        if (!name.is_string()) c.fail("the active graphics layer must be named by a text");
        auto layer = map.basicGraphicsLayer()->findLayerOrNull(name.get<std::string>());
        if (!layer) c.fail("the active graphics layer \"" + name.get<std::string>() + "\" does not exist");
        map.setActiveGraphicsLayer(layer);
    }
    if (j.contains("selectedElements")) {
        const Json& list = j["selectedElements"];
        if (!list.is_array()) c.fail("the selected elements must be a list");
        for (const auto& entry : list) map.selectElement(resolvePosition(map, entry, c));
    }
}

std::string absolute(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    return (ec ? fs::path(path) : p).lexically_normal().string();
}

}  // namespace

std::string mapDocumentToText(const MxDocument& document, const fs::path& baseDir) {
    PersistContext context(PersistPurpose::File, document.path(), baseDir);
    Json doc = makeTaggedDocument(mapDocumentFormat, mapDocumentVersion);
    Json maps = Json::array();
    std::size_t focus = 0;
    for (std::size_t i = 0; i < document.maps().size(); ++i) {
        if (document.maps()[i] == document.focusMap()) focus = i;
        maps.push_back(writeMap(*document.maps()[i], context));
    }
    doc["maps"] = maps;
    doc["focusMap"] = focus;
    return doc.dump(1) + "\n";
}

MxDocumentPtr mapDocumentFromText(const std::string& text, const std::string& path) {
    const std::string full = absolute(path);
    PersistContext context(PersistPurpose::File, path, fs::path(full).parent_path());
    const Json doc = readTaggedDocument(text, mapDocumentFormat, mapDocumentVersion, context);
    auto document = std::make_shared<MxDocument>();
    try {
        const Json& maps = member(doc, "maps", context, "the document");
        if (!maps.is_array() || maps.empty()) context.fail("the document holds no map");
        std::vector<MapPtr> read;
        for (const auto& jm : maps) {
            MapPtr map = read.empty() ? document->focusMap() : std::make_shared<Map>();
            readMap(*map, jm, context);
            read.push_back(map);
        }
        std::size_t focus = 0;
        if (doc.contains("focusMap")) {
            const Json& f = doc["focusMap"];
            if (!f.is_number_unsigned() || f.get<std::size_t>() >= read.size()) context.fail("the focus map is not one of its maps");
            focus = f.get<std::size_t>();
        }
        for (const auto& m : read) document->setFocusMap(m);  // adds the others in order
        document->setFocusMap(read[focus]);
    } catch (const host::Error&) {
        throw;
    } catch (const runtime::Error& e) {
        context.fail("is unusable: " + e.description());
    } catch (const Json::exception& e) {
        context.fail(std::string("is unusable: ") + e.what());
    }
    document->setPath(full);
    return document;
}

void writeMapDocument(const MxDocument& document, const std::string& path) {
    // Serialise completely before touching the disk, so an unsaveable object fails early.
    std::string text;
    try {
        text = mapDocumentToText(document, fs::path(absolute(path)).parent_path());
    } catch (const runtime::Error& e) {
        raiseHost(101, "Plotlet.MapDocument", "File " + path + ": cannot be written: " + e.description());
    } catch (const Json::exception& e) {
        raiseHost(101, "Plotlet.MapDocument", "File " + path + ": cannot be written: " + e.what());
    }
    writeFileAtomically(path, text);
}

MxDocumentPtr readMapDocument(const std::string& path) {
    return mapDocumentFromText(readFileLimited(path, maxMapDocumentBytes), path);
}

bool isMapDocumentPath(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return ext == mapDocumentExtension;
}

}  // namespace host
