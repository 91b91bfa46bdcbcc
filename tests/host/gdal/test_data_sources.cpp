// Reading layers from data files: formats, field types, coordinate systems, encodings, and the
// files that must be refused or reported.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sys/stat.h>

#include "host/Error.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/Policy.h"
#include "host/gdal/GdalFixtures.h"

using namespace host;
using namespace host::gdal;
using fixtures::FieldDef;
using fixtures::Row;
namespace fs = std::filesystem;

namespace {

class DataSources : public ::testing::Test {
protected:
    void SetUp() override { install(); }
    fixtures::TempDir dir;
};

// The host error a call raises: its number and description.
struct Failure {
    int number = 0;
    std::string description;
};
template <class F>
Failure failureOf(F&& f) {
    try {
        f();
    } catch (const runtime::Error& e) {
        return {e.number(), e.description()};
    }
    return {};
}

int hostCode(int code) { return hostErrorBase + code; }

std::string text(const FeatureClass& fc, std::size_t row, const std::string& field) {
    return fc.value(row, fc.findField(field)).toString();
}

}  // namespace

TEST_F(DataSources, Windows1251ShapefileComesOutAsUtf8ByCpgOrLanguageDriverId) {
    const fs::path folder = dir.path() / "Данные с пробелами";
    const std::string path = fixtures::makeRussianShapefile(folder);
    // The DBF really holds Windows-1251 bytes: "М" is 0xCC there.
    const fs::path dbf = folder / "города.dbf";
    EXPECT_NE(fixtures::readBytes(dbf).find("\xCC\xEE\xF1\xEA\xE2\xE0"), std::string::npos);

    auto check = [&] {
        auto fc = openFeatureClass(path);
        ASSERT_EQ(fc->featureCount(), 3u);
        EXPECT_EQ(fc->name(), "города");
        EXPECT_EQ(text(*fc, 0, "NAME"), "Москва");
        EXPECT_EQ(text(*fc, 1, "NAME"), "Санкт-Петербург");
        EXPECT_EQ(text(*fc, 2, "NAME"), "Нижний Новгород");
    };
    check();
    fs::remove(folder / "города.cpg");
    fixtures::setLanguageDriverId(dbf, 0xC9);
    check();
}

TEST_F(DataSources, ShapefilePointsWithFieldsIdsAndGeographicCoordinates) {
    const std::string path = fixtures::makeRussianShapefile(dir.path());
    auto fc = openFeatureClass(path);
    EXPECT_EQ(fc->shapeType(), GeometryType::Point);
    EXPECT_EQ(fc->dataSource().driver, shapefileDriver);
    EXPECT_EQ(fc->dataSource().path, path);
    // Identifier, shape, then the attributes.
    ASSERT_EQ(fc->fieldCount(), 5);
    EXPECT_EQ(fc->field(0).type, FieldType::OID);
    EXPECT_EQ(fc->field(1).type, FieldType::Geometry);
    EXPECT_EQ(fc->field(2).type, FieldType::String);
    EXPECT_EQ(fc->field(3).type, FieldType::Integer);
    EXPECT_EQ(fc->field(4).type, FieldType::Double);
    // Shapefile ids count from 0 and are found directly.
    EXPECT_EQ(fc->oid(0), 0);
    EXPECT_EQ(fc->rowOfOid(2), 2u);
    EXPECT_FALSE(fc->rowOfOid(3));
    EXPECT_TRUE(fc->value(2, 3).isNull());
    EXPECT_EQ(fc->value(0, 3).toInt32(), 12600000);
    EXPECT_DOUBLE_EQ(fc->pointAt(0).x, 37.6173);
    EXPECT_DOUBLE_EQ(fc->pointAt(0).y, 55.7558);

    const auto& sr = *fc->spatialReference();
    EXPECT_TRUE(sr.isGeographic());
    EXPECT_EQ(sr.epsg(), 4326);  // found again from the .prj, which carries no code
    EXPECT_DOUBLE_EQ(sr.metresPerUnit(), SpatialReference::metresPerDegree);
    EXPECT_NE(sr.name().find("WGS"), std::string::npos);
    EXPECT_FALSE(sr.wkt().empty());
}

TEST_F(DataSources, GeoPackageMapsEveryFieldTypeAndLayerKind) {
    const std::string path = dir.file("mixed.gpkg");
    fixtures::makeLayer(path, "GPKG", "cities", wkbPoint, 32119,
                        {{"small", OFTInteger, OFSTInt16}, {"flag", OFTInteger, OFSTBoolean}, {"count", OFTInteger},
                         {"big", OFTInteger64}, {"ratio", OFTReal, OFSTFloat32}, {"value", OFTReal},
                         {"label", OFTString, OFSTNone, 12}, {"day", OFTDate}, {"stamp", OFTDateTime}},
                        {{"POINT (600000 200000)", {"7", "1", "100000", "1152921504606846976", "0.5", "2.25", "один", "2024-02-29", "2024-02-29 12:30:00"}},
                         {"POINT (610000 210000)", {"", "", "", "42", "", "", "", "", ""}}});
    fixtures::makeLayer(path, "GPKG", "roads", wkbLineString, 32119, {{"lanes", OFTInteger}},
                        {{"LINESTRING (0 0, 10 0, 10 10)", {"2"}}, {"MULTILINESTRING ((0 0, 1 1), (5 5, 6 6))", {"1"}}});
    fixtures::makeLayer(path, "GPKG", "districts", wkbMultiPolygon, 32119, {{"pop", OFTInteger64}},
                        {{"MULTIPOLYGON (((0 0, 10 0, 10 10, 0 10, 0 0), (2 2, 4 2, 4 4, 2 4, 2 2)), ((20 20, 30 20, 30 30, 20 20)))", {"5"}}});
    fixtures::makeLayer(path, "GPKG", "stations", wkbMultiPoint, 32119, {}, {{"MULTIPOINT ((1 1), (2 2))", {}}});

    EXPECT_EQ(layerNames(path), (std::vector<std::string>{"cities", "roads", "districts", "stations"}));

    auto cities = openFeatureClass(path, "cities");
    std::vector<FieldType> types;
    for (int i = 2; i < cities->fieldCount(); ++i) types.push_back(cities->field(i).type);
    EXPECT_EQ(types, (std::vector<FieldType>{FieldType::SmallInteger, FieldType::SmallInteger, FieldType::Integer, FieldType::Double,
                                             FieldType::Single, FieldType::Double, FieldType::String, FieldType::Date, FieldType::Date}));
    EXPECT_EQ(cities->oidFieldName(), "fid");
    EXPECT_EQ(cities->oid(0), 1);
    EXPECT_EQ(cities->value(0, cities->findField("small")).toInt16(), 7);
    EXPECT_DOUBLE_EQ(cities->value(1, cities->findField("big")).toDouble(), 42.0);
    EXPECT_EQ(text(*cities, 0, "label"), "один");
    EXPECT_EQ(cities->field(cities->findField("label")).length, 12);
    EXPECT_EQ(cities->value(0, cities->findField("day")).toDate(), runtime::Date::fromCivil(2024, 2, 29));
    EXPECT_EQ(cities->value(0, cities->findField("stamp")).toDate(), runtime::Date::fromCivil(2024, 2, 29, 12, 30));
    for (int i = 2; i < cities->fieldCount(); ++i) {
        if (cities->field(i).name != "big") {
            EXPECT_TRUE(cities->value(1, i).isNull()) << cities->field(i).name;
        }
    }
    // 2^60 does not fit a double exactly: loaded as the nearest one, and said so.
    ASSERT_FALSE(cities->warnings().empty());
    EXPECT_NE(cities->warnings()[0].find("2^53"), std::string::npos);
    const auto& sr = *cities->spatialReference();
    EXPECT_EQ(sr.epsg(), 32119);
    EXPECT_EQ(sr.name(), "NAD83 / North Carolina");
    EXPECT_FALSE(sr.isGeographic());
    EXPECT_DOUBLE_EQ(sr.metresPerUnit(), 1.0);

    auto roads = openFeatureClass(path, "roads");
    EXPECT_EQ(roads->shapeType(), GeometryType::Polyline);
    auto line = std::dynamic_pointer_cast<Polyline>(roads->shape(1));
    ASSERT_TRUE(line);
    EXPECT_EQ(line->paths().size(), 2u);

    auto districts = openFeatureClass(path, "districts");
    EXPECT_EQ(districts->shapeType(), GeometryType::Polygon);
    auto poly = std::dynamic_pointer_cast<Polygon>(districts->shape(0));
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->rings().size(), 3u);  // two outer rings and a hole
    EXPECT_EQ(districts->field(2).type, FieldType::Double);

    auto stations = openFeatureClass(path, "stations");
    EXPECT_EQ(stations->shapeType(), GeometryType::Multipoint);
    EXPECT_EQ(std::dynamic_pointer_cast<Multipoint>(stations->shape(0))->points().size(), 2u);

    EXPECT_EQ(openAllFeatureClasses(path).size(), 4u);
    const Failure noLayer = failureOf([&] { openFeatureClass(path, "rivers"); });
    EXPECT_EQ(noLayer.number, hostCode(code::NoSuchLayer));
    EXPECT_NE(noLayer.description.find(path), std::string::npos);
}

TEST_F(DataSources, GeoJsonAndCsvPointLayers) {
    const std::string json = dir.file("точки и пробелы.geojson");
    fixtures::writeText(json, R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"name":"A","v":1.5,"n":3},"geometry":{"type":"Point","coordinates":[1,2]}},
        {"type":"Feature","properties":{"name":"Б","v":null,"n":4},"geometry":{"type":"Point","coordinates":[3,4]}},
        {"type":"Feature","properties":{"name":"C","v":2.5,"n":5},"geometry":null}]})");
    auto points = openFeatureClass(json);
    EXPECT_EQ(points->shapeType(), GeometryType::Point);
    EXPECT_EQ(points->featureCount(), 3u);
    EXPECT_EQ(text(*points, 1, "name"), "Б");
    EXPECT_TRUE(points->value(1, points->findField("v")).isNull());
    EXPECT_TRUE(points->shape(2)->isEmpty());
    EXPECT_EQ(points->spatialReference()->epsg(), 4326);  // GeoJSON's own default

    const std::string csv = dir.file("stations.csv");
    fixtures::writeText(csv, "name,Lon,Lat,rain,code\nAlpha,10.5,50.25,12.5,7\nBeta,11,51,,8\nGamma,12,52,3.75,9\n");
    auto stations = openFeatureClass(csv);
    EXPECT_EQ(stations->shapeType(), GeometryType::Point);
    ASSERT_EQ(stations->featureCount(), 3u);
    EXPECT_DOUBLE_EQ(stations->pointAt(1).x, 11);
    EXPECT_DOUBLE_EQ(stations->pointAt(1).y, 51);
    EXPECT_EQ(stations->field(stations->findField("rain")).type, FieldType::Double);
    EXPECT_EQ(stations->field(stations->findField("code")).type, FieldType::Integer);
    EXPECT_TRUE(stations->value(1, stations->findField("rain")).isNull());
}

TEST_F(DataSources, NonFiniteValuesLoadAsNullAndBrokenShapesAsEmpty) {
    const std::string json = dir.file("odd.geojson");
    fixtures::writeText(json, R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"v":NaN,"w":1},"geometry":{"type":"Point","coordinates":[1,2]}},
        {"type":"Feature","properties":{"v":Infinity,"w":-Infinity},"geometry":{"type":"Point","coordinates":[3,4]}},
        {"type":"Feature","properties":{"v":3,"w":2},"geometry":{"type":"Point","coordinates":[5,6]}}]})");
    auto fc = openFeatureClass(json);
    const int v = fc->findField("v"), w = fc->findField("w");
    EXPECT_TRUE(fc->value(0, v).isNull());
    EXPECT_TRUE(fc->value(1, v).isNull());
    EXPECT_TRUE(fc->value(1, w).isNull());
    EXPECT_DOUBLE_EQ(fc->value(2, v).toDouble(), 3);
    bool reported = false;
    for (const auto& warning : fc->warnings()) reported |= warning.find("NaN or infinite") != std::string::npos;
    EXPECT_TRUE(reported);

    // A shape of the wrong kind in a layer of polygons loads without a shape.
    const std::string gpkg = dir.file("shapes.gpkg");
    fixtures::makeLayer(gpkg, "GPKG", "areas", wkbPolygon, 0, {{"k", OFTInteger}},
                        {{"POLYGON ((0 0, 1 0, 1 1, 0 0))", {"1"}}, {"POINT (5 5)", {"2"}}});
    auto areas = openFeatureClass(gpkg);
    EXPECT_FALSE(areas->shape(0)->isEmpty());
    EXPECT_TRUE(areas->shape(1)->isEmpty());
    EXPECT_EQ(areas->spatialReference()->name(), "Unknown");
}

TEST_F(DataSources, LayersThatCannotBeFeatureLayers) {
    const std::string mixed = dir.file("mixed.geojson");
    fixtures::writeText(mixed, R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{},"geometry":{"type":"Point","coordinates":[1,2]}},
        {"type":"Feature","properties":{},"geometry":{"type":"LineString","coordinates":[[1,2],[3,4]]}}]})");
    Failure f = failureOf([&] { openFeatureClass(mixed); });
    EXPECT_EQ(f.number, hostCode(code::NoGeometry));
    EXPECT_NE(f.description.find("mixes points, lines and polygons"), std::string::npos);

    const std::string table = dir.file("table.csv");
    fixtures::writeText(table, "a,b\n1,2\n");
    f = failureOf([&] { openFeatureClass(table); });
    EXPECT_EQ(f.number, hostCode(code::NoGeometry));
    EXPECT_NE(f.description.find(table), std::string::npos);
}

TEST_F(DataSources, BadFilesGetClearErrorsNamingThem) {
    struct Case {
        std::string name;
        std::function<std::string()> make;  // returns the path to open
        int number;
        std::string says;
    };
    const std::vector<Case> cases{
        {"missing", [&] { return dir.file("nothing here.gpkg"); }, runtime::err::FileNotFound, "does not exist"},
        {"empty", [&] { fixtures::writeText(dir.path() / "empty.geojson", ""); return dir.file("empty.geojson"); },
         hostCode(code::Unreadable), "empty"},
        {"not vector", [&] { fixtures::writeText(dir.path() / "text.gpkg", "just some text, not SQLite"); return dir.file("text.gpkg"); },
         hostCode(code::Unreadable), "cannot be read as a GPKG"},
        {"bad json", [&] { fixtures::writeText(dir.path() / "cut.geojson", R"({"type":"FeatureCollection","features":[{"type":)"); return dir.file("cut.geojson"); },
         hostCode(code::Unreadable), "cannot be read as a GeoJSON"},
        {"other kind", [&] { fixtures::writeText(dir.path() / "picture.png", "\x89PNG"); return dir.file("picture.png"); },
         hostCode(code::Refused), "not a kind of data file"},
        {"folder", [&] { fs::create_directories(dir.path() / "folder.shp"); return dir.file("folder.shp"); },
         hostCode(code::Refused), "folder"},
        {"pipe", [&] { ::mkfifo(dir.file("pipe.gpkg").c_str(), 0600); return dir.file("pipe.gpkg"); },
         hostCode(code::Refused), "not a regular file"},
        {"vrt", [&] { fixtures::writeText(dir.path() / "v.vrt", "<OGRVRTDataSource/>"); return dir.file("v.vrt"); },
         hostCode(code::Refused), "not a kind of data file"},
        {"vsicurl", [] { return std::string("/vsicurl/http://example.invalid/a.geojson"); }, hostCode(code::Refused), "virtual file"},
        {"url", [] { return std::string("https://example.invalid/a.geojson"); }, hostCode(code::Refused), "URL"},
    };
    for (const auto& c : cases) {
        const std::string path = c.make();
        const Failure f = failureOf([&] { openFeatureClass(path); });
        EXPECT_EQ(f.number, c.number) << c.name << ": " << f.description;
        EXPECT_NE(f.description.find(c.says), std::string::npos) << c.name << ": " << f.description;
        EXPECT_NE(f.description.find("File "), std::string::npos) << c.name;
    }
    // A document may not pick another driver for a file.
    const std::string shp = fixtures::makeRussianShapefile(dir.path());
    EXPECT_EQ(failureOf([&] { openFeatureClass(shp, "", "OGR_VRT"); }).number, hostCode(code::Refused));
    EXPECT_EQ(failureOf([&] { openFeatureClass(shp, "", "GPKG"); }).number, hostCode(code::Refused));
}

TEST_F(DataSources, CorruptShapeRecordIsAReadFailureNamingTheFile) {
    const std::string path = dir.file("areas.shp");
    fixtures::makeLayer(path, "ESRI Shapefile", "areas", wkbPolygon, 0, {{"k", OFTInteger}},
                        {{"POLYGON ((0 0, 1 0, 1 1, 0 0))", {"1"}}, {"POLYGON ((5 5, 6 5, 6 6, 5 5))", {"2"}}});
    // Point count of the first record (header 100 + record header 8 + type 4 + box 32 + parts 4).
    std::fstream shp(path, std::ios::in | std::ios::out | std::ios::binary);
    shp.seekp(100 + 8 + 4 + 32 + 4);
    const std::int32_t huge = 0x7FFFFFF0;
    shp.write(reinterpret_cast<const char*>(&huge), 4);
    shp.close();
    const Failure f = failureOf([&] { openFeatureClass(path); });
    EXPECT_TRUE(f.number == hostCode(code::ReadFailed) || f.number == hostCode(code::Unreadable)) << f.description;
    EXPECT_NE(f.description.find(path), std::string::npos);
}

TEST_F(DataSources, NamesThatClashWithTheIdentifierAreRenamedButKeepTheirSource) {
    const std::string csv = dir.file("ids.csv");
    fixtures::writeText(csv, "FID,x,y,Shape\n10,1,2,a\n11,3,4,b\n");
    auto fc = openFeatureClass(csv);
    EXPECT_EQ(fc->findField("FID"), 0);
    const int renamed = fc->findField("FID_1");
    ASSERT_GE(renamed, 2);
    EXPECT_EQ(fc->sourceFieldName(renamed), "FID");
    EXPECT_GE(fc->findField("Shape_1"), 2);
}

// PROJ cannot write datum-shift parameters as WKT1 and says so while the coordinate system is
// matched; the layer is still perfectly readable, as ogrinfo shows.
TEST_F(DataSources, GeoPackageWithDatumShiftParametersOpens) {
    if (std::system("ogr2ogr --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ogr2ogr is not installed";
    const std::string json = dir.file("plain.geojson");
    fixtures::writeText(json, R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"v":1.5},"geometry":{"type":"Point","coordinates":[400000,4700000]}},
        {"type":"Feature","properties":{"v":2.5},"geometry":{"type":"Point","coordinates":[410000,4710000]}}]})");
    // Datum shifts by parameters and by grids, as such files come from R or older GIS.
    const char* definitions[] = {"+proj=utm +zone=18 +ellps=clrk66 +towgs84=-8,160,176,0,0,0,0 +units=m +no_defs",
                                 "+proj=utm +zone=18 +ellps=clrk66 +nadgrids=@conus,@alaska,@ntv2_0.gsb +units=m +no_defs"};
    int n = 0;
    for (const char* definition : definitions) {
        SCOPED_TRACE(definition);
        const std::string gpkg = dir.file("shifted" + std::to_string(++n) + ".gpkg");
        const std::string command = "ogr2ogr -f GPKG -a_srs '" + std::string(definition) + "' '" + gpkg + "' '" + json + "' 2> /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        auto fc = openFeatureClass(gpkg);
        ASSERT_EQ(fc->featureCount(), 2u);
        EXPECT_DOUBLE_EQ(fc->pointAt(1).x, 410000);
        EXPECT_FALSE(fc->spatialReference()->isGeographic());
    }
}
