// Loading feature classes a batch at a time, as data-source readers do.
#include <gtest/gtest.h>

#include <cmath>

#include "host/Error.h"
#include "host/FeatureClass.h"

using namespace host;

namespace {

FeatureBatch pointBatch(std::vector<std::int64_t> oids) {
    FeatureBatch b;
    b.clear(2);
    for (auto oid : oids) {
        b.oids.push_back(oid);
        b.points.push_back({double(oid), double(oid) * 2});
        b.columns[0].numbers.push_back(double(oid) * 10);
        b.columns[0].nulls.push_back(oid % 2 == 0);
        b.columns[1].texts.push_back("r" + std::to_string(oid));
        b.columns[1].nulls.push_back(0);
    }
    return b;
}

FeatureClass pointClass() {
    return FeatureClass("p", GeometryType::Point, {Field{"v", FieldType::Integer}, Field{"t", FieldType::String}});
}

}  // namespace

TEST(FeatureBatch, AppendsRowsAndFindsIdentifiersCountingFromAnyStart) {
    auto fc = pointClass();
    auto b = pointBatch({0, 1, 2});
    fc.appendBatch(b);
    EXPECT_EQ(b.size(), 0u);  // emptied for reuse
    auto more = pointBatch({3, 4});
    fc.appendBatch(more);
    ASSERT_EQ(fc.featureCount(), 5u);
    EXPECT_EQ(fc.rowOfOid(0), 0u);
    EXPECT_EQ(fc.rowOfOid(4), 4u);
    EXPECT_FALSE(fc.rowOfOid(5));
    EXPECT_FALSE(fc.rowOfOid(-1));
    EXPECT_TRUE(fc.value(2, 2).isNull());
    EXPECT_EQ(fc.value(3, 2).toInt32(), 30);
    EXPECT_EQ(fc.value(3, 3).toString(), "r3");
    EXPECT_DOUBLE_EQ(fc.pointAt(4).y, 8);
    // Gaps switch to the index; new features continue after the largest identifier.
    auto gap = pointBatch({10, 7});
    fc.appendBatch(gap);
    EXPECT_EQ(fc.rowOfOid(7), 6u);
    EXPECT_EQ(fc.rowOfOid(3), 3u);
    EXPECT_EQ(fc.addFeature(std::make_shared<Point>(0, 0), {runtime::Variant(1), runtime::Variant("x")}), 11);
}

TEST(FeatureBatch, ABatchThatBreaksARuleLeavesTheClassUnchanged) {
    auto fc = pointClass();
    auto first = pointBatch({1, 2});
    fc.appendBatch(first);
    auto expectRefused = [&](FeatureBatch b) {
        EXPECT_THROW(fc.appendBatch(b), host::Error);
        EXPECT_EQ(fc.featureCount(), 2u);
    };
    expectRefused(pointBatch({2, 3}));  // identifier taken
    expectRefused(pointBatch({5, 5}));  // twice in the batch
    auto shortColumn = pointBatch({7, 8});
    shortColumn.columns[1].texts.pop_back();
    expectRefused(shortColumn);
    auto noShape = pointBatch({7, 8});
    noShape.points.pop_back();
    expectRefused(noShape);
    FeatureBatch polygons;
    polygons.clear(0);
    FeatureClass areas("a", GeometryType::Polygon, {});
    polygons.oids.push_back(1);
    polygons.shapes.push_back(std::make_shared<Point>(1, 1));
    EXPECT_THROW(areas.appendBatch(polygons), host::Error);
    EXPECT_EQ(areas.featureCount(), 0u);
}
