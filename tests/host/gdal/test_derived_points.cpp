// Points derived from polygon and line layers: each stands inside its polygon (also where the
// centroid would not) or halfway along its line, keeps every attribute and its identifier, and
// a second run replaces the file.
#include <gtest/gtest.h>

#include <cmath>

#include "host/Error.h"
#include "host/Geometry.h"
#include "host/gdal/DerivedPoints.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/GdalFixtures.h"

namespace {

using fixtures::FieldDef;
using fixtures::Row;

// A U whose centroid lies in the gap between its arms; an island group; a plain square.
const std::vector<std::string> polygonShapes = {
    "POLYGON ((0 0,10 0,10 10,8 10,8 2,2 2,2 10,0 10,0 0))",
    "MULTIPOLYGON (((20 0,21 0,21 1,20 1,20 0)),((30 0,34 0,34 1,33 1,33 3,34 3,34 4,30 4,30 3,31 3,31 1,30 1,30 0)))",
    "POLYGON ((40 0,44 0,44 4,40 4,40 0))",
};

struct DerivedPoints : ::testing::Test {
    DerivedPoints() { host::gdal::install(); }
    fixtures::TempDir dir;

    std::string polygons(const std::string& name, std::vector<Row> rows) {
        const std::string path = dir.file(name + ".gpkg");
        fixtures::makeLayer(path, "GPKG", name, wkbPolygon, 3857,
                            {{"NAME", OFTString}, {"POP", OFTInteger}, {"SHARE", OFTReal}}, rows);
        return path;
    }
    static host::DataSource source(const std::string& path, const std::string& layer) { return {path, layer, "GPKG"}; }
};

host::gdal::GeometryHandle readGeometry(const std::string& wkt) {
    OGRGeometry* g = nullptr;
    OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &g);
    return host::gdal::GeometryHandle(g);
}

TEST_F(DerivedPoints, EachPointStandsInsideItsPolygonWithAllItsAttributes) {
    const std::string in = polygons("districts", {{polygonShapes[0], {"Подкова", "1200", "0.25"}},
                                                  {polygonShapes[1], {"Islands", "", "1.5"}},
                                                  {polygonShapes[2], {"", "7", ""}},
                                                  {"", {"Nowhere", "3", "2"}}});
    const std::string out = dir.file("districts_points.gpkg");
    const host::gdal::DerivedPointsResult result = host::gdal::writeDerivedPoints(source(in, "districts"), out);
    EXPECT_EQ(result.features, 4u);
    EXPECT_EQ(result.withoutPoint, 1u);

    const auto points = host::gdal::openFeatureClass(out);
    EXPECT_EQ(points->name(), "districts_points");
    ASSERT_EQ(points->shapeType(), host::GeometryType::Point);
    ASSERT_EQ(points->featureCount(), 4u);
    EXPECT_EQ(points->spatialReference()->epsg(), 3857);
    const int name = points->findField("NAME"), pop = points->findField("POP"), share = points->findField("SHARE");
    ASSERT_GE(name, 0);
    EXPECT_EQ(points->field(pop).type, host::FieldType::Integer);
    EXPECT_EQ(points->value(0, name), runtime::Variant(std::string("Подкова")));
    EXPECT_EQ(points->value(0, pop).toDouble(), 1200);
    EXPECT_EQ(points->value(0, share).toDouble(), 0.25);
    EXPECT_TRUE(points->value(1, pop).isNull());
    EXPECT_TRUE(points->value(2, name).isNull());
    for (std::size_t row = 0; row < polygonShapes.size(); ++row) {
        SCOPED_TRACE(polygonShapes[row]);
        const auto p = std::dynamic_pointer_cast<const host::Point>(points->shape(row));
        ASSERT_TRUE(p);
        OGRPoint at(p->x(), p->y());
        EXPECT_TRUE(at.Within(readGeometry(polygonShapes[row]).get()));
    }
    const host::GeometryPtr none = points->shape(3);
    EXPECT_TRUE(!none || none->isEmpty());
    // The U's centroid is outside it: the point is not simply the centroid.
    OGRPoint centroid;
    readGeometry(polygonShapes[0])->Centroid(&centroid);
    EXPECT_FALSE(centroid.Within(readGeometry(polygonShapes[0]).get()));
}

TEST_F(DerivedPoints, LinesGiveTheirMidpointAlongTheWholeLength) {
    const std::string in = dir.file("roads.shp");
    fixtures::makeLayer(in, "ESRI Shapefile", "roads", wkbLineString, 4326, {{"LEN", OFTInteger}},
                        {{"LINESTRING (0 0,6 0,6 2)", {"8"}},                    // halfway is 4 along the first segment
                         {"MULTILINESTRING ((10 0,12 0),(20 0,20 6))", {"8"}},  // 4 of 8: 2 into the second part
                         {"LINESTRING (5 5,5 5)", {"0"}}});
    const std::string out = dir.file("roads_points.gpkg");
    host::gdal::writeDerivedPoints({in, "roads", "ESRI Shapefile"}, out);
    const auto points = host::gdal::openFeatureClass(out);
    ASSERT_EQ(points->featureCount(), 3u);
    const std::vector<host::XY> expected = {{4, 0}, {20, 2}, {5, 5}};
    for (std::size_t row = 0; row < 3; ++row) {
        const auto p = std::dynamic_pointer_cast<const host::Point>(points->shape(row));
        ASSERT_TRUE(p) << row;
        EXPECT_NEAR(p->x(), expected[row].x, 1e-9) << row;
        EXPECT_NEAR(p->y(), expected[row].y, 1e-9) << row;
        EXPECT_EQ(points->value(row, points->findField("LEN")).toDouble(), row < 2 ? 8 : 0);
        // The shapefile's own identifiers (from 0), so a selection by them means the same lines.
        EXPECT_EQ(points->oid(row), static_cast<std::int64_t>(row));
    }
}

TEST_F(DerivedPoints, ASecondRunReplacesTheFileAndRefusalsLeaveItAlone) {
    const std::string out = dir.file("zones_points.gpkg");
    const std::string first = polygons("zones", {{polygonShapes[2], {"a", "1", "1"}}, {polygonShapes[0], {"b", "2", "2"}}});
    host::gdal::writeDerivedPoints(source(first, "zones"), out);
    ASSERT_EQ(host::gdal::openFeatureClass(out)->featureCount(), 2u);

    std::filesystem::remove(first);
    polygons("zones", {{polygonShapes[2], {"c", "3", "3"}}});
    host::gdal::writeDerivedPoints(source(first, "zones"), out);
    const auto replaced = host::gdal::openFeatureClass(out);
    ASSERT_EQ(replaced->featureCount(), 1u);
    EXPECT_EQ(replaced->value(0, replaced->findField("NAME")), runtime::Variant(std::string("c")));
    const std::string before = fixtures::readBytes(out);

    // Points have no points to derive; the layer's own file is never overwritten.
    const std::string stations = dir.file("stations.gpkg");
    fixtures::makeLayer(stations, "GPKG", "stations", wkbPoint, 4326, {{"A", OFTInteger}}, {{"POINT (1 1)", {"1"}}});
    EXPECT_THROW(host::gdal::writeDerivedPoints(source(stations, "stations"), out), host::Error);
    EXPECT_THROW(host::gdal::writeDerivedPoints(source(first, "zones"), first), host::Error);
    EXPECT_THROW(host::gdal::writeDerivedPoints(source(dir.file("missing.gpkg"), "zones"), out), host::Error);
    EXPECT_EQ(fixtures::readBytes(out), before);
    EXPECT_EQ(host::gdal::openFeatureClass(first)->shapeType(), host::GeometryType::Polygon);
}

}  // namespace
