// Arranging charts: on layers built so that the answer is known, every chart that can stand
// free does, and the charts that cannot are counted exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "render/ChartArrangement.h"

using render::ArrangeItem;
using render::ArrangeSettings;

namespace {

// A chart of `w` × `h` (labels `labelHeight` above it) standing on its feature's point, as drawn
// at the centre placement.
ArrangeItem chartAt(double x, double y, double w, double h, double priority, double labelHeight = 0.0) {
    ArrangeItem item;
    item.anchor = {x, y};
    item.chartBox = {x - w / 2, y, x + w / 2, y + h};
    item.footprint = {x - w / 2, y, x + w / 2, y + h + labelHeight};
    item.leader = true;
    item.priority = priority;
    return item;
}

std::vector<ArrangeItem> movedItems(std::vector<ArrangeItem> items, const render::Arrangement& a) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        const host::XY d = a.moves[i];
        items[i].chartBox = {items[i].chartBox.x0 + d.x, items[i].chartBox.y0 + d.y, items[i].chartBox.x1 + d.x,
                             items[i].chartBox.y1 + d.y};
        items[i].footprint = {items[i].footprint.x0 + d.x, items[i].footprint.y0 + d.y, items[i].footprint.x1 + d.x,
                              items[i].footprint.y1 + d.y};
    }
    return items;
}

}  // namespace

TEST(ChartArrangement, EveryChartStandsFreeWhereAFreePlacementExists) {
    // Pairs of features a unit apart, charts three units wide: each chart at
    // its centre covers its neighbour's marker, yet above and below the pair there is room.
    // The pairs lie far apart, scattered, with their values in no order.
    std::vector<ArrangeItem> items;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(0, 100);
    for (int row = 0; row < 30; ++row)
        for (int column = 0; column < 30; ++column) {
            const double x = column * 20.0 + (row % 3), y = row * 20.0;
            items.push_back(chartAt(x, y, 3, 2, value(random)));
            items.push_back(chartAt(x + 1, y, 3, 2, value(random)));
        }
    ArrangeSettings settings;
    settings.markerHalf = {0.2, 0.2};
    const render::Overlaps before = render::countOverlaps(items, settings);
    EXPECT_EQ(before.chartPairs, 900u);
    EXPECT_EQ(before.chartsOverMarkers, 1800u);

    const render::Arrangement arranged = render::arrangeCharts(items, settings);
    EXPECT_EQ(arranged.unplaced, 0u);
    const render::Overlaps after = render::countOverlaps(movedItems(items, arranged), settings);
    EXPECT_EQ(after.chartPairs, 0u);
    EXPECT_EQ(after.chartsOverMarkers, 0u);
    // The larger chart of a pair takes the first free placement: east of its marker when it is
    // the right one, north-east (just clear of its neighbour's marker) when it is the left one.
    for (std::size_t i = 0; i < items.size(); i += 2) {
        const bool rightFirst = items[i + 1].priority > items[i].priority;
        const host::XY move = arranged.moves[rightFirst ? i + 1 : i];
        EXPECT_NEAR(move.x, 1.7, 1e-9);
        EXPECT_NEAR(move.y, rightFirst ? 0.0 : 0.2, 1e-9);
    }
}

TEST(ChartArrangement, ChartsThatFitNowhereAreCountedExactly) {
    // Five features each amid a close field of other features whose tiny charts stand on their
    // own markers: every placement of the big chart covers some marker. Twenty lone charts far
    // away are free. The truth is five.
    std::vector<ArrangeItem> items;
    for (int k = 0; k < 5; ++k) {
        const double cx = k * 1000.0, cy = 0.0;
        items.push_back(chartAt(cx, cy, 3, 2, 0.0));
        for (int i = -12; i <= 12; ++i)
            for (int j = -12; j <= 12; ++j)
                if (i != 0 || j != 0) items.push_back(chartAt(cx + i * 0.5, cy + j * 0.5, 0.01, 0.01, 1.0));
    }
    for (int k = 0; k < 20; ++k) items.push_back(chartAt(-5000.0 - k * 100.0, 0, 3, 2, 0.5));
    ArrangeSettings settings;
    const render::Arrangement arranged = render::arrangeCharts(items, settings);
    EXPECT_EQ(arranged.unplaced, 5u);
    // The charts that cannot stand free cover what they must and nothing else does.
    const render::Overlaps after = render::countOverlaps(movedItems(items, arranged), settings);
    EXPECT_EQ(after.chartsOverMarkers, 5u);
}

TEST(ChartArrangement, LeadersCountAndOddInputDoesNotBreakTheRun) {
    // Two features side by side whose charts must stand apart: the second chart's leader may not
    // run through the first chart either.
    std::vector<ArrangeItem> items{chartAt(0, 0, 4, 4, 2), chartAt(0.5, 0, 4, 4, 1)};
    const render::Arrangement arranged = render::arrangeCharts(items, {{0.1, 0.1}, 0.0});
    EXPECT_EQ(arranged.unplaced, 0u);
    EXPECT_EQ(render::countOverlaps(movedItems(items, arranged), {{0.1, 0.1}, 0.0}).chartPairs, 0u);

    // No items, a feature without a location, a priority that is no number: no crash, no move
    // for what cannot be placed.
    EXPECT_TRUE(render::arrangeCharts({}, {}).moves.empty());
    std::vector<ArrangeItem> odd{chartAt(NAN, 0, 1, 1, 1), chartAt(0, 0, 1, 1, NAN), chartAt(1e300, -1e300, 1, 1, 3)};
    const render::Arrangement a = render::arrangeCharts(odd, {});
    EXPECT_EQ(a.moves[0].x, 0.0);
    EXPECT_EQ(a.moves[0].y, 0.0);
    EXPECT_EQ(a.unplaced, 0u);
}

TEST(ChartArrangement, OverlapCountsEqualThoseOfEveryPairCompared) {
    // Boxes on a coarse lattice, so that sides meet, coincide and shrink to lines and points,
    // counted against a comparison of every pair under the same rule: touching is no overlap,
    // a box of no size overlaps what it lies strictly inside.
    auto overlap = [](const host::Rect& a, const host::Rect& b) {
        return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
    };
    std::mt19937 random(11);
    std::uniform_int_distribution<int> at(0, 12), size(0, 3);
    for (int round = 0; round < 20; ++round) {
        std::vector<ArrangeItem> items;
        for (int k = 0; k < 300; ++k) {
            ArrangeItem item;
            const double x = at(random), y = at(random);
            item.anchor = {at(random) / 2.0, at(random) / 2.0};
            item.footprint = {x, y, x + size(random), y + size(random)};
            item.chartBox = item.footprint;
            items.push_back(item);
        }
        // Odd boxes overlap nothing.
        items[0].footprint = {NAN, 0, 1, 1};
        items[1].footprint = {5, 5, 4, 6};
        items[2].footprint = {-INFINITY, 2, INFINITY, 3};
        const ArrangeSettings settings{{round % 2 ? 0.25 : 0.0, round % 2 ? 0.25 : 0.0}, 0.0};
        std::size_t pairs = 0, overMarkers = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const host::Rect& a = items[i].footprint;
            const bool proper = a.x0 <= a.x1 && a.y0 <= a.y1;
            bool overMarker = false;
            for (std::size_t j = 0; j < items.size(); ++j) {
                if (j == i) continue;
                const host::Rect& b = items[j].footprint;
                if (j > i && proper && b.x0 <= b.x1 && b.y0 <= b.y1 && overlap(a, b)) ++pairs;
                const host::XY m = items[j].anchor;
                if (overlap(a, {m.x - settings.markerHalf.x, m.y - settings.markerHalf.y, m.x + settings.markerHalf.x,
                                m.y + settings.markerHalf.y}))
                    overMarker = true;
            }
            overMarkers += overMarker;
        }
        const render::Overlaps counted = render::countOverlaps(items, settings);
        EXPECT_EQ(counted.chartPairs, pairs) << "round " << round;
        EXPECT_EQ(counted.chartsOverMarkers, overMarkers) << "round " << round;
    }
}

TEST(ChartArrangement, InACrowdAChartTakesTheLeastCrowdedPlacement) {
    // A large chart, placed last, amid a hundred tiny charts that stand above its marker: every
    // placement beside or above the marker meets dozens of them (more than any placement's sum
    // is finished for). Below the marker one tiny chart stands: the south-west placement meets
    // only that chart, the south one its marker too. The chart cannot stand free, and goes
    // south-west rather than stay in the crowd.
    std::vector<ArrangeItem> items{chartAt(0, 0, 2, 2, 0.0), chartAt(0, -1, 0.01, 0.01, 1.0)};
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j) items.push_back(chartAt(-0.9 + 0.2 * i, 0.1 + 0.2 * j, 0.01, 0.01, 1.0));
    const render::Arrangement arranged = render::arrangeCharts(items, {});
    EXPECT_EQ(arranged.unplaced, 1u);
    EXPECT_NEAR(arranged.moves[0].x, -1.0, 1e-12);
    EXPECT_NEAR(arranged.moves[0].y, -2.0, 1e-12);
}
