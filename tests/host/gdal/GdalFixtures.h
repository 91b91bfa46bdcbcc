#pragma once
// Data files for the data-source tests, made with GDAL at test time in a fresh folder.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "host/gdal/Gdal.h"
#include "host/gdal/Handles.h"
#include "support/TempFolder.h"

namespace fixtures {

namespace fs = std::filesystem;

// The shared temporary folder, with file names as texts.
class TempDir : public testing_support::TempFolder {
public:
    std::string file(const std::string& name) const { return (path() / name).string(); }
};

inline void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

inline std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline host::gdal::SpatialReferenceHandle epsg(int code) {
    host::gdal::SpatialReferenceHandle srs(new OGRSpatialReference());
    srs->importFromEPSG(code);
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
}

struct FieldDef {
    std::string name;
    OGRFieldType type;
    OGRFieldSubType subType = OFSTNone;
    int width = 0;
};

// One row: WKT geometry (empty: none) and values as texts ("" = null) per field.
struct Row {
    std::string wkt;
    std::vector<std::string> values;
};

// Creates (or adds to) a data source with one layer of those rows.
inline void makeLayer(const std::string& path, const char* driverName, const std::string& layerName, OGRwkbGeometryType type,
                      int srsCode, const std::vector<FieldDef>& fields, const std::vector<Row>& rows,
                      const std::vector<std::string>& layerOptions = {}) {
    GDALAllRegister();
    host::gdal::ErrorCapture quiet;  // GDAL's notes about odd test data are not test output
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
    host::gdal::DatasetHandle ds(fs::exists(path) ? GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE)
                                                  : driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds) throw std::runtime_error("cannot create " + path);
    host::gdal::StringList options;
    for (const auto& o : layerOptions) options.add(o);
    auto srs = srsCode ? epsg(srsCode) : host::gdal::SpatialReferenceHandle();
    OGRLayer* layer = ds->CreateLayer(layerName.c_str(), srs.get(), type, options.get());
    if (!layer) throw std::runtime_error("cannot create layer " + layerName);
    for (const auto& f : fields) {
        OGRFieldDefn defn(f.name.c_str(), f.type);
        defn.SetSubType(f.subType);
        if (f.width) defn.SetWidth(f.width);
        if (f.type == OFTReal && std::string(driverName) == "ESRI Shapefile") {
            defn.SetWidth(24);
            defn.SetPrecision(10);
        }
        layer->CreateField(&defn);
    }
    for (const auto& r : rows) {
        host::gdal::FeatureHandle feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        for (std::size_t i = 0; i < r.values.size(); ++i) {
            if (r.values[i].empty()) feature->SetFieldNull(static_cast<int>(i));
            else feature->SetField(static_cast<int>(i), r.values[i].c_str());
        }
        if (!r.wkt.empty()) {
            OGRGeometry* g = nullptr;
            OGRGeometryFactory::createFromWkt(r.wkt.c_str(), nullptr, &g);
            feature->SetGeometryDirectly(g);
        }
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE) throw std::runtime_error("cannot write a feature");
    }
}

// A point shapefile in Windows-1251 (.cpg and the DBF language driver id 0xC9) with Russian
// names: Москва 12600000, Санкт-Петербург 5380000, Нижний Новгород (no population).
inline std::string makeRussianShapefile(const fs::path& folder, const std::string& name = "города") {
    fs::create_directories(folder);
    const std::string path = (folder / (name + ".shp")).string();
    makeLayer(path, "ESRI Shapefile", name, wkbPoint, 4326,
              {{"NAME", OFTString, OFSTNone, 40}, {"POP", OFTInteger}, {"AREA", OFTReal}},
              {{"POINT (37.6173 55.7558)", {"Москва", "12600000", "2561.5"}},
               {"POINT (30.3351 59.9343)", {"Санкт-Петербург", "5380000", "1439"}},
               {"POINT (44.0020 56.3269)", {"Нижний Новгород", "", "410.7"}}},
              {"ENCODING=CP1251"});
    return path;
}

// Forces the language driver id of a DBF (byte 29); 0xC9 is Windows-1251.
inline void setLanguageDriverId(const fs::path& dbf, unsigned char ldid) {
    std::fstream f(dbf, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(29);
    f.put(static_cast<char>(ldid));
}

}  // namespace fixtures
