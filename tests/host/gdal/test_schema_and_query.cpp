// Deleting fields goes back to the data file when it can be changed and refuses cleanly when it
// cannot; attribute queries select by plain filters only.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "host/Error.h"
#include "host/gdal/AttributeQuery.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/GdalFixtures.h"
#include "host/gdal/Policy.h"
#include "support/RuntimeErrors.h"

using namespace host;
using namespace host::gdal;
namespace fs = std::filesystem;

namespace {

using testing_support::descriptionOf;

class SchemaAndQuery : public ::testing::Test {
protected:
    void SetUp() override { install(); }
    fixtures::TempDir dir;
};

std::vector<std::string> attributeNames(const FeatureClass& fc) {
    std::vector<std::string> names;
    for (int i = 2; i < fc.fieldCount(); ++i) names.push_back(fc.field(i).name);
    return names;
}

std::string makeGeoJson(const fixtures::TempDir& dir) {
    const std::string path = dir.file("points.geojson");
    fixtures::writeText(path, R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"a":1,"b":"x","c":2.5},"geometry":{"type":"Point","coordinates":[1,2]}},
        {"type":"Feature","properties":{"a":2,"b":"y","c":3.5},"geometry":{"type":"Point","coordinates":[3,4]}}]})");
    return path;
}

}  // namespace

TEST_F(SchemaAndQuery, DeletingAFieldChangesEveryWritableFormatAndTheClass) {
    const std::string shp = fixtures::makeRussianShapefile(dir.path() / "с пробелом");
    const std::string gpkg = dir.file("data.gpkg");
    fixtures::makeLayer(gpkg, "GPKG", "cities", wkbPoint, 4326, {{"keep", OFTInteger}, {"drop", OFTReal}},
                        {{"POINT (1 2)", {"1", "1.5"}}});
    fixtures::makeLayer(gpkg, "GPKG", "other", wkbPoint, 4326, {{"drop", OFTReal}}, {{"POINT (1 2)", {"2.5"}}});
    const std::string json = makeGeoJson(dir);

    struct Case {
        std::string path, layer, field;
        std::vector<std::string> after;
    };
    for (const Case& c : {Case{shp, "", "pop", {"NAME", "AREA"}}, Case{gpkg, "cities", "DROP", {"keep"}},
                          Case{json, "", "b", {"a", "c"}}}) {
        auto fc = openFeatureClass(c.path, c.layer);
        std::string whyNot;
        EXPECT_TRUE(fc->canDeleteFields(whyNot)) << whyNot;
        fc->deleteField(c.field);  // found without regard to case
        EXPECT_EQ(attributeNames(*fc), c.after) << c.path;
        EXPECT_EQ(attributeNames(*openFeatureClass(c.path, c.layer)), c.after) << c.path;
    }
    // The rewritten table keeps its code page and values; no temporary file is left behind.
    auto again = openFeatureClass(shp);
    EXPECT_EQ(again->value(1, again->findField("NAME")).toString(), "Санкт-Петербург");
    EXPECT_DOUBLE_EQ(again->value(0, again->findField("AREA")).toDouble(), 2561.5);
    for (const auto& entry : fs::directory_iterator(dir.path() / "с пробелом"))
        EXPECT_EQ(entry.path().filename().string().find(".plotlet-"), std::string::npos) << entry.path();
    // Only the named layer of the GeoPackage changed.
    EXPECT_EQ(attributeNames(*openFeatureClass(gpkg, "other")), std::vector<std::string>{"drop"});
}

TEST_F(SchemaAndQuery, UnchangeableSourcesRefuseAndLeaveTheClassAsItWas) {
    const std::string csv = dir.file("table.csv");
    fixtures::writeText(csv, "x,y,v\n1,2,3\n");
    const std::string json = makeGeoJson(dir);
    ::chmod(json.c_str(), 0444);
    const std::string before = fixtures::readBytes(json);
    for (const std::string& path : {csv, json}) {
        auto fc = openFeatureClass(path);
        const auto names = attributeNames(*fc);
        std::string whyNot;
        EXPECT_FALSE(fc->canDeleteFields(whyNot));
        const std::string message = descriptionOf([&] { fc->deleteField(names.back()); });
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(whyNot), std::string::npos) << message;
        EXPECT_EQ(attributeNames(*fc), names);
    }
    EXPECT_EQ(fixtures::readBytes(json), before);

    // Unknown names and the required fields are refused before the file is touched.
    const std::string shp = fixtures::makeRussianShapefile(dir.path());
    auto fc = openFeatureClass(shp);
    EXPECT_NE(descriptionOf([&] { fc->deleteField("nope"); }).find("no field"), std::string::npos);
    EXPECT_NE(descriptionOf([&] { fc->deleteField("FID"); }).find("required"), std::string::npos);
    EXPECT_EQ(fc->fieldCount(), 5);
}

TEST_F(SchemaAndQuery, AttributeQueriesSelectByPlainFiltersOnly) {
    const std::string shp = fixtures::makeRussianShapefile(dir.path());
    auto fc = openFeatureClass(shp);
    EXPECT_EQ(selectWhere(*fc, "POP > 6000000"), std::vector<std::int64_t>{0});
    EXPECT_EQ(selectWhere(*fc, "NAME = 'Санкт-Петербург' OR POP IS NULL"), (std::vector<std::int64_t>{1, 2}));
    EXPECT_EQ(selectWhere(*fc, "NAME LIKE 'Н%' AND AREA BETWEEN 400 AND 500"), std::vector<std::int64_t>{2});
    EXPECT_TRUE(selectWhere(*fc, "AREA < 0").empty());

    for (const std::string& bad : {std::string(""), std::string("   "), std::string("POP > 1; DELETE FROM x"),
                                   std::string("POP > (SELECT 1)"), std::string("nosuchfield = 1"),
                                   std::string("1=1) UNION SELECT * FROM sqlite_master --")}) {
        try {
            selectWhere(*fc, bad);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const runtime::Error& e) {
            EXPECT_EQ(e.number(), hostErrorBase + code::QueryRefused) << bad << ": " << e.description();
        }
    }
    // A class held only in memory has no file to ask.
    FeatureClass memory("memory", GeometryType::Point, {});
    EXPECT_NE(descriptionOf([&] { selectWhere(memory, "1 = 1"); }).find("no data file"), std::string::npos);
}
