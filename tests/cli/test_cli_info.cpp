// `plotlet info` on the sample map, on each kind of data file and on bad input.
#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "host/gdal/GdalFixtures.h"  // tests/host/gdal
#include "plotlet/Cli.h"
#include "support/RunCli.h"

namespace {

// Through the command line, as a user runs it.
testing_support::CliResult info(const std::string& path, bool json) {
    std::vector<std::string> args{"info", path};
    if (json) args.push_back("--json");
    return testing_support::runCli(args);
}

}  // namespace

TEST(DocumentInfo, SampleMapReportsLayersFieldsScalesAndCoordinateSystem) {
    const std::string path = std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx";
    const auto json = info(path, true);
    ASSERT_EQ(json.code, 0) << json.err;
    const auto doc = nlohmann::json::parse(json.out);
    const auto& map = doc["maps"][0];
    EXPECT_EQ(doc["kind"], "map document");
    EXPECT_EQ(map["spatialReference"]["epsg"], 32119);
    EXPECT_EQ(map["referenceScale"], 1600000.0);
    EXPECT_EQ(map["mapScale"], 1600000.0);
    ASSERT_EQ(map["layers"].size(), 2u);
    const auto& points = map["layers"][0];
    EXPECT_EQ(points["name"], "county_points");
    EXPECT_EQ(points["geometryType"], "point");
    EXPECT_EQ(points["featureCount"], 100);
    std::vector<std::string> fields;
    for (const auto& f : points["fields"]) fields.push_back(f["name"]);
    EXPECT_EQ(fields, (std::vector<std::string>{"fid", "geom", "NAME", "BIR74", "SID74", "NWBIR74", "BIR79", "SID79", "NWBIR79"}));
    EXPECT_EQ(points["fields"][3]["type"], 3);
    EXPECT_EQ(map["layers"][1]["geometryType"], "polygon");

    const auto text = info(path, false);
    ASSERT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("spatial reference: NAD83 / North Carolina (EPSG:32119)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("county_points: feature layer, point, 100 features, 0 selected"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("reference scale: 1:1600000"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Basic Graphics Layer: 0 elements"), std::string::npos) << text.out;
}

TEST(DocumentInfo, EveryDataFormatAndBadInput) {
    fixtures::TempDir dir;
    host::gdal::install();
    const std::string shp = fixtures::makeRussianShapefile(dir.path());
    const std::string gpkg = dir.file("p.gpkg");
    fixtures::makeLayer(gpkg, "GPKG", "p", wkbPoint, 4326, {{"v", OFTReal}}, {{"POINT (1 2)", {"1"}}});
    const std::string json = dir.file("p.geojson");
    fixtures::writeText(json, R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"v":1},"geometry":{"type":"Point","coordinates":[1,2]}}]})");
    const std::string csv = dir.file("p.csv");
    fixtures::writeText(csv, "lon,lat,v\n1,2,3\n");
    for (const auto& path : {shp, gpkg, json, csv}) {
        const auto r = info(path, false);
        EXPECT_EQ(r.code, 0) << path << ": " << r.err;
        EXPECT_NE(r.out.find("(data file)"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("point, "), std::string::npos) << r.out;
    }
    EXPECT_NE(info(shp, false).out.find("NAME (Text)"), std::string::npos);

    for (const std::string& bad : {dir.file("missing.gpkg"), dir.file("broken.pmx")}) {
        fixtures::writeText(dir.path() / "broken.pmx", "{\"format\": \"plotlet.map\", \"vers");
        const auto r = info(bad, false);
        EXPECT_EQ(r.code, plotlet::cli::InputError);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find(bad), std::string::npos) << r.err;
    }
}
