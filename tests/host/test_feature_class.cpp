#include <gtest/gtest.h>

#include <cmath>

#include "host/Error.h"
#include "host/Feature.h"
#include "host/Layer.h"

using namespace host;
using runtime::Variant;

namespace {

FeatureClassPtr towns() {
    auto fc = makeFeatureClass("Towns", GeometryType::Point,
                               std::vector<Field>{{"NAME", FieldType::String}, {"POP", FieldType::Integer},
                                                  {"AREA", FieldType::Double}, {"SMALL", FieldType::SmallInteger}});
    fc->addFeature(std::make_shared<Point>(1, 2), {Variant("Raleigh"), Variant(std::int32_t(400000)), Variant(3.5), Variant(std::int16_t(1))});
    fc->addFeature(std::make_shared<Point>(3, 4), {Variant("Durham"), Variant::null(), Variant(2.0), Variant(std::int16_t(2))});
    fc->addFeature(std::make_shared<Point>(5, 6), {Variant("Cary"), Variant(std::int32_t(-5)), Variant::null(), Variant()});
    return fc;
}

}  // namespace

TEST(FeatureClass, StoresTypedValuesWithNulls) {
    auto fc = towns();
    ASSERT_EQ(fc->fieldCount(), 6);
    EXPECT_EQ(fc->field(0).type, FieldType::OID);
    EXPECT_EQ(fc->field(1).type, FieldType::Geometry);
    EXPECT_EQ(fc->findField("pop"), 3);  // without regard to case
    EXPECT_EQ(fc->findField("nothing"), -1);
    EXPECT_EQ(fc->value(0, 2), Variant("Raleigh"));
    EXPECT_EQ(fc->value(0, 3), Variant(std::int32_t(400000)));
    EXPECT_TRUE(fc->value(1, 3).isNull());
    EXPECT_TRUE(fc->value(2, 4).isNull());
    EXPECT_TRUE(fc->value(2, 5).isNull());  // empty arrives as null
    EXPECT_EQ(fc->value(1, 0), Variant(std::int32_t(2)));
    auto p = std::dynamic_pointer_cast<Point>(fc->shape(2));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x(), 5);
    EXPECT_THROW(fc->field(6), runtime::Error);
}

TEST(FeatureClass, ABadValueLeavesTheClassUnchanged) {
    auto fc = towns();
    EXPECT_THROW(fc->addFeature(std::make_shared<Point>(0, 0), {Variant("X"), Variant("not a number"), Variant(1.0), Variant()}),
                 runtime::Error);
    EXPECT_THROW(fc->addFeature(std::make_shared<Point>(0, 0), {Variant("X"), Variant(70000.0 * 100000), Variant(1.0), Variant()}),
                 runtime::Error);
    auto line = std::make_shared<Polyline>();
    line->addSegment({0, 0}, {1, 1});
    EXPECT_THROW(fc->addFeature(line, {Variant("X"), Variant(1), Variant(1.0), Variant()}), host::Error);
    EXPECT_EQ(fc->featureCount(), 3u);
}

TEST(FeatureClass, DeletingFieldsProtectsIdentifierAndShape) {
    auto fc = towns();
    fc->deleteField("area");
    EXPECT_EQ(fc->fieldCount(), 5);
    EXPECT_EQ(fc->findField("AREA"), -1);
    EXPECT_EQ(fc->value(2, 4), Variant::null());  // SMALL moved up
    EXPECT_THROW(fc->deleteField("OBJECTID"), host::Error);
    EXPECT_THROW(fc->deleteField("Shape"), host::Error);
    EXPECT_THROW(fc->deleteField("AREA"), host::Error);
}

TEST(FeatureClass, InstancesAreFoundWhileAlive) {
    std::uint64_t id = 0;
    {
        auto fc = towns();
        id = fc->instanceId();
        EXPECT_EQ(FeatureClass::findInstance(id), fc);
    }
    EXPECT_EQ(FeatureClass::findInstance(id), nullptr);
}

TEST(Selection, CursorsWalkSelectedFeaturesInIdentifierOrder) {
    auto fc = towns();
    FeatureLayer layer;
    layer.setFeatureClass(fc);
    layer.selectionSet()->add(3);
    layer.selectionSet()->add(1);
    layer.selectionSet()->add(3);
    layer.selectionSet()->add(99);  // gone from the class: skipped by cursors
    EXPECT_EQ(layer.selectionCount(), 3u);
    auto cursor = layer.selectionSet()->search(nullptr);
    EXPECT_EQ(cursor->nextFeature()->oid(), 1);
    EXPECT_EQ(cursor->nextFeature()->oid(), 3);
    EXPECT_EQ(cursor->nextFeature(), nullptr);
    auto all = layer.search();
    int n = 0;
    while (all->nextFeature()) ++n;
    EXPECT_EQ(n, 3);
}

TEST(DataStatistics, SkipsNullsAndHandlesEmptyCursors) {
    auto fc = towns();
    DataStatistics stats;
    stats.setField("POP");
    stats.setCursor(std::make_shared<FeatureCursor>(fc));
    StatisticsResults r = stats.statistics();
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(r.maximum, 400000);
    EXPECT_EQ(r.minimum, -5);
    EXPECT_DOUBLE_EQ(r.mean, (400000.0 - 5) / 2);
    EXPECT_DOUBLE_EQ(r.standardDeviation, (400000.0 + 5) / 2);

    stats.setCursor(std::make_shared<FeatureCursor>(fc, std::vector<std::size_t>{}));
    r = stats.statistics();
    EXPECT_EQ(r.count, 0);
    EXPECT_EQ(r.maximum, 0);
    EXPECT_EQ(r.sum, 0);

    stats.setField("NAME");
    stats.setCursor(std::make_shared<FeatureCursor>(fc));
    EXPECT_THROW(stats.statistics(), host::Error);
}

TEST(FeatureLayer, BrokenLayersRefuseSearchesClearly) {
    FeatureLayer layer;
    layer.setName("Lost");
    layer.setBroken("{\"path\":\"lost.shp\"}", "the file lost.shp does not exist");
    EXPECT_FALSE(layer.valid());
    try {
        layer.search();
        FAIL();
    } catch (const host::Error& e) {
        EXPECT_NE(e.description().find("lost.shp does not exist"), std::string::npos);
    }
}
