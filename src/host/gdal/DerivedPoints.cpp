#include "host/gdal/DerivedPoints.h"

#include <atomic>
#include <filesystem>
#include <optional>
#include <unistd.h>

#include <cpl_vsi.h>

#include "host/AtomicFile.h"
#include "host/Error.h"
#include "host/gdal/Dataset.h"
#include "host/gdal/Handles.h"
#include "host/gdal/Policy.h"

namespace host::gdal {

namespace fs = std::filesystem;

namespace {

constexpr const char* Source = "Plotlet.DataSource";

[[noreturn]] void failWrite(const std::string& path, const std::string& why) {
    raiseHost(code::WriteFailed, Source, "File " + path + ": the derived points cannot be written (" + why + ")");
}

// The point halfway along the lines' total length (parts taken in order), or none for no length.
std::optional<OGRPoint> midpointAlong(const OGRGeometry& lines) {
    std::vector<const OGRLineString*> parts;
    const OGRwkbGeometryType type = wkbFlatten(lines.getGeometryType());
    if (type == wkbLineString || type == wkbLinearRing) {
        parts.push_back(lines.toLineString());
    } else if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) {
        for (const OGRGeometry* part : *lines.toGeometryCollection())
            if (wkbFlatten(part->getGeometryType()) == wkbLineString) parts.push_back(part->toLineString());
    }
    double total = 0;
    for (const OGRLineString* part : parts) total += part->get_Length();
    if (parts.empty()) return std::nullopt;
    if (!(total > 0)) {
        // A line of one repeated vertex still has a place.
        if (parts.front()->getNumPoints() == 0) return std::nullopt;
        OGRPoint p;
        parts.front()->getPoint(0, &p);
        return p;
    }
    double left = total / 2;
    for (const OGRLineString* part : parts) {
        const double length = part->get_Length();
        if (left <= length || part == parts.back()) {
            OGRPoint p;
            part->Value(std::min(left, length), &p);
            return p;
        }
        left -= length;
    }
    return std::nullopt;
}

OGRGeometry* pointOnSurface(const OGRGeometry& shape) {
    return OGRGeometry::FromHandle(OGR_G_PointOnSurface(OGRGeometry::ToHandle(const_cast<OGRGeometry*>(&shape))));
}

// The feature's point: inside a polygon, halfway along a line; none for no or empty geometry.
std::optional<OGRPoint> derivedPoint(const OGRGeometry* geometry) {
    if (!geometry || geometry->IsEmpty()) return std::nullopt;
    ErrorCapture geosMessages;  // a shape GEOS refuses just has no point; it is no read failure
    GeometryHandle flat(geometry->hasCurveGeometry() ? geometry->getLinearGeometry() : geometry->clone());
    if (!flat) return std::nullopt;
    flat->flattenTo2D();
    const int dimension = flat->getDimension();
    if (dimension == 1) return midpointAlong(*flat);
    if (dimension == 0) {
        if (wkbFlatten(flat->getGeometryType()) == wkbPoint) return *flat->toPoint();
        OGRPoint p;
        if (flat->Centroid(&p) == OGRERR_NONE && !p.IsEmpty()) return p;
        return std::nullopt;
    }
    // An invalid ring (a bow tie) makes GEOS refuse; the repaired shape still has an inside.
    GeometryHandle inside(pointOnSurface(*flat));
    if (!inside || inside->IsEmpty()) {
        GeometryHandle repaired(flat->MakeValid());
        if (repaired) inside.reset(pointOnSurface(*repaired));
    }
    if (!inside || inside->IsEmpty() || wkbFlatten(inside->getGeometryType()) != wkbPoint) return std::nullopt;
    return *inside->toPoint();
}

std::string memoryPath() {
    static std::atomic<unsigned> counter{0};
    return "/vsimem/plotlet_derived_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".gpkg";
}

// Removes the in-memory GeoPackage and what SQLite may leave beside it.
struct MemoryFiles {
    std::string path;
    ~MemoryFiles() {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) VSIUnlink((path + suffix).c_str());
    }
};

}  // namespace

std::string derivedPointsPath(const std::string& folder, const std::string& layerName) {
    return (fs::path(folder) / (layerName + "_points.gpkg")).string();
}

DerivedPointsResult writeDerivedPoints(const DataSource& source, const std::string& pathIn) {
    const std::string path = fs::absolute(pathIn).lexically_normal().string();
    const std::string sourcePath = fs::absolute(source.path).lexically_normal().string();
    const std::string driver = checkDataSource(sourcePath, source.driver);
    std::error_code ec;
    if (sourcePath == path || fs::equivalent(sourcePath, path, ec))
        failWrite(path, "it is the layer's own data file");

    ErrorCapture capture;
    DatasetHandle in = openDataset(sourcePath, driver, false, capture);
    OGRLayer* from = findLayer(*in, sourcePath, source.layerName);
    const OGRwkbGeometryType sourceType = wkbFlatten(from->GetGeomType());
    if (sourceType == wkbPoint || sourceType == wkbMultiPoint || sourceType == wkbNone)
        raiseHost(code::NoGeometry, Source, "File " + sourcePath + ": layer " + from->GetName() + " holds no polygons or lines");

    GDALDriver* gpkg = GetGDALDriverManager()->GetDriverByName(geoPackageDriver);
    if (!gpkg) failWrite(path, "GDAL has no GeoPackage driver");
    MemoryFiles memory{memoryPath()};
    DerivedPointsResult result;
    {
        DatasetHandle out(gpkg->Create(memory.path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        if (!out) failWrite(path, capture.failureText());
        OGRFeatureDefn* sourceDefn = from->GetLayerDefn();
        // The identifier column must not take the name of an attribute.
        std::string fidName = "fid";
        for (int i = 0; i < sourceDefn->GetFieldCount(); ++i)
            if (EQUAL(sourceDefn->GetFieldDefn(i)->GetNameRef(), fidName.c_str())) fidName = "plotlet_fid";
        StringList options{"FID=" + fidName, "GEOMETRY_NAME=geom"};
        const std::string layerName = fs::path(path).stem().string();
        OGRLayer* to = out->CreateLayer(layerName.c_str(), from->GetSpatialRef(), wkbPoint, options.get());
        if (!to) failWrite(path, capture.failureText());
        for (int i = 0; i < sourceDefn->GetFieldCount(); ++i)
            if (to->CreateField(sourceDefn->GetFieldDefn(i)) != OGRERR_NONE)
                failWrite(path, "field " + std::string(sourceDefn->GetFieldDefn(i)->GetNameRef()) + ": " + capture.failureText());
        if (out->StartTransaction() != OGRERR_NONE) failWrite(path, capture.failureText());
        from->ResetReading();
        for (FeatureHandle feature(from->GetNextFeature()); feature; feature.reset(from->GetNextFeature())) {
            FeatureHandle copy(OGRFeature::CreateFeature(to->GetLayerDefn()));
            // Fields were created in the source's order, so each value maps to its own index.
            if (copy->SetFrom(feature.get(), TRUE) != OGRERR_NONE)
                failWrite(path, "feature " + std::to_string(feature->GetFID()) + ": " + capture.failureText());
            const std::optional<OGRPoint> point = derivedPoint(feature->GetGeometryRef());
            if (point) copy->SetGeometry(&*point);
            else {
                copy->SetGeometryDirectly(nullptr);
                ++result.withoutPoint;
            }
            // The same identifiers as the layer's own, so that --selected 3,17 means the same features.
            copy->SetFID(feature->GetFID());
            if (to->CreateFeature(copy.get()) != OGRERR_NONE)
                failWrite(path, "feature " + std::to_string(feature->GetFID()) + ": " + capture.failureText());
            ++result.features;
        }
        // A record GDAL could not read ends the loop early: the file would silently lack it.
        if (capture.failed()) raiseHost(code::ReadFailed, Source, "File " + sourcePath + ": " + capture.failureText());
        if (out->CommitTransaction() != OGRERR_NONE) failWrite(path, capture.failureText());
    }
    if (capture.failed()) failWrite(path, capture.failureText());
    vsi_l_offset length = 0;
    GByte* buffer = VSIGetMemFileBuffer(memory.path.c_str(), &length, FALSE);
    if (!buffer) failWrite(path, "the GeoPackage was not made");
    writeFileAtomically(path, std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length)));
    return result;
}

}  // namespace host::gdal
