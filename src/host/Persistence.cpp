#include "host/Persistence.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/Color.h"
#include "host/Element.h"
#include "host/Error.h"
#include "host/Layer.h"
#include "host/PropertySet.h"
#include "host/Renderer.h"
#include "host/SpatialReference.h"
#include "host/Symbol.h"
#include "runtime/HookSlot.h"

namespace host {
namespace fs = std::filesystem;

// ---- context, limits, low-level values --------------------------------------------------------

namespace {

constexpr const char* kPersistenceSource = "Plotlet.Persistence";

runtime::HookSlot<DataSourceOpener>& openerSlot() {
    static runtime::HookSlot<DataSourceOpener> slot;
    return slot;
}

}  // namespace

void setDataSourceOpener(DataSourceOpener opener) { openerSlot().set(std::move(opener)); }

DataSourceOpener dataSourceOpener() { return openerSlot().get(); }

void PersistContext::fail(const std::string& what) const {
    raiseHost(100, kPersistenceSource, sourceName_.empty() ? what : "File " + sourceName_ + ": " + what);
}

void PersistContext::countObject() {
    if (++objectCount_ > limits_.maxObjects)
        fail("holds more than " + std::to_string(limits_.maxObjects) + " objects");
}

Json writeDouble(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    return value;
}

double readDouble(const Json& json, PersistContext& context, const char* what) {
    if (json.is_number()) return json.get<double>();
    if (json.is_string()) {
        const auto& s = json.get_ref<const std::string&>();
        if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
        if (s == "Infinity") return std::numeric_limits<double>::infinity();
        if (s == "-Infinity") return -std::numeric_limits<double>::infinity();
    }
    context.fail(std::string(what) + " must be a number");
}

namespace {

// Field access with clear messages.
class In {
public:
    In(const Json& json, PersistContext& context, std::string what) : j_(json), c_(context), what_(std::move(what)) {
        if (!j_.is_object()) c_.fail(what_ + " must be a JSON object");
    }
    bool has(const char* key) const { return j_.contains(key) && !j_.at(key).is_null(); }
    const Json& at(const char* key) const {
        auto it = j_.find(key);
        if (it == j_.end()) c_.fail(what_ + " lacks \"" + key + "\"");
        return *it;
    }
    double num(const char* key) const { return readDouble(at(key), c_, (what_ + " \"" + key + "\"").c_str()); }
    double num(const char* key, double fallback) const { return has(key) ? num(key) : fallback; }
    long integer(const char* key, long fallback) const {
        if (!has(key)) return fallback;
        const Json& v = at(key);
        if (!v.is_number_integer()) c_.fail(what_ + " \"" + key + "\" must be a whole number");
        return v.get<long>();
    }
    bool flag(const char* key, bool fallback) const {
        if (!has(key)) return fallback;
        const Json& v = at(key);
        if (!v.is_boolean()) c_.fail(what_ + " \"" + key + "\" must be true or false");
        return v.get<bool>();
    }
    std::string str(const char* key, std::string fallback = {}) const {
        if (!has(key)) return fallback;
        const Json& v = at(key);
        if (!v.is_string()) c_.fail(what_ + " \"" + key + "\" must be a text");
        return v.get<std::string>();
    }
    const Json& array(const char* key) const {
        const Json& v = at(key);
        if (!v.is_array()) c_.fail(what_ + " \"" + key + "\" must be a list");
        if (v.size() > c_.limits().maxArrayItems) c_.fail(what_ + " \"" + key + "\" is too long");
        return v;
    }
    template <class T>
    std::shared_ptr<T> object(const char* key) const {
        if (!has(key)) return nullptr;
        return readObjectAs<T>(at(key), c_, (what_ + " \"" + key + "\"").c_str());
    }
    PersistContext& context() const { return c_; }
    const std::string& what() const { return what_; }

private:
    const Json& j_;
    PersistContext& c_;
    std::string what_;
};

Json writeColor(const RgbColor& c) {
    Json j = {{"rgb", c.rgb()}};
    if (c.transparency() != 0) j["transparency"] = c.transparency();
    return j;
}

RgbColor readColor(const In& in, const char* key, const RgbColor& fallback = RgbColor()) {
    if (!in.has(key)) return fallback;
    In c(in.at(key), in.context(), in.what() + " colour");
    const long value = c.integer("rgb", 0);
    if (value < 0 || value > 0xFFFFFF) in.context().fail(in.what() + " has a colour value out of range");
    RgbColor color(static_cast<std::uint32_t>(value));
    color.setTransparency(static_cast<int>(c.integer("transparency", 0)));
    return color;
}

Json writeXY(XY p) { return Json::array({writeDouble(p.x), writeDouble(p.y)}); }

XY readXY(const Json& j, PersistContext& c) {
    if (!j.is_array() || j.size() != 2) c.fail("a coordinate pair must be a list of two numbers");
    return {readDouble(j[0], c, "a coordinate"), readDouble(j[1], c, "a coordinate")};
}

Json writePath(const std::vector<XY>& path) {
    Json a = Json::array();
    for (const XY& p : path) a.push_back(writeXY(p));
    return a;
}

std::vector<XY> readPath(const Json& j, PersistContext& c) {
    if (!j.is_array()) c.fail("a path must be a list of coordinate pairs");
    if (j.size() > c.limits().maxArrayItems) c.fail("a path is too long");
    std::vector<XY> path;
    path.reserve(j.size());
    for (const auto& p : j) path.push_back(readXY(p, c));
    return path;
}

// ---- the class table ---------------------------------------------------------------------------

struct Handler {
    std::function<void(const runtime::Object&, Json&, PersistContext&)> write;
    std::function<runtime::ObjectPtr()> create;
    std::function<void(runtime::Object&, const In&)> fill;
};

template <class T>
Handler handler(std::function<void(const T&, Json&, PersistContext&)> write, std::function<void(T&, const In&)> fill) {
    return Handler{[write](const runtime::Object& o, Json& j, PersistContext& c) { write(static_cast<const T&>(o), j, c); },
                   [] { return std::make_shared<T>(); },
                   [fill](runtime::Object& o, const In& in) { fill(static_cast<T&>(o), in); }};
}

void writeMarkerBase(const MarkerSymbol& s, Json& j) {
    j["size"] = writeDouble(s.size());
    j["color"] = writeColor(s.color());
    if (s.angle() != 0) j["angle"] = writeDouble(s.angle());
    if (s.xOffset() != 0 || s.yOffset() != 0) j["offset"] = writeXY({s.xOffset(), s.yOffset()});
}

void readMarkerBase(MarkerSymbol& s, const In& in) {
    s.setSize(in.num("size", s.size()));
    s.setColor(readColor(in, "color"));
    s.setAngle(in.num("angle", 0));
    if (in.has("offset")) {
        const XY o = readXY(in.at("offset"), in.context());
        s.setOffset(o.x, o.y);
    }
}

void writeFillBase(const FillSymbol& s, Json& j, PersistContext& c) {
    j["color"] = writeColor(s.color());
    j["outline"] = writeObject(s.outline(), c);
}

void readFillBase(FillSymbol& s, const In& in) {
    s.setColor(readColor(in, "color"));
    s.setOutline(in.object<LineSymbol>("outline"));
}

void writeElementBase(const Element& e, Json& j, PersistContext& c) {
    if (!e.name().empty()) j["name"] = e.name();
    if (!dynamic_cast<const GroupElement*>(&e)) j["geometry"] = writeObject(e.geometry(), c);
    if (!e.customProperty().isEmpty()) j["custom"] = writeVariant(e.customProperty(), c);
    if (e.locked()) j["locked"] = true;
}

void readElementBase(Element& e, const In& in) {
    e.setName(in.str("name"));
    if (!dynamic_cast<GroupElement*>(&e)) e.setGeometry(in.object<Geometry>("geometry"));
    if (in.has("custom")) e.setCustomProperty(readVariant(in.at("custom"), in.context()));
    e.setLocked(in.flag("locked", false));
}

Json writeElements(const std::vector<ElementPtr>& elements, PersistContext& c) {
    Json a = Json::array();
    for (const auto& e : elements) a.push_back(writeObject(e, c));
    return a;
}

Json writeFeatureClassInline(const FeatureClass& fc, PersistContext& c) {
    Json fields = Json::array();
    for (int i = 2; i < fc.fieldCount(); ++i) {
        const Field& f = fc.field(i);
        Json jf = {{"name", f.name}, {"type", static_cast<int>(f.type)}};
        if (!f.aliasName.empty()) jf["alias"] = f.aliasName;
        if (f.length) jf["length"] = f.length;
        if (!f.nullable) jf["nullable"] = false;
        fields.push_back(jf);
    }
    Json rows = Json::array();
    for (std::size_t r = 0; r < fc.featureCount(); ++r) {
        Json row = Json::array({fc.oid(r), writeObject(fc.shape(r), c)});
        for (int i = 2; i < fc.fieldCount(); ++i) row.push_back(writeVariant(fc.value(r, i), c));
        rows.push_back(std::move(row));
    }
    return {{"name", fc.name()},
            {"geometryType", static_cast<int>(fc.shapeType())},
            {"oidField", fc.oidFieldName()},
            {"shapeField", fc.shapeFieldName()},
            {"spatialReference", writeObject(fc.spatialReference(), c)},
            {"fields", fields},
            {"rows", rows}};
}

FeatureClassPtr readFeatureClassInline(const In& in) {
    PersistContext& c = in.context();
    const long type = in.integer("geometryType", 1);
    if (type < 1 || type > 4) c.fail("a feature class has an unknown geometry type " + std::to_string(type));
    std::vector<Field> fields;
    for (const auto& jf : in.array("fields")) {
        In f(jf, c, "a field");
        const long ft = f.integer("type", 3);
        if (ft < 0 || ft > 5) c.fail("the field " + f.str("name") + " has an unusable type " + std::to_string(ft));
        fields.push_back(Field{f.str("name"), static_cast<FieldType>(ft), f.str("alias"), static_cast<int>(f.integer("length", 0)),
                               f.flag("nullable", true)});
    }
    auto fc = makeFeatureClass(in.str("name"), static_cast<GeometryType>(type), fields, in.object<SpatialReference>("spatialReference"),
                               in.str("oidField", "OBJECTID"), in.str("shapeField", "Shape"));
    const Json& rows = in.array("rows");
    fc->reserve(rows.size());
    for (const auto& row : rows) {
        if (!row.is_array() || row.size() != fields.size() + 2 || !row[0].is_number_integer())
            c.fail("a feature row does not match the fields of " + fc->name());
        std::vector<runtime::Variant> values;
        for (std::size_t i = 0; i < fields.size(); ++i) values.push_back(readVariant(row[i + 2], c));
        try {
            fc->addFeatureWithOid(row[0].get<std::int64_t>(), readObjectAs<Geometry>(row[1], c, "a feature shape"), values);
        } catch (const runtime::Error& e) {
            c.fail("a feature of " + fc->name() + " cannot be read: " + e.description());
        }
    }
    return fc;
}

Json writeDataSource(const FeatureLayer& layer, PersistContext& c) {
    if (!layer.valid()) {
        Json j;
        try {
            j = Json::parse(layer.brokenDataSource());
        } catch (const std::exception&) {
            return Json::object();
        }
        // A relative path stays as it was when the file is saved where it was read from;
        // saved elsewhere, it is rebased so that it still names the same file.
        auto p = j.find("path");
        if (p != j.end() && p->is_string() && !layer.brokenBaseDir().empty() && !c.baseDir().empty() &&
            fs::path(layer.brokenBaseDir()).lexically_normal() != c.baseDir().lexically_normal()) {
            const fs::path rel(p->get<std::string>());
            if (rel.is_relative()) {
                const fs::path absolute = (fs::path(layer.brokenBaseDir()) / rel).lexically_normal();
                const fs::path rebased = absolute.lexically_relative(c.baseDir());
                *p = (rebased.empty() ? absolute : rebased).generic_string();
            }
        }
        return j;
    }
    const FeatureClass& fc = *layer.featureClass();
    Json j = Json::object();
    if (c.purpose() == PersistPurpose::Copy) j["instance"] = fc.instanceId();
    const DataSource& ds = fc.dataSource();
    if (!ds.path.empty()) {
        fs::path p(ds.path);
        if (!c.baseDir().empty() && p.is_absolute()) {
            const fs::path rel = p.lexically_relative(c.baseDir());
            if (!rel.empty()) p = rel;
        }
        j["path"] = p.generic_string();
        j["layer"] = ds.layerName;
        j["driver"] = ds.driver;
    } else if (c.purpose() == PersistPurpose::File) {
        j["inline"] = writeFeatureClassInline(fc, c);
    }
    return j;
}

void readDataSource(FeatureLayer& layer, const Json& j, PersistContext& c) {
    if (!j.is_object()) c.fail("the data source of layer " + layer.name() + " must be a JSON object");
    In in(j, c, "the data source of layer " + layer.name());
    if (c.purpose() == PersistPurpose::Copy && in.has("instance")) {
        const Json& id = in.at("instance");
        if (id.is_number_unsigned() || id.is_number_integer()) {
            if (auto fc = FeatureClass::findInstance(id.get<std::uint64_t>())) {
                layer.setFeatureClass(fc);
                return;
            }
        }
    }
    if (in.has("inline")) {
        layer.setFeatureClass(readFeatureClassInline(In(in.at("inline"), c, "the features of layer " + layer.name())));
        return;
    }
    const std::string baseDir = c.baseDir().string();
    if (!in.has("path")) {
        layer.setBroken(j.dump(), "the layer names no data source", baseDir);
        return;
    }
    DataSource ds{in.str("path"), in.str("layer"), in.str("driver")};
    // A URL is no relative path: it goes to the opener as written (which refuses it).
    if (ds.path.find("://") == std::string::npos) {
        fs::path p(ds.path);
        if (p.is_relative() && !c.baseDir().empty()) p = c.baseDir() / p;
        ds.path = p.lexically_normal().string();
    }
    for (const auto& [opened, fc] : c.openedSources()) {
        if (opened == ds) {
            layer.setFeatureClass(fc);
            return;
        }
    }
    std::string whyNot;
    FeatureClassPtr fc;
    if (auto opener = dataSourceOpener()) {
        try {
            fc = opener(ds, whyNot);
        } catch (const runtime::Error& e) {
            c.fail("layer " + layer.name() + ": " + e.description());
        }
    } else {
        whyNot = "no data source reader is installed";
    }
    if (fc) {
        c.openedSources().emplace_back(ds, fc);
        layer.setFeatureClass(fc);
    } else {
        layer.setBroken(j.dump(), whyNot.empty() ? "the data source cannot be opened" : whyNot, baseDir);
    }
}

void writeLayerBase(const Layer& l, Json& j) {
    j["name"] = l.name();
    if (!l.visible()) j["visible"] = false;
}

void readLayerBase(Layer& l, const In& in) {
    l.setName(in.str("name"));
    l.setVisible(in.flag("visible", true));
}

void writeGraphicsLayerBody(const GraphicsLayer& l, Json& j, PersistContext& c) {
    writeLayerBase(l, j);
    if (l.referenceScale() != 0) j["referenceScale"] = writeDouble(l.referenceScale());
    if (auto fl = l.associatedLayer()) j["associatedLayer"] = fl->name();
    if (!c.omitGraphicsContent()) j["elements"] = writeElements(l.container().elementsSnapshot(), c);
}

void readGraphicsLayerBody(GraphicsLayer& l, const In& in) {
    readLayerBase(l, in);
    l.setReferenceScale(in.num("referenceScale", 0));
    if (in.has("elements")) {
        for (const auto& je : in.array("elements")) {
            auto e = readObjectAs<Element>(je, in.context(), "a graphics layer's element");
            if (!e) in.context().fail("graphics layer " + l.name() + " holds an empty element");
            if (l.container().contains(e.get())) in.context().fail("graphics layer " + l.name() + " holds one element twice");
            l.container().addElement(e);
        }
    }
    if (in.has("associatedLayer")) {
        auto self = std::static_pointer_cast<GraphicsLayer>(l.shared_from_this());
        in.context().pendingAssociations().emplace_back(self, in.str("associatedLayer"));
    }
}

const std::unordered_map<std::string, Handler>& handlers() {
    static const std::unordered_map<std::string, Handler> table = [] {
        std::unordered_map<std::string, Handler> t;
        // Colours and coordinate systems.
        t["RgbColor"] = handler<RgbColor>([](const RgbColor& o, Json& j, PersistContext&) { j.update(writeColor(o)); },
                                          [](RgbColor& o, const In& in) {
                                              const long v = in.integer("rgb", 0);
                                              if (v < 0 || v > 0xFFFFFF) in.context().fail("a colour value is out of range");
                                              o.setRGB(static_cast<std::uint32_t>(v));
                                              o.setTransparency(static_cast<int>(in.integer("transparency", 0)));
                                          });
        t["SpatialReference"] = handler<SpatialReference>(
            [](const SpatialReference& o, Json& j, PersistContext&) {
                j["name"] = o.name();
                j["wkt"] = o.wkt();
                j["metresPerUnit"] = writeDouble(o.metresPerUnit());
                j["geographic"] = o.isGeographic();
                if (o.epsg()) j["epsg"] = o.epsg();
            },
            [](SpatialReference& o, const In& in) {
                o.setName(in.str("name", "Unknown"));
                o.setWkt(in.str("wkt"));
                const double m = in.num("metresPerUnit", 1.0);
                if (!(m > 0) || !std::isfinite(m)) in.context().fail("a coordinate system has an unusable unit size");
                o.setMetresPerUnit(m);
                o.setGeographic(in.flag("geographic", false));
                o.setEpsg(static_cast<int>(in.integer("epsg", 0)));
            });
        // Geometries.
        t["Point"] = handler<Point>(
            [](const Point& o, Json& j, PersistContext&) {
                if (o.isEmpty()) j["empty"] = true;
                else j["xy"] = writeXY(o.xy());
            },
            [](Point& o, const In& in) {
                if (in.has("xy")) o = Point(readXY(in.at("xy"), in.context()));
            });
        t["Envelope"] = handler<Envelope>(
            [](const Envelope& o, Json& j, PersistContext&) {
                if (o.isEmpty()) j["empty"] = true;
                else j["box"] = Json::array({writeDouble(o.xMin()), writeDouble(o.yMin()), writeDouble(o.xMax()), writeDouble(o.yMax())});
            },
            [](Envelope& o, const In& in) {
                if (!in.has("box")) return;
                const Json& b = in.at("box");
                if (!b.is_array() || b.size() != 4) in.context().fail("an envelope must hold four numbers");
                auto& c = in.context();
                o.set(readDouble(b[0], c, "xmin"), readDouble(b[1], c, "ymin"), readDouble(b[2], c, "xmax"), readDouble(b[3], c, "ymax"));
            });
        t["Multipoint"] = handler<Multipoint>([](const Multipoint& o, Json& j, PersistContext&) { j["points"] = writePath(o.points()); },
                                              [](Multipoint& o, const In& in) {
                                                  for (XY p : readPath(in.array("points"), in.context())) o.addPoint(p);
                                              });
        t["Polyline"] = handler<Polyline>(
            [](const Polyline& o, Json& j, PersistContext&) {
                Json paths = Json::array();
                for (const auto& p : o.paths()) paths.push_back(writePath(p));
                j["paths"] = paths;
            },
            [](Polyline& o, const In& in) {
                for (const auto& p : in.array("paths")) o.addPath(readPath(p, in.context()));
            });
        t["Polygon"] = handler<Polygon>(
            [](const Polygon& o, Json& j, PersistContext&) {
                Json rings = Json::array();
                for (const auto& r : o.rings()) rings.push_back(writePath(r));
                j["rings"] = rings;
            },
            [](Polygon& o, const In& in) {
                for (const auto& r : in.array("rings")) o.addRing(readPath(r, in.context()));
            });
        // Symbols.
        t["SimpleMarkerSymbol"] = handler<SimpleMarkerSymbol>(
            [](const SimpleMarkerSymbol& o, Json& j, PersistContext&) {
                writeMarkerBase(o, j);
                j["style"] = static_cast<int>(o.style());
                if (o.outline()) {
                    j["outline"] = true;
                    j["outlineColor"] = writeColor(o.outlineColor());
                    j["outlineSize"] = writeDouble(o.outlineSize());
                }
            },
            [](SimpleMarkerSymbol& o, const In& in) {
                readMarkerBase(o, in);
                const long style = in.integer("style", 0);
                if (style < 0 || style > 4) in.context().fail("a marker symbol has an unknown style " + std::to_string(style));
                o.setStyle(static_cast<SimpleMarkerStyle>(style));
                o.setOutline(in.flag("outline", false));
                o.setOutlineColor(readColor(in, "outlineColor"));
                o.setOutlineSize(in.num("outlineSize", 1.0));
            });
        t["SimpleLineSymbol"] = handler<SimpleLineSymbol>(
            [](const SimpleLineSymbol& o, Json& j, PersistContext&) {
                j["width"] = writeDouble(o.width());
                j["color"] = writeColor(o.color());
                j["style"] = static_cast<int>(o.style());
            },
            [](SimpleLineSymbol& o, const In& in) {
                o.setWidth(in.num("width", 1.0));
                o.setColor(readColor(in, "color"));
                const long style = in.integer("style", 0);
                if (style < 0 || style > 5) in.context().fail("a line symbol has an unknown style " + std::to_string(style));
                o.setStyle(static_cast<int>(style));
            });
        t["SimpleFillSymbol"] = handler<SimpleFillSymbol>(
            [](const SimpleFillSymbol& o, Json& j, PersistContext& c) {
                writeFillBase(o, j, c);
                j["style"] = static_cast<int>(o.style());
            },
            [](SimpleFillSymbol& o, const In& in) {
                readFillBase(o, in);
                const long style = in.integer("style", 0);
                if (style < 0 || style > 7) in.context().fail("a fill symbol has an unknown style " + std::to_string(style));
                o.setStyle(static_cast<SimpleFillStyle>(style));
            });
        t["MultiLayerFillSymbol"] = handler<MultiLayerFillSymbol>(
            [](const MultiLayerFillSymbol& o, Json& j, PersistContext& c) {
                j["outline"] = writeObject(o.outline(), c);
                Json layers = Json::array();
                for (const auto& l : o.layers()) layers.push_back(writeObject(l, c));
                j["layers"] = layers;
            },
            [](MultiLayerFillSymbol& o, const In& in) {
                o.setOutline(in.object<LineSymbol>("outline"));
                for (const auto& jl : in.array("layers")) {
                    auto layer = readObjectAs<FillSymbol>(jl, in.context(), "a fill symbol layer");
                    if (layer) o.addLayer(layer);
                }
            });
        t["MarkerFillSymbol"] = handler<MarkerFillSymbol>(
            [](const MarkerFillSymbol& o, Json& j, PersistContext& c) {
                writeFillBase(o, j, c);
                j["marker"] = writeObject(o.markerSymbol(), c);
                j["separation"] = writeDouble(o.separation());
            },
            [](MarkerFillSymbol& o, const In& in) {
                readFillBase(o, in);
                o.setMarkerSymbol(in.object<MarkerSymbol>("marker"));
                o.setSeparation(in.num("separation", 8.0));
            });
        t["LineFillSymbol"] = handler<LineFillSymbol>(
            [](const LineFillSymbol& o, Json& j, PersistContext& c) {
                writeFillBase(o, j, c);
                j["line"] = writeObject(o.lineSymbol(), c);
                j["angle"] = writeDouble(o.angle());
                j["separation"] = writeDouble(o.separation());
            },
            [](LineFillSymbol& o, const In& in) {
                readFillBase(o, in);
                o.setLineSymbol(in.object<LineSymbol>("line"));
                o.setAngle(in.num("angle", 45.0));
                o.setSeparation(in.num("separation", 5.0));
            });
        t["PictureFillSymbol"] = handler<PictureFillSymbol>(
            [](const PictureFillSymbol& o, Json& j, PersistContext& c) {
                writeFillBase(o, j, c);
                j["picture"] = o.pictureName();
            },
            [](PictureFillSymbol& o, const In& in) {
                readFillBase(o, in);
                o.setPictureName(in.str("picture"));
            });
        t["TextSymbol"] = handler<TextSymbol>(
            [](const TextSymbol& o, Json& j, PersistContext&) {
                const FontSpec& f = o.font();
                j["font"] = {{"name", f.name}, {"size", writeDouble(f.size)}, {"bold", f.bold}, {"italic", f.italic}, {"underline", f.underline}};
                j["color"] = writeColor(o.color());
                j["hAlign"] = static_cast<int>(o.horizontalAlignment());
                j["vAlign"] = static_cast<int>(o.verticalAlignment());
                if (o.angle() != 0) j["angle"] = writeDouble(o.angle());
            },
            [](TextSymbol& o, const In& in) {
                In f(in.at("font"), in.context(), "a text symbol's font");
                o.setFont(FontSpec{f.str("name", "Arial"), f.num("size", 8.0), f.flag("bold", false), f.flag("italic", false),
                                   f.flag("underline", false)});
                o.setColor(readColor(in, "color"));
                const long h = in.integer("hAlign", 0), v = in.integer("vAlign", 2);
                if (h < 0 || h > 3 || v < 0 || v > 3) in.context().fail("a text symbol has an unknown alignment");
                o.setHorizontalAlignment(static_cast<int>(h));
                o.setVerticalAlignment(static_cast<int>(v));
                o.setAngle(in.num("angle", 0));
            });
        t["LineCallout"] = handler<LineCallout>(
            [](const LineCallout& o, Json& j, PersistContext&) {
                j["leaderWidth"] = writeDouble(o.leaderWidth());
                j["leaderColor"] = writeColor(o.leaderColor());
                j["gap"] = writeDouble(o.gap());
                j["tolerance"] = writeDouble(o.leaderTolerance());
                if (o.anchorPoint()) j["anchor"] = writeXY(*o.anchorPoint());
            },
            [](LineCallout& o, const In& in) {
                o.setLeaderWidth(in.num("leaderWidth", 1.0));
                o.setLeaderColor(readColor(in, "leaderColor"));
                o.setGap(in.num("gap", 0));
                o.setLeaderTolerance(in.num("tolerance", 0));
                if (in.has("anchor")) o.setAnchorPoint(readXY(in.at("anchor"), in.context()));
            });
        t["BarChartSymbol"] = handler<BarChartSymbol>(
            [](const BarChartSymbol& o, Json& j, PersistContext& c) {
                writeMarkerBase(o, j);
                j["showAxes"] = o.showAxes();
                j["spacing"] = writeDouble(o.spacing());
                j["verticalBars"] = o.verticalBars();
                j["width"] = writeDouble(o.width());
                j["display3D"] = o.display3D();
                j["thickness"] = writeDouble(o.thickness());
                j["maxValue"] = writeDouble(o.maxValue());
                Json values = Json::array();
                for (double v : o.values()) values.push_back(writeDouble(v));
                j["values"] = values;
                Json symbols = Json::array();
                for (const auto& s : o.symbols()) symbols.push_back(writeObject(s, c));
                j["symbols"] = symbols;
                j["background"] = writeObject(o.background(), c);
            },
            [](BarChartSymbol& o, const In& in) {
                readMarkerBase(o, in);
                o.setShowAxes(in.flag("showAxes", false));
                o.setSpacing(in.num("spacing", 0));
                o.setVerticalBars(in.flag("verticalBars", true));
                o.setWidth(in.num("width", 8));
                o.setDisplay3D(in.flag("display3D", false));
                o.setThickness(in.num("thickness", 0));
                o.setMaxValue(in.num("maxValue", 0));
                std::size_t k = 0;
                for (const auto& v : in.array("values")) o.setValue(k++, readDouble(v, in.context(), "a chart value"));
                for (const auto& s : in.array("symbols")) o.addSymbol(readObjectAs<Symbol>(s, in.context(), "a chart's bar symbol"));
                o.setBackground(in.object<LineCallout>("background"));
            });
        // Elements.
        t["MarkerElement"] = handler<MarkerElement>(
            [](const MarkerElement& o, Json& j, PersistContext& c) {
                writeElementBase(o, j, c);
                j["symbol"] = writeObject(o.symbol(), c);
            },
            [](MarkerElement& o, const In& in) {
                readElementBase(o, in);
                o.setSymbol(in.object<MarkerSymbol>("symbol"));
            });
        t["TextElement"] = handler<TextElement>(
            [](const TextElement& o, Json& j, PersistContext& c) {
                writeElementBase(o, j, c);
                j["text"] = o.text();
                j["symbol"] = writeObject(o.symbol(), c);
                if (!o.scaleText()) j["scaleText"] = false;
            },
            [](TextElement& o, const In& in) {
                readElementBase(o, in);
                o.setText(in.str("text"));
                o.setSymbol(in.object<TextSymbol>("symbol"));
                o.setScaleText(in.flag("scaleText", true));
            });
        t["LineElement"] = handler<LineElement>(
            [](const LineElement& o, Json& j, PersistContext& c) {
                writeElementBase(o, j, c);
                j["symbol"] = writeObject(o.symbol(), c);
            },
            [](LineElement& o, const In& in) {
                readElementBase(o, in);
                o.setSymbol(in.object<LineSymbol>("symbol"));
            });
        t["PolygonElement"] = handler<PolygonElement>(
            [](const PolygonElement& o, Json& j, PersistContext& c) {
                writeElementBase(o, j, c);
                j["symbol"] = writeObject(o.symbol(), c);
            },
            [](PolygonElement& o, const In& in) {
                readElementBase(o, in);
                o.setSymbol(in.object<FillSymbol>("symbol"));
            });
        t["GroupElement"] = handler<GroupElement>(
            [](const GroupElement& o, Json& j, PersistContext& c) {
                writeElementBase(o, j, c);
                if (!c.omitGraphicsContent()) j["elements"] = writeElements(o.elements(), c);
            },
            [](GroupElement& o, const In& in) {
                readElementBase(o, in);
                for (const auto& je : in.array("elements")) {
                    auto e = readObjectAs<Element>(je, in.context(), "a group member");
                    if (!e) in.context().fail("a group holds an empty member");
                    if (e.get() == &o) in.context().fail("a group holds itself");
                    o.addElement(e);
                }
            });
        // Property sets.
        t["PropertySet"] = handler<PropertySet>(
            [](const PropertySet& o, Json& j, PersistContext& c) {
                Json props = Json::array();
                for (const auto& [name, value] : o.items()) props.push_back(Json::array({name, writeVariant(value, c)}));
                j["properties"] = props;
            },
            [](PropertySet& o, const In& in) {
                for (const auto& p : in.array("properties")) {
                    if (!p.is_array() || p.size() != 2 || !p[0].is_string())
                        in.context().fail("a property must be a pair of a name and a value");
                    o.setProperty(p[0].get<std::string>(), readVariant(p[1], in.context()));
                }
            });
        // Renderers.
        t["SimpleRenderer"] = handler<SimpleRenderer>(
            [](const SimpleRenderer& o, Json& j, PersistContext& c) {
                j["symbol"] = writeObject(o.symbol(), c);
                if (!o.label().empty()) j["label"] = o.label();
            },
            [](SimpleRenderer& o, const In& in) {
                o.setSymbol(in.object<Symbol>("symbol"));
                o.setLabel(in.str("label"));
            });
        t["ChartRenderer"] = handler<ChartRenderer>(
            [](const ChartRenderer& o, Json& j, PersistContext& c) {
                j["chartSymbol"] = writeObject(o.chartSymbol(), c);
                Json fields = Json::array();
                for (const auto& f : o.fields()) fields.push_back(Json::array({f.name, f.alias}));
                j["fields"] = fields;
                j["label"] = o.label();
                j["useOverposter"] = o.useOverposter();
                j["legend"] = !o.legend().empty();
            },
            [](ChartRenderer& o, const In& in) {
                o.setChartSymbol(in.object<BarChartSymbol>("chartSymbol"));
                for (const auto& f : in.array("fields")) {
                    if (!f.is_array() || f.size() != 2 || !f[0].is_string() || !f[1].is_string())
                        in.context().fail("a chart renderer field must be a pair of name and alias");
                    o.addField(f[0].get<std::string>(), f[1].get<std::string>());
                }
                o.setLabel(in.str("label"));
                o.setUseOverposter(in.flag("useOverposter", true));
                if (in.flag("legend", false)) o.createLegend();
            });
        // Layers.
        t["FeatureLayer"] = handler<FeatureLayer>(
            [](const FeatureLayer& o, Json& j, PersistContext& c) {
                writeLayerBase(o, j);
                j["dataSource"] = writeDataSource(o, c);
                j["renderer"] = writeObject(o.renderer(), c);
                if (o.selectionCount()) j["selection"] = o.selectionSet()->oids();
            },
            [](FeatureLayer& o, const In& in) {
                readLayerBase(o, in);
                readDataSource(o, in.at("dataSource"), in.context());
                o.setRenderer(in.object<FeatureRenderer>("renderer"));
                if (in.has("selection")) {
                    // A broken layer keeps its selection as saved, to write it back unchanged.
                    std::vector<std::int64_t> oids;
                    for (const auto& v : in.array("selection")) {
                        if (!v.is_number_integer()) in.context().fail("a selected feature must be a whole number");
                        const auto oid = v.get<std::int64_t>();
                        if (!o.valid() || o.featureClass()->rowOfOid(oid)) oids.push_back(oid);
                    }
                    o.selectionSet()->addList(oids);
                }
            });
        t["GroupLayer"] = handler<GroupLayer>(
            [](const GroupLayer& o, Json& j, PersistContext& c) {
                writeLayerBase(o, j);
                Json layers = Json::array();
                for (const auto& l : o.layers()) layers.push_back(writeObject(l, c));
                j["layers"] = layers;
            },
            [](GroupLayer& o, const In& in) {
                readLayerBase(o, in);
                for (const auto& jl : in.array("layers")) {
                    auto l = readObjectAs<Layer>(jl, in.context(), "a group layer's member");
                    if (!l) in.context().fail("group layer " + o.name() + " holds an empty layer");
                    o.addLayer(l);
                }
            });
        t["GraphicsLayer"] = handler<GraphicsLayer>(writeGraphicsLayerBody, readGraphicsLayerBody);
        t["CompositeGraphicsLayer"] = handler<CompositeGraphicsLayer>(
            [](const CompositeGraphicsLayer& o, Json& j, PersistContext& c) {
                writeGraphicsLayerBody(o, j, c);
                if (c.omitGraphicsContent()) return;
                Json subs = Json::array();
                for (const auto& l : o.layers()) subs.push_back(writeObject(l, c));
                j["layers"] = std::move(subs);
            },
            [](CompositeGraphicsLayer& o, const In& in) {
                readGraphicsLayerBody(o, in);
                if (in.has("layers")) {
                    for (const auto& jl : in.array("layers")) {
                        auto l = readObjectAs<GraphicsLayer>(jl, in.context(), "a graphics sub-layer");
                        if (!l || std::dynamic_pointer_cast<CompositeGraphicsLayer>(l)) in.context().fail("a graphics sub-layer is unusable");
                        if (o.findLayerOrNull(l->name())) in.context().fail("two graphics layers are named " + l->name());
                        o.addExistingLayer(l);
                    }
                }
            });
        return t;
    }();
    return table;
}

}  // namespace

bool isPersistable(const std::string& className) { return handlers().count(className) != 0; }

Json writeObject(const runtime::ObjectPtr& object, PersistContext& context) {
    if (!object) return nullptr;
    if (!context.writtenIds().count(object.get())) context.retain(object);
    return writeObject(*object, context);
}

Json writeObject(const runtime::Object& object, PersistContext& context) {
    auto& ids = context.writtenIds();
    if (auto it = ids.find(&object); it != ids.end()) {
        // Negative while the object is being written: it holds itself, and a file with such a
        // cycle could not be read back.
        if (it->second < 0) context.fail("a " + object.className() + " holds itself (a cycle) and cannot be saved");
        return Json{{"$ref", it->second}};
    }
    const std::string cls = object.className();
    auto h = handlers().find(cls);
    if (h == handlers().end()) context.fail("an object of class " + cls + " cannot be saved");
    const long id = static_cast<long>(ids.size()) + 1;
    auto slot = ids.emplace(&object, -id).first;
    Json j = {{"$class", cls}, {"$id", id}};
    h->second.write(object, j, context);
    slot->second = id;
    return j;
}

runtime::ObjectPtr readObject(const Json& json, PersistContext& context) {
    if (json.is_null()) return nullptr;
    if (!json.is_object()) context.fail("an object must be a JSON object or null");
    if (auto ref = json.find("$ref"); ref != json.end()) {
        if (!ref->is_number_integer()) context.fail("an object reference must be a whole number");
        auto it = context.readObjects().find(ref->get<long>());
        if (it == context.readObjects().end()) context.fail("an object reference points at nothing (" + ref->dump() + ")");
        // An object still being read is one of the reference's own containers: accepting it
        // would make a cycle (a group holding itself, a set inside itself) that walks forever.
        if (!it->second) context.fail("an object refers to object " + ref->dump() + ", which contains it (a reference cycle)");
        return it->second;
    }
    auto cls = json.find("$class");
    if (cls == json.end() || !cls->is_string()) context.fail("an object lacks its class name (\"$class\")");
    auto h = handlers().find(cls->get<std::string>());
    if (h == handlers().end()) context.fail("unknown object class \"" + cls->get<std::string>() + "\"");
    context.countObject();
    runtime::ObjectPtr object = h->second.create();
    // The id is taken before the object is filled (a second object with the same id inside it
    // is an error) but refers to nothing until it is complete.
    runtime::ObjectPtr* slot = nullptr;
    if (auto id = json.find("$id"); id != json.end()) {
        if (!id->is_number_integer()) context.fail("an object id must be a whole number");
        auto [it, fresh] = context.readObjects().emplace(id->get<long>(), nullptr);
        if (!fresh) context.fail("two objects carry the id " + id->dump());
        slot = &it->second;
    }
    try {
        h->second.fill(*object, In(json, context, "a " + cls->get<std::string>()));
    } catch (const runtime::Error& e) {
        // The reader's own refusals already name the file; an object refusing a value (a field
        // without a name, a bad index) is named here.
        if (e.source() == kPersistenceSource) throw;
        context.fail("a " + cls->get<std::string>() + " is unusable: " + e.description());
    }
    if (slot) *slot = object;
    return object;
}

Json writeVariant(const runtime::Variant& v, PersistContext& context) {
    using K = runtime::Variant::Kind;
    switch (v.kind()) {
    case K::Empty: return Json::array({"e"});
    case K::Null: return Json::array({"n"});
    case K::Bool: return Json::array({"b", v.boolValue()});
    case K::Int16: return Json::array({"i2", v.int16Value()});
    case K::Int32: return Json::array({"i4", v.int32Value()});
    case K::Single: return Json::array({"f", writeDouble(v.singleValue())});
    case K::Double: return Json::array({"d", writeDouble(v.doubleValue())});
    case K::String: return Json::array({"s", v.stringValue()});
    case K::Date: return Json::array({"t", writeDouble(v.dateValue().serial)});
    case K::Object: return Json::array({"o", writeObject(v.objectValue(), context)});
    case K::Array: {
        const runtime::Array& a = v.array();
        Json lower = Json::array(), upper = Json::array(), items = Json::array();
        for (int d = 1; d <= a.dimensions(); ++d) {
            lower.push_back(a.lowerBound(d));
            upper.push_back(a.upperBound(d));
        }
        for (const auto& item : a.items()) items.push_back(writeVariant(item, context));
        return Json::array({"a", {{"lower", lower}, {"upper", upper}, {"items", items}}});
    }
    }
    return Json::array({"e"});
}

runtime::Variant readVariant(const Json& j, PersistContext& c) {
    if (!j.is_array() || j.empty() || !j[0].is_string()) c.fail("a value must be a list starting with its kind");
    const std::string& kind = j[0].get_ref<const std::string&>();
    auto payload = [&]() -> const Json& {
        if (j.size() != 2) c.fail("a value of kind \"" + kind + "\" lacks its content");
        return j[1];
    };
    auto whole = [&](long lo, long hi) {
        const Json& p = payload();
        if (!p.is_number_integer()) c.fail("a value of kind \"" + kind + "\" must be a whole number");
        const long v = p.get<long>();
        if (v < lo || v > hi) c.fail("a value of kind \"" + kind + "\" is out of range");
        return v;
    };
    if (kind == "e") return {};
    if (kind == "n") return runtime::Variant::null();
    if (kind == "b") {
        if (!payload().is_boolean()) c.fail("a Boolean value must be true or false");
        return runtime::Variant(payload().get<bool>());
    }
    if (kind == "i2") return runtime::Variant(static_cast<std::int16_t>(whole(-32768, 32767)));
    if (kind == "i4") return runtime::Variant(static_cast<std::int32_t>(whole(-2147483648L, 2147483647L)));
    if (kind == "f") return runtime::Variant(static_cast<float>(readDouble(payload(), c, "a single value")));
    if (kind == "d") return runtime::Variant(readDouble(payload(), c, "a double value"));
    if (kind == "s") {
        if (!payload().is_string()) c.fail("a text value must be a JSON string");
        return runtime::Variant(payload().get<std::string>());
    }
    if (kind == "t") {
        // The date type runs from 1 January 100 to 31 December 9999; other serials (and NaN)
        // are no date, and converting them to days would overflow.
        constexpr double firstDate = -657434.0, afterLastDate = 2958466.0;
        const double serial = readDouble(payload(), c, "a date value");
        if (!(serial >= firstDate && serial < afterLastDate)) c.fail("a date value is outside the years 100 to 9999");
        return runtime::Variant(runtime::Date{serial});
    }
    if (kind == "o") return runtime::Variant(readObject(payload(), c));
    if (kind == "a") {
        In in(payload(), c, "an array value");
        std::vector<long> lower, upper;
        for (const auto& x : in.array("lower")) {
            if (!x.is_number_integer()) c.fail("array bounds must be whole numbers");
            lower.push_back(x.get<long>());
        }
        for (const auto& x : in.array("upper")) {
            if (!x.is_number_integer()) c.fail("array bounds must be whole numbers");
            upper.push_back(x.get<long>());
        }
        std::vector<runtime::Variant> items;
        for (const auto& x : in.array("items")) items.push_back(readVariant(x, c));
        try {
            return runtime::Variant(runtime::Array::fromItems(lower, upper, std::move(items)));
        } catch (const runtime::Error&) {
            c.fail("an array value's bounds do not match its items");
        }
    }
    c.fail("unknown value kind \"" + kind + "\"");
}

runtime::ObjectPtr copyObject(const runtime::ObjectPtr& object) {
    if (!object) return nullptr;
    PersistContext out(PersistPurpose::Copy);
    const Json j = writeObject(object, out);
    PersistContext in(PersistPurpose::Copy);
    return readObject(j, in);
}

namespace {

// A first pass over the text that only counts nesting. The DOM parser with a callback would do
// the same, but it rescans every parent container at each closing brace (quadratic on long
// lists), so the check runs on its own and the DOM is built by the plain parser afterwards.
class DepthCheck final : public nlohmann::json_sax<Json> {
public:
    explicit DepthCheck(std::size_t maxDepth) : maxDepth_(maxDepth) {}
    bool tooDeep() const { return tooDeep_; }
    std::string syntaxError() const { return syntaxError_; }

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
        syntaxError_ = e.what();
        return false;
    }

private:
    bool enter() {
        if (++depth_ > maxDepth_) {
            tooDeep_ = true;
            return false;
        }
        return true;
    }
    bool leave() {
        --depth_;
        return true;
    }
    std::size_t maxDepth_;
    std::size_t depth_ = 0;
    bool tooDeep_ = false;
    std::string syntaxError_;
};

}  // namespace

Json parseJsonLimited(const std::string& text, const PersistContext& context) {
    if (text.empty()) context.fail("is empty");
    DepthCheck check(context.limits().maxDepth);
    const bool ok = Json::sax_parse(text, &check);
    if (check.tooDeep()) context.fail("is nested deeper than " + std::to_string(context.limits().maxDepth) + " levels");
    if (!ok) context.fail("is not valid JSON (" + check.syntaxError() + ")");
    try {
        return Json::parse(text);
    } catch (const Json::exception& e) {
        context.fail("is not valid JSON (" + std::string(e.what()) + ")");
    }
}

Json makeTaggedDocument(const std::string& format, int version) { return Json{{"format", format}, {"version", version}}; }

Json readTaggedDocument(const std::string& text, const std::string& format, int maxVersion, const PersistContext& context) {
    Json doc = parseJsonLimited(text, context);
    if (!doc.is_object()) context.fail("is not a " + format + " file (the document is not a JSON object)");
    auto f = doc.find("format");
    if (f == doc.end() || !f->is_string() || f->get<std::string>() != format) {
        const std::string found = (f != doc.end() && f->is_string()) ? "\"" + f->get<std::string>() + "\"" : "none";
        context.fail("is not a " + format + " file (format tag: " + found + ")");
    }
    auto v = doc.find("version");
    if (v == doc.end() || !v->is_number_integer()) context.fail("has no version number");
    const long version = v->get<long>();
    if (version < 1 || version > maxVersion)
        context.fail("has version " + std::to_string(version) + "; this Plotlet reads versions 1 to " + std::to_string(maxVersion));
    return doc;
}

}  // namespace host
