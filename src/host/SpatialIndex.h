#pragma once
// A static, packed R-tree over boxes in map units (sort-tile-recursive packing), so a view of a
// few hundred charts out of a million finds them in time proportional to what it shows.
//
// Boxes are given once, with their item numbers (any 32-bit values); queries return the numbers
// of every box that meets the query box (edges touching count), in ascending number order, so
// a caller that numbers items in drawing order draws them in that order. An empty or not finite
// box is kept out of the index. Building is O(n log n); a query O(log n + hits).
//
// A box may also reach further by a length in points on each side (what a symbol draws around
// its geometry): its size in map units depends on the scale of the view, so a query names the
// map units per point it is made at, and a box meets the query when it does grown by its reach.
#include <array>
#include <cstdint>
#include <vector>

namespace host {

struct IndexBox {
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    bool intersects(const IndexBox& o) const { return xmin <= o.xmax && o.xmin <= xmax && ymin <= o.ymax && o.ymin <= ymax; }
};

class SpatialIndex {
public:
    // How far beyond its box an item draws, in points: left, bottom, right, top.
    using Reach = std::array<float, 4>;
    struct Entry {
        IndexBox box;
        std::uint32_t item = 0;
        Reach reach{};
    };

    SpatialIndex() = default;
    explicit SpatialIndex(std::vector<Entry> entries) { build(std::move(entries)); }

    void build(std::vector<Entry> entries);
    void clear();

    std::size_t size() const { return leafCount_; }
    bool empty() const { return leafCount_ == 0; }
    // Every item whose box meets `box`, ascending. `out` is cleared first.
    void query(const IndexBox& box, std::vector<std::uint32_t>& out) const { query(box, 0.0, out); }
    std::vector<std::uint32_t> query(const IndexBox& box) const {
        std::vector<std::uint32_t> out;
        query(box, out);
        return out;
    }
    // Every item whose box grown by its reach at `mapUnitsPerPoint` meets `box`, ascending.
    void query(const IndexBox& box, double mapUnitsPerPoint, std::vector<std::uint32_t>& out) const;

private:
    static constexpr std::size_t kFanout = 16;
    // Level 0 holds the entries (leaves); each higher level holds one box per run of kFanout
    // nodes of the level below, the top level a single root.
    std::vector<std::vector<IndexBox>> levels_;
    // Per level the reach of each node (the largest of its children's), when any entry has one.
    std::vector<std::vector<Reach>> reaches_;
    std::vector<std::uint32_t> items_;  // items of level 0, in packed order
    std::size_t leafCount_ = 0;
};

}  // namespace host
