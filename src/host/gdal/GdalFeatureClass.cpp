#include "host/gdal/GdalFeatureClass.h"

#include "host/TaskProgress.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Error.h"
#include "host/PropertySet.h"
#include "host/TaskProgress.h"
#include "host/gdal/Dataset.h"
#include "host/gdal/FieldDeletion.h"
#include "host/gdal/Handles.h"
#include "host/gdal/Policy.h"
#include "runtime/Date.h"
#include "runtime/Text.h"

namespace host::gdal {
namespace fs = std::filesystem;

namespace {

constexpr const char* source = "Plotlet.DataSource";
constexpr std::size_t batchRows = 65536;
constexpr std::size_t maxWarnings = 50;

[[noreturn]] void fail(int errorCode, const std::string& path, const std::string& what) {
    raiseHost(errorCode, source, "File " + path + ": " + what);
}

// Invalid UTF-8 sequences become U+FFFD, so every text the host holds can be written to JSON
// and drawn.
std::string repairUtf8(const std::string& text, bool& repaired) {
    if (runtime::isValidUtf8(text)) return text;
    repaired = true;
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len > 0 && i + len <= text.size() && runtime::isValidUtf8(std::string_view(text).substr(i, len))) {
            out.append(text, i, len);
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// ---- opening -----------------------------------------------------------------------------------

// ---- geometry ----------------------------------------------------------------------------------

enum class Family { None, Point, Multipoint, Line, Area, Mixed };

Family familyOf(OGRwkbGeometryType type) {
    switch (wkbFlatten(type)) {
    case wkbPoint: return Family::Point;
    case wkbMultiPoint: return Family::Multipoint;
    case wkbLineString:
    case wkbMultiLineString:
    case wkbCircularString:
    case wkbCompoundCurve:
    case wkbMultiCurve:
    case wkbCurve: return Family::Line;
    case wkbPolygon:
    case wkbMultiPolygon:
    case wkbCurvePolygon:
    case wkbMultiSurface:
    case wkbSurface:
    case wkbTriangle:
    case wkbTIN:
    case wkbPolyhedralSurface: return Family::Area;
    case wkbNone: return Family::None;
    default: return Family::Mixed;  // unknown or a collection: look at the features
    }
}

Family merge(Family a, Family b) {
    if (a == Family::None) return b;
    if (b == Family::None || a == b) return a;
    const bool pa = a == Family::Point || a == Family::Multipoint, pb = b == Family::Point || b == Family::Multipoint;
    if (pa && pb) return Family::Multipoint;
    return Family::Mixed;
}

Family familyOfGeometry(const OGRGeometry& g) {
    const auto flat = wkbFlatten(g.getGeometryType());
    if (flat == wkbGeometryCollection) {
        Family f = Family::None;
        for (const OGRGeometry* member : *g.toGeometryCollection()) f = merge(f, member ? familyOfGeometry(*member) : Family::None);
        return f;
    }
    return familyOf(flat);
}

GeometryType hostType(Family f) {
    switch (f) {
    case Family::Point: return GeometryType::Point;
    case Family::Multipoint: return GeometryType::Multipoint;
    case Family::Line: return GeometryType::Polyline;
    default: return GeometryType::Polygon;
    }
}

bool finite(double x, double y) { return std::isfinite(x) && std::isfinite(y); }

// Collects the vertices of `g` into the host geometry of the class's kind. False when a
// coordinate is not finite.
bool collect(const OGRGeometry& g, GeometryType type, Geometry& out) {
    const auto flat = wkbFlatten(g.getGeometryType());
    if (g.IsEmpty()) return true;
    if (g.hasCurveGeometry()) {
        GeometryHandle linear(g.getLinearGeometry());
        return !linear || collect(*linear, type, out);
    }
    switch (flat) {
    case wkbPoint: {
        const OGRPoint& p = *g.toPoint();
        if (!finite(p.getX(), p.getY())) return false;
        if (type == GeometryType::Multipoint) static_cast<Multipoint&>(out).addPoint({p.getX(), p.getY()});
        return true;
    }
    case wkbLineString:
    case wkbLinearRing: {
        const OGRSimpleCurve& line = *g.toSimpleCurve();
        std::vector<XY> path;
        path.reserve(static_cast<std::size_t>(line.getNumPoints()));
        for (int i = 0; i < line.getNumPoints(); ++i) {
            if (!finite(line.getX(i), line.getY(i))) return false;
            path.push_back({line.getX(i), line.getY(i)});
        }
        if (type == GeometryType::Polyline) static_cast<Polyline&>(out).addPath(std::move(path));
        else if (type == GeometryType::Polygon) static_cast<Polygon&>(out).addRing(std::move(path));
        return true;
    }
    case wkbPolygon:
    case wkbTriangle: {
        const OGRPolygon& poly = *g.toPolygon();
        for (const OGRLinearRing* ring : poly) {
            if (ring && !collect(*ring, type, out)) return false;
        }
        return true;
    }
    default:
        if (OGR_GT_IsSubClassOf(flat, wkbGeometryCollection) || flat == wkbPolyhedralSurface || flat == wkbTIN) {
            GeometryHandle holder;
            const OGRGeometry* collection = &g;
            if (flat == wkbPolyhedralSurface || flat == wkbTIN) {
                holder.reset(OGRGeometryFactory::forceToMultiPolygon(g.clone()));
                collection = holder.get();
            }
            for (const OGRGeometry* member : *collection->toGeometryCollection()) {
                if (member && !collect(*member, type, out)) return false;
            }
        }
        return true;
    }
}

GeometryPtr emptyShape(GeometryType type) {
    switch (type) {
    case GeometryType::Multipoint: return std::make_shared<Multipoint>();
    case GeometryType::Polyline: return std::make_shared<Polyline>();
    default: return std::make_shared<Polygon>();
    }
}

// ---- coordinate systems ------------------------------------------------------------------------

SpatialReferencePtr convertSpatialReference(const OGRSpatialReference* srs) {
    if (!srs) return std::make_shared<SpatialReference>();
    // Describing and matching a coordinate system is a courtesy: PROJ complains about what it
    // cannot express (datum-shift parameters in WKT1, no close match), and those complaints must
    // neither fail the file nor be taken later for a failure to read its features.
    ErrorCapture quiet;
    const char* name = srs->GetName();
    // GeoPackages name their placeholders for "no coordinate system" so.
    if (name && (EQUAL(name, "Undefined geographic SRS") || EQUAL(name, "Undefined Cartesian SRS")))
        return std::make_shared<SpatialReference>();
    StringList wktOptions{"FORMAT=WKT2_2019", "MULTILINE=NO"};
    char* raw = nullptr;
    srs->exportToWkt(&raw, wktOptions.get());
    CplText wkt(raw);
    const bool geographic = srs->IsGeographic() != 0;
    double metresPerUnit = 1.0;
    if (geographic) {
        const double radiansPerUnit = srs->GetAngularUnits(nullptr);
        metresPerUnit = SpatialReference::metresPerDegree * radiansPerUnit / (M_PI / 180.0);
    } else {
        metresPerUnit = srs->GetLinearUnits(nullptr);
    }
    if (!(metresPerUnit > 0) || !std::isfinite(metresPerUnit)) metresPerUnit = 1.0;
    int epsg = 0;
    auto epsgOf = [](const OGRSpatialReference& s) {
        const char* authority = s.GetAuthorityName(nullptr);
        const char* codeText = s.GetAuthorityCode(nullptr);
        if (authority && codeText && EQUAL(authority, "EPSG")) return std::atoi(codeText);
        return 0;
    };
    epsg = epsgOf(*srs);
    if (epsg == 0) {
        // Shapefile .prj files carry no authority; ask PROJ for a close match.
        int count = 0;
        int* confidence = nullptr;
        OGRSpatialReferenceH* matches = srs->FindMatches(nullptr, &count, &confidence);
        if (matches && count > 0 && confidence && confidence[0] >= 90) {
            epsg = epsgOf(*OGRSpatialReference::FromHandle(matches[0]));
        }
        OSRFreeSRSArray(matches);
        CPLFree(confidence);
    }
    bool repaired = false;
    return std::make_shared<SpatialReference>(repairUtf8(name && *name ? name : "Unknown", repaired),
                                              wkt ? std::string(wkt.get()) : std::string(), metresPerUnit, geographic, epsg);
}

// ---- fields ------------------------------------------------------------------------------------

enum class Reader { Int, Int64, Real, Text, DateTime, Time };

struct FieldPlan {
    int ogrIndex;
    Reader reader;
};

struct Schema {
    std::vector<Field> fields;
    std::vector<FieldPlan> plans;
    std::vector<std::string> sourceNames;
    std::vector<std::string> warnings;
};

Schema planFields(OGRFeatureDefn& defn, const std::string& oidName, const std::string& shapeName) {
    Schema s;
    auto taken = [&](const std::string& n) {
        if (samePropertyName(n, oidName) || samePropertyName(n, shapeName)) return true;
        for (const auto& f : s.fields) {
            if (samePropertyName(f.name, n)) return true;
        }
        return false;
    };
    for (int i = 0; i < defn.GetFieldCount(); ++i) {
        const OGRFieldDefn* fd = defn.GetFieldDefn(i);
        bool repaired = false;
        const std::string sourceName = fd->GetNameRef();
        std::string name = repairUtf8(sourceName, repaired);
        Field field;
        Reader reader = Reader::Real;
        switch (fd->GetType()) {
        case OFTInteger:
            field.type = (fd->GetSubType() == OFSTInt16 || fd->GetSubType() == OFSTBoolean) ? FieldType::SmallInteger : FieldType::Integer;
            reader = Reader::Int;
            break;
        case OFTInteger64:
            field.type = FieldType::Double;
            reader = Reader::Int64;
            break;
        case OFTReal:
            field.type = fd->GetSubType() == OFSTFloat32 ? FieldType::Single : FieldType::Double;
            reader = Reader::Real;
            break;
        case OFTDate:
        case OFTDateTime:
            field.type = FieldType::Date;
            reader = Reader::DateTime;
            break;
        case OFTTime:
            field.type = FieldType::Date;
            reader = Reader::Time;
            break;
        case OFTBinary:
            s.warnings.push_back("the binary field " + name + " is left out");
            continue;
        default:  // strings and lists
            field.type = FieldType::String;
            field.length = fd->GetType() == OFTString ? std::max(0, fd->GetWidth()) : 0;
            reader = Reader::Text;
            break;
        }
        if (name.empty()) name = "field_" + std::to_string(i + 1);
        if (taken(name)) {
            std::string base = name;
            for (int k = 1; taken(name); ++k) name = base + "_" + std::to_string(k);
            s.warnings.push_back("the field " + base + " is called " + name + " here (its name is taken)");
        }
        field.name = name;
        field.aliasName = fd->GetAlternativeNameRef() && *fd->GetAlternativeNameRef() ? repairUtf8(fd->GetAlternativeNameRef(), repaired) : "";
        field.nullable = fd->IsNullable() != 0;
        s.fields.push_back(std::move(field));
        s.plans.push_back({i, reader});
        s.sourceNames.push_back(sourceName);
    }
    return s;
}

// ---- loading -----------------------------------------------------------------------------------

class Loader {
public:
    Loader(const std::string& path, OGRLayer& layer, GdalFeatureClass& fc, const std::vector<FieldPlan>& plans, ErrorCapture& capture)
        : path_(path), layer_(layer), fc_(fc), plans_(plans), capture_(capture), type_(fc.shapeType()) {}

    void run() {
        batch_.clear(plans_.size());
        const GIntBig expected = layer_.GetFeatureCount(FALSE);
        if (expected > 0) {
            if (static_cast<std::uint64_t>(expected) > maxFeatures) tooMany();
            fc_.reserve(static_cast<std::size_t>(expected));
        }
        layer_.ResetReading();
        std::int64_t lastFid = -1;
        // A host that shows progress learns how far the reading is, every so many features.
        TaskProgress progress;
        const bool reporting = hasTaskProgressObserver();
        progress.task = "Reading " + std::string(layer_.GetName());
        progress.total = expected > 0 ? static_cast<std::size_t>(expected) : 0;
        struct Finish {
            TaskProgress& progress;
            bool reporting;
            ~Finish() {
                if (!reporting) return;
                progress.finished = true;
                reportTaskProgress(progress);
            }
        } finish{progress, reporting};
        for (;;) {
            FeatureHandle feature(layer_.GetNextFeature());
            if (capture_.failed()) fail(code::ReadFailed, path_, "layer " + std::string(layer_.GetName()) + ": a feature cannot be read (" + capture_.failureText() + ")");
            if (!feature) break;
            if (++count_ > maxFeatures) tooMany();
            std::int64_t fid = feature->GetFID();
            if (fid == OGRNullFID) fid = lastFid + 1;
            lastFid = fid;
            batch_.oids.push_back(fid);
            addShape(*feature);
            for (std::size_t c = 0; c < plans_.size(); ++c) addValue(*feature, c);
            if (batch_.size() >= batchRows) flush();
            if (reporting && (count_ & 0x3FFF) == 0) {
                progress.done = static_cast<std::size_t>(count_);
                reportTaskProgress(progress);
            }
        }
        progress.done = static_cast<std::size_t>(count_);
        flush();
        report();
    }

private:
    [[noreturn]] void tooMany() {
        fail(code::TooLarge, path_, "layer " + std::string(layer_.GetName()) + " has more than " + std::to_string(maxFeatures) + " features");
    }

    void flush() {
        try {
            fc_.appendBatch(batch_);
        } catch (const host::Error& e) {
            fail(code::ReadFailed, path_, "layer " + std::string(layer_.GetName()) + ": " + e.description());
        }
    }

    void addShape(const OGRFeature& feature) {
        const OGRGeometry* g = feature.GetGeometryRef();
        if (type_ == GeometryType::Point) {
            constexpr double nan = std::numeric_limits<double>::quiet_NaN();
            if (!g || g->IsEmpty()) {
                batch_.points.push_back({nan, nan});
                return;
            }
            const auto flat = wkbFlatten(g->getGeometryType());
            const OGRPoint* p = nullptr;
            if (flat == wkbPoint) p = g->toPoint();
            else if (flat == wkbMultiPoint && g->toMultiPoint()->getNumGeometries() == 1) p = g->toMultiPoint()->getGeometryRef(0);
            if (!p || !finite(p->getX(), p->getY())) {
                ++brokenShapes_;
                batch_.points.push_back({nan, nan});
                return;
            }
            batch_.points.push_back({p->getX(), p->getY()});
            return;
        }
        GeometryPtr shape = emptyShape(type_);
        if (g && !g->IsEmpty()) {
            const Family f = familyOfGeometry(*g);
            const bool fits = f == Family::None || hostType(f) == type_ || (type_ == GeometryType::Multipoint && f == Family::Point);
            if (!fits || !collect(*g, type_, *shape)) {
                ++brokenShapes_;
                shape = emptyShape(type_);
            }
        }
        batch_.shapes.push_back(std::move(shape));
    }

    void addValue(OGRFeature& feature, std::size_t c) {
        BatchColumn& col = batch_.columns[c];
        const FieldPlan& plan = plans_[c];
        const int i = plan.ogrIndex;
        const bool text = plan.reader == Reader::Text;
        if (!feature.IsFieldSetAndNotNull(i)) {
            col.nulls.push_back(1);
            if (text) col.texts.emplace_back();
            else col.numbers.push_back(0);
            return;
        }
        double number = 0;
        switch (plan.reader) {
        case Reader::Int: number = feature.GetFieldAsInteger(i); break;
        case Reader::Int64: {
            const GIntBig v = feature.GetFieldAsInteger64(i);
            constexpr GIntBig exact = GIntBig(1) << 53;
            if (v > exact || v < -exact) ++inexactIntegers_;
            number = static_cast<double>(v);
            break;
        }
        case Reader::Real: number = feature.GetFieldAsDouble(i); break;
        case Reader::DateTime:
        case Reader::Time: {
            int y = 0, m = 0, d = 0, h = 0, mi = 0, tz = 0;
            float sec = 0;
            feature.GetFieldAsDateTime(i, &y, &m, &d, &h, &mi, &sec, &tz);
            if (plan.reader == Reader::Time || y == 0) number = (h * 3600.0 + mi * 60.0 + sec) / 86400.0;
            else number = runtime::Date::fromCivil(y, m, d, h, mi, sec).serial;
            break;
        }
        case Reader::Text: {
            bool repaired = false;
            col.texts.push_back(repairUtf8(feature.GetFieldAsString(i), repaired));
            if (repaired) ++repairedTexts_;
            col.nulls.push_back(0);
            return;
        }
        }
        if (!std::isfinite(number)) {
            ++nonFinite_;
            col.nulls.push_back(1);
            col.numbers.push_back(0);
            return;
        }
        col.nulls.push_back(0);
        col.numbers.push_back(number);
    }

    void report() {
        if (brokenShapes_)
            fc_.addWarning(std::to_string(brokenShapes_) + " feature(s) have a shape that is broken or of another kind; they load without a shape");
        if (nonFinite_) fc_.addWarning(std::to_string(nonFinite_) + " attribute value(s) are NaN or infinite; they load as null");
        if (inexactIntegers_)
            fc_.addWarning(std::to_string(inexactIntegers_) + " 64-bit integer value(s) are beyond 2^53 and load as the nearest double");
        if (repairedTexts_) fc_.addWarning(std::to_string(repairedTexts_) + " text value(s) are not valid UTF-8; broken bytes became U+FFFD");
        for (const auto& w : capture_.warnings()) fc_.addWarning("GDAL: " + w);
    }

    const std::string& path_;
    OGRLayer& layer_;
    GdalFeatureClass& fc_;
    const std::vector<FieldPlan>& plans_;
    ErrorCapture& capture_;
    GeometryType type_;
    FeatureBatch batch_;
    std::uint64_t count_ = 0;
    std::size_t brokenShapes_ = 0, nonFinite_ = 0, inexactIntegers_ = 0, repairedTexts_ = 0;
};

Family scanFamily(OGRLayer& layer) {
    Family f = Family::None;
    layer.ResetReading();
    for (;;) {
        FeatureHandle feature(layer.GetNextFeature());
        if (!feature) break;
        if (const OGRGeometry* g = feature->GetGeometryRef(); g && !g->IsEmpty()) f = merge(f, familyOfGeometry(*g));
        if (f == Family::Mixed) break;
    }
    return f;
}

GdalFeatureClassPtr load(const std::string& path, const std::string& driver, GDALDataset& ds, OGRLayer& layer, ErrorCapture& capture) {
    const std::string layerName = layer.GetName();
    capture.clearFailures();  // what opening reported did not stop it
    Family family = familyOf(layer.GetGeomType());
    if (family == Family::None || layer.GetLayerDefn()->GetGeomFieldCount() == 0)
        fail(code::NoGeometry, path, "layer " + layerName + " has no geometry (a table cannot be a feature layer)");
    if (family == Family::Mixed) {
        family = scanFamily(layer);
        if (capture.failed()) fail(code::ReadFailed, path, "layer " + layerName + ": " + capture.failureText());
        if (family == Family::Mixed)
            fail(code::NoGeometry, path, "layer " + layerName + " mixes points, lines and polygons; a feature layer holds one kind");
        if (family == Family::None) family = Family::Point;  // no shapes at all: an empty point layer
    }
    std::string oidName = layer.GetFIDColumn();
    if (oidName.empty()) oidName = "FID";
    std::string shapeName = layer.GetGeometryColumn();
    if (shapeName.empty()) shapeName = "Shape";
    Schema schema = planFields(*layer.GetLayerDefn(), oidName, shapeName);
    bool repaired = false;
    auto fc = makeFeatureClass<GdalFeatureClass>(repairUtf8(layerName, repaired), hostType(family), schema.fields,
                                                 convertSpatialReference(layer.GetSpatialRef()), oidName, shapeName,
                                                 schema.sourceNames);
    fc->setDataSource(DataSource{path, layerName, driver});
    for (auto& w : schema.warnings) fc->addWarning(std::move(w));
    Loader(path, layer, *fc, schema.plans, capture).run();
    (void)ds;
    return fc;
}

std::string absolutePath(const std::string& path) {
    refuseIndirection(path);
    if (path.empty()) return path;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    return ec ? path : p.lexically_normal().string();
}

}  // namespace

// ---- GdalFeatureClass ----------------------------------------------------------------------------

GdalFeatureClass::GdalFeatureClass(std::string name, GeometryType shapeType, std::vector<Field> attributeFields,
                                   SpatialReferencePtr spatialReference, std::string oidName, std::string shapeName,
                                   std::vector<std::string> sourceFieldNames)
    : FeatureClass(std::move(name), shapeType, std::move(attributeFields), std::move(spatialReference), std::move(oidName),
                   std::move(shapeName)),
      sourceFieldNames_(std::move(sourceFieldNames)) {}

void GdalFeatureClass::addWarning(std::string text) {
    if (warnings_.size() < maxWarnings) warnings_.push_back(std::move(text));
}

std::string GdalFeatureClass::sourceFieldName(int fieldIndex) const {
    if (fieldIndex < 2) return field(fieldIndex).name;
    (void)field(fieldIndex);
    return sourceFieldNames_.at(static_cast<std::size_t>(fieldIndex - 2));
}

bool GdalFeatureClass::canDeleteFields(std::string& whyNot) const { return canDeleteSourceFields(dataSource(), whyNot); }

void GdalFeatureClass::deleteFields(const std::vector<std::string>& names) {
    const std::vector<int> indexes = fieldsToDelete(names);
    std::vector<std::string> sourceNames;
    for (int index : indexes) sourceNames.push_back(sourceFieldNames_.at(static_cast<std::size_t>(index - 2)));
    deleteSourceFields(dataSource(), sourceNames);
    removeFieldsInMemory(indexes);
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) sourceFieldNames_.erase(sourceFieldNames_.begin() + (*it - 2));
}

// ---- opening ------------------------------------------------------------------------------------

std::vector<std::string> layerNames(const std::string& pathIn) {
    const std::string path = absolutePath(pathIn);
    const std::string driver = checkDataSource(path);
    ErrorCapture capture;
    DatasetHandle ds = openDataset(path, driver, false, capture);
    std::vector<std::string> names;
    for (int i = 0; i < ds->GetLayerCount(); ++i) names.emplace_back(ds->GetLayer(i)->GetName());
    return names;
}

GdalFeatureClassPtr openFeatureClass(const std::string& pathIn, const std::string& layerName, const std::string& driverIn) {
    const std::string path = absolutePath(pathIn);
    const std::string driver = checkDataSource(path, driverIn);
    ErrorCapture capture;
    DatasetHandle ds = openDataset(path, driver, false, capture);
    OGRLayer* layer = findLayer(*ds, path, layerName);
    return load(path, driver, *ds, *layer, capture);
}

std::vector<GdalFeatureClassPtr> openAllFeatureClasses(const std::string& pathIn) {
    const std::string path = absolutePath(pathIn);
    const std::string driver = checkDataSource(path);
    ErrorCapture capture;
    DatasetHandle ds = openDataset(path, driver, false, capture);
    if (ds->GetLayerCount() == 0) fail(code::NoSuchLayer, path, "holds no vector layer");
    std::vector<GdalFeatureClassPtr> out;
    for (int i = 0; i < ds->GetLayerCount(); ++i) {
        OGRLayer* layer = ds->GetLayer(i);
        // A GeoPackage may hold plain tables beside its feature tables; they are no layers.
        if (ds->GetLayerCount() > 1 && familyOf(layer->GetGeomType()) == Family::None) continue;
        out.push_back(load(path, driver, *ds, *layer, capture));
    }
    if (out.empty()) fail(code::NoGeometry, path, "holds no layer with geometry");
    return out;
}

}  // namespace host::gdal
