// The packed R-tree the desktop's map view finds visible elements with: every query must
// return exactly what a scan over all boxes returns, in ascending item order.
#include <gtest/gtest.h>

#include <random>

#include "host/SpatialIndex.h"

namespace {

using host::IndexBox;
using host::SpatialIndex;

std::vector<std::uint32_t> scan(const std::vector<SpatialIndex::Entry>& entries, const IndexBox& box) {
    std::vector<std::uint32_t> out;
    for (const auto& e : entries) {
        if (e.box.intersects(box)) out.push_back(e.item);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(SpatialIndex, QueriesMatchAFullScanAtEverySize) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> coordinate(-1000, 1000), size(0, 30);
    for (const std::size_t n : {0u, 1u, 15u, 16u, 17u, 257u, 5000u}) {
        std::vector<SpatialIndex::Entry> entries;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = coordinate(random), y = coordinate(random);
            // Items numbered out of order: the answer must still come sorted.
            entries.push_back({{x, y, x + size(random), y + size(random)}, static_cast<std::uint32_t>((i * 7919) % 100003)});
        }
        const SpatialIndex index(entries);
        EXPECT_EQ(index.size(), n);
        for (int q = 0; q < 40; ++q) {
            const double x = coordinate(random), y = coordinate(random), w = size(random) * (q % 5 == 0 ? 40 : 3);
            const IndexBox box{x, y, x + w, y + w};
            ASSERT_EQ(index.query(box), scan(entries, box)) << n << " boxes, query " << q;
        }
        const IndexBox everything{-5000, -5000, 5000, 5000};
        EXPECT_EQ(index.query(everything).size(), n);
    }
}

TEST(SpatialIndex, TouchingEdgesMeetAndBrokenBoxesStayOut) {
    const std::vector<SpatialIndex::Entry> entries = {
        {{0, 0, 10, 10}, 1},
        {{10, 10, 20, 20}, 2},
        {{std::nan(""), 0, 1, 1}, 3},  // not finite: never found
        {{5, 5, 4, 4}, 4},             // inverted: never found
        {{3, 3, 3, 3}, 5},             // a point
    };
    const SpatialIndex index(entries);
    EXPECT_EQ(index.size(), 3u);
    EXPECT_EQ(index.query({10, 10, 10, 10}), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(index.query({3, 3, 3, 3}), (std::vector<std::uint32_t>{1, 5}));
    EXPECT_TRUE(index.query({21, 21, 30, 30}).empty());
    EXPECT_TRUE(index.query({0, 0, std::nan(""), 1}).empty());
}

}  // namespace
