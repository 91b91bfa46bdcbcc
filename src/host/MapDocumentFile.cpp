#include "host/MapDocumentFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

#include "host/AtomicFile.h"
#include "host/Error.h"
#include "host/JsonScanner.h"
#include "host/Persistence.h"
#include "host/TaskProgress.h"

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
        // A member shared by several groups keeps its first position, and its members are not
        // walked again (sharing at every level would make this exponential).
        const bool first = out.emplace(elements[i].get(), ElementPosition{layer, path}).second;
        if (auto group = std::dynamic_pointer_cast<GroupElement>(elements[i]); group && first)
            indexElements(layer, group->elements(), path, out);
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

// ---- reading element lists one element at a time ----------------------------------------------

// Where the elements of every graphics layer stand in a document's text. A document of a
// million charts would otherwise be one JSON tree of tens of millions of values; this way the
// rest of the document is parsed as a whole and each element on its own.
struct ElementRanges {
    std::vector<std::pair<std::size_t, std::size_t>> basic;              // the basic graphics layer's own
    std::vector<std::vector<std::pair<std::size_t, std::size_t>>> subs;  // each sub-layer's, in order
};

class DocumentSplitter : public JsonScanner {
public:
    using JsonScanner::JsonScanner;

    // False when the text is not what this writer writes in the places it looks at (malformed,
    // too deep, a list twice): the caller then parses the whole text, which reports the fault.
    bool split(std::string& skeleton, std::vector<ElementRanges>& maps) {
        // A member given twice would leave the parser and this split at odds: give up then.
        bool seenMaps = false;
        if (!object(0, [&](const std::string& key, int depth) {
                if (key != "maps" || peek() != '[') return value(depth);
                if (seenMaps) return false;
                seenMaps = true;
                return array(depth, [&](int d) {
                    if (peek() != '{') return value(d);
                    maps.emplace_back();
                    bool seenBasic = false;
                    return object(d, [&](const std::string& mapKey, int md) {
                        if (mapKey != "basicGraphics" || peek() != '{') return value(md);
                        if (seenBasic) return false;
                        seenBasic = true;
                        return graphicsLayer(md, maps.back(), true);
                    });
                });
            }))
            return false;
        if (!atEnd()) return false;
        skeleton = this->skeleton();
        return true;
    }

private:
    // An element list: each item's text is noted and the list's content cut from the skeleton.
    bool elementList(int depth, Ranges& out, bool& seen) {
        if (seen || peek() != '[') return false;
        seen = true;
        return cutList(depth, out);
    }
    bool graphicsLayer(int depth, ElementRanges& map, bool composite) {
        bool seenElements = false, seenLayers = false;
        Ranges* own = composite ? &map.basic : &map.subs.back();
        return object(depth, [&](const std::string& key, int d) {
            if (key == "elements") return elementList(d, *own, seenElements);
            if (composite && key == "layers" && peek() == '[') {
                if (seenLayers) return false;
                seenLayers = true;
                return array(d, [&](int ld) {
                    if (peek() != '{') return value(ld);
                    map.subs.emplace_back();
                    return graphicsLayer(ld, map, false);
                });
            }
            return value(d);
        });
    }

};

// How far saving or reading the elements has got, for hosts that show it: a document of a
// hundred thousand charts takes seconds either way.
class ElementProgress {
public:
    ElementProgress(std::string task, std::size_t total) : progress_{std::move(task), 0, total, false} {}
    ~ElementProgress() {
        progress_.finished = true;
        if (progress_.total) reportTaskProgress(progress_);
    }
    ElementProgress(const ElementProgress&) = delete;
    ElementProgress& operator=(const ElementProgress&) = delete;
    void step() {
        if ((++progress_.done & 0x3FF) == 0) reportTaskProgress(progress_);
    }

private:
    TaskProgress progress_;
};

std::size_t elementCount(const GraphicsLayer& layer) {
    std::size_t n = layer.container().elementCount();
    if (auto composite = dynamic_cast<const CompositeGraphicsLayer*>(&layer))
        for (const auto& sub : composite->layers()) n += elementCount(*sub);
    return n;
}

void readElementList(GraphicsLayer& layer, const std::string& text, const std::vector<std::pair<std::size_t, std::size_t>>& ranges,
                     PersistContext& c, ElementProgress& progress) {
    if (ranges.size() > c.limits().maxArrayItems) c.fail("graphics layer " + layer.name() + " holds too many elements");
    for (const auto& [begin, end] : ranges) {
        // The split already bounded the nesting of this text; only the spelling is left to check.
        Json j;
        try {
            j = Json::parse(text.begin() + static_cast<std::ptrdiff_t>(begin), text.begin() + static_cast<std::ptrdiff_t>(end));
        } catch (const Json::exception& e) {
            c.fail("is not valid JSON (" + std::string(e.what()) + ")");
        }
        auto e = readObjectAs<Element>(j, c, "a graphics layer's element");
        if (!e) c.fail("graphics layer " + layer.name() + " holds an empty element");
        if (layer.container().contains(e.get())) c.fail("graphics layer " + layer.name() + " holds one element twice");
        layer.container().addElement(e);
        progress.step();
    }
}

// ---- maps ------------------------------------------------------------------------------------------

// `j` dumped without its closing brace, so more members can follow.
void appendOpen(std::string& out, const Json& j, int indent = -1) {
    // Names and values from data files may hold bytes that are not UTF-8 (a damaged file, a
    // wrong code page): they are written as U+FFFD instead of failing the save.
    std::string text = j.dump(indent, ' ', false, Json::error_handler_t::replace);
    text.pop_back();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    out += text;
}

// A graphics layer with its elements, one element per line. The elements are turned into JSON
// and text one at a time, so a layer of a million charts never exists as one JSON tree; the
// identities come out in the order a whole-tree write gives them.
void appendGraphicsLayer(std::string& out, const GraphicsLayer& layer, PersistContext& c, ElementProgress& progress) {
    c.setOmitGraphicsContent(true);
    const Json head = writeObject(layer, c);
    c.setOmitGraphicsContent(false);
    appendOpen(out, head);
    out += ",\"elements\":[";
    bool first = true;
    for (const auto& e : layer.container().elements()) {
        out += first ? "\n" : ",\n";
        first = false;
        out += writeObject(e, c).dump(-1, ' ', false, Json::error_handler_t::replace);
        progress.step();
    }
    out += "]";
    if (auto composite = dynamic_cast<const CompositeGraphicsLayer*>(&layer)) {
        out += ",\"layers\":[";
        first = true;
        for (const auto& sub : composite->layers()) {
            out += first ? "\n" : ",\n";
            first = false;
            appendGraphicsLayer(out, *sub, c, progress);
        }
        out += "]";
    }
    out += "}";
}

void appendMap(std::string& out, const Map& map, PersistContext& c) {
    Json j = Json::object();
    j["name"] = map.name();
    if (map.mapScale() > 0) j["mapScale"] = writeDouble(map.mapScale());
    j["referenceScale"] = writeDouble(map.referenceScale());
    j["spatialReference"] = writeObject(map.spatialReference(), c);
    j["extent"] = map.extent().isEmpty() ? Json(nullptr) : writeObject(std::make_shared<Envelope>(map.extent()), c);
    Json layers = Json::array();
    for (const auto& l : map.layers()) layers.push_back(writeObject(l, c));
    j["layers"] = std::move(layers);
    const GraphicsLayerPtr active = map.activeGraphicsLayer();
    j["activeGraphicsLayer"] = active == map.basicGraphicsLayer() ? Json(nullptr) : Json(active->name());
    j["selectedElements"] = writeSelection(map);
    appendOpen(out, j, 1);
    out += ",\n \"basicGraphics\": ";
    ElementProgress progress("Saving the map document", elementCount(*map.basicGraphicsLayer()));
    appendGraphicsLayer(out, *map.basicGraphicsLayer(), c, progress);
    out += "\n}";
}

const Json& member(const Json& j, const char* key, PersistContext& c, const char* what) {
    auto it = j.find(key);
    if (it == j.end()) c.fail(std::string(what) + " lacks \"" + key + "\"");
    return *it;
}

void readMap(Map& map, const Json& j, PersistContext& c, const ElementRanges* ranges, const std::string& text) {
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
    if (ranges) {
        const auto& basic = map.basicGraphicsLayer();
        if (ranges->subs.size() != basic->layerCount()) c.fail("the graphics layers do not match their element lists");
        std::size_t total = ranges->basic.size();
        for (const auto& sub : ranges->subs) total += sub.size();
        ElementProgress progress("Reading the map document", total);
        readElementList(*basic, text, ranges->basic, c, progress);
        for (std::size_t i = 0; i < ranges->subs.size(); ++i) readElementList(*basic->layer(i), text, ranges->subs[i], c, progress);
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
    std::size_t focus = 0;
    for (std::size_t i = 0; i < document.maps().size(); ++i) {
        if (document.maps()[i] == document.focusMap()) focus = i;
    }
    // The few top-level members by hand, so that the maps can be written piece by piece.
    std::string out = "{\"format\": \"" + std::string(mapDocumentFormat) + "\", \"version\": " + std::to_string(mapDocumentVersion) +
                      ", \"focusMap\": " + std::to_string(focus) + ",\n\"maps\": [\n";
    for (std::size_t i = 0; i < document.maps().size(); ++i) {
        if (i) out += ",\n";
        appendMap(out, *document.maps()[i], context);
    }
    out += "\n]}\n";
    return out;
}

MxDocumentPtr mapDocumentFromText(const std::string& text, const std::string& path) {
    const std::string full = absolute(path);
    PersistContext context(PersistPurpose::File, path, fs::path(full).parent_path());
    std::string skeleton;
    std::vector<ElementRanges> ranges;
    const bool split = DocumentSplitter(text, context.limits().maxDepth).split(skeleton, ranges);
    const Json doc = readTaggedDocument(split ? skeleton : text, mapDocumentFormat, mapDocumentVersion, context);
    auto document = std::make_shared<MxDocument>();
    try {
        const Json& maps = member(doc, "maps", context, "the document");
        if (!maps.is_array() || maps.empty()) context.fail("the document holds no map");
        std::vector<MapPtr> read;
        for (const auto& jm : maps) {
            MapPtr map = read.empty() ? document->focusMap() : std::make_shared<Map>();
            const std::size_t index = read.size();
            readMap(*map, jm, context, split && index < ranges.size() ? &ranges[index] : nullptr, text);
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
