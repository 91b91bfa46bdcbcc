// The persisted form of renderers and layers: feature layers with their data sources (by path,
// or inline for features held only in memory), group layers and graphics layers.
#include "host/PersistenceTable.h"

#include <filesystem>

#include "host/Error.h"
#include "host/Layer.h"
#include "host/Renderer.h"
#include "host/Symbol.h"

namespace host::persistence {
namespace fs = std::filesystem;

namespace {

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

}  // namespace

void addLayerHandlers(HandlerTable& t) {
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
}

}  // namespace host::persistence
