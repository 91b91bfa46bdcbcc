#include "host/SpatialIndex.h"

#include <algorithm>
#include <cmath>

namespace host {

namespace {

bool finiteBox(const IndexBox& b) {
    return std::isfinite(b.xmin) && std::isfinite(b.ymin) && std::isfinite(b.xmax) && std::isfinite(b.ymax) &&
           b.xmin <= b.xmax && b.ymin <= b.ymax;
}

double centreX(const IndexBox& b) { return (b.xmin + b.xmax) / 2; }
double centreY(const IndexBox& b) { return (b.ymin + b.ymax) / 2; }

IndexBox unite(const IndexBox& a, const IndexBox& b) {
    return {std::min(a.xmin, b.xmin), std::min(a.ymin, b.ymin), std::max(a.xmax, b.xmax), std::max(a.ymax, b.ymax)};
}

}  // namespace

void SpatialIndex::clear() {
    levels_.clear();
    reaches_.clear();
    items_.clear();
    leafCount_ = 0;
}

void SpatialIndex::build(std::vector<Entry> entries) {
    clear();
    std::erase_if(entries, [](const Entry& e) { return !finiteBox(e.box); });
    if (entries.empty()) return;
    // Sort-tile-recursive: vertical slices by centre x, each slice sorted by centre y, so the
    // runs of kFanout neighbours that become one node are compact.
    const std::size_t n = entries.size();
    const std::size_t leaves = (n + kFanout - 1) / kFanout;
    const auto slices = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(leaves))));
    const std::size_t perSlice = slices * kFanout;
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return centreX(a.box) < centreX(b.box); });
    for (std::size_t start = 0; start < n; start += perSlice) {
        const auto end = entries.begin() + static_cast<std::ptrdiff_t>(std::min(n, start + perSlice));
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(start), end,
                  [](const Entry& a, const Entry& b) { return centreY(a.box) < centreY(b.box); });
    }
    const bool reaching = std::any_of(entries.begin(), entries.end(), [](const Entry& e) {
        return e.reach[0] > 0 || e.reach[1] > 0 || e.reach[2] > 0 || e.reach[3] > 0;
    });
    std::vector<IndexBox> level0;
    std::vector<Reach> reach0;
    level0.reserve(n);
    items_.reserve(n);
    if (reaching) reach0.reserve(n);
    for (const Entry& e : entries) {
        level0.push_back(e.box);
        items_.push_back(e.item);
        if (reaching) {
            Reach r{};
            for (int side = 0; side < 4; ++side) r[side] = std::isfinite(e.reach[side]) ? std::max(0.0f, e.reach[side]) : 0.0f;
            reach0.push_back(r);
        }
    }
    leafCount_ = n;
    levels_.push_back(std::move(level0));
    if (reaching) reaches_.push_back(std::move(reach0));
    while (levels_.back().size() > 1) {
        const std::vector<IndexBox>& below = levels_.back();
        std::vector<IndexBox> up;
        std::vector<Reach> upReach;
        up.reserve((below.size() + kFanout - 1) / kFanout);
        for (std::size_t i = 0; i < below.size(); i += kFanout) {
            IndexBox box = below[i];
            for (std::size_t j = i + 1; j < std::min(below.size(), i + kFanout); ++j) box = unite(box, below[j]);
            up.push_back(box);
            if (reaching) {
                const std::vector<Reach>& belowReach = reaches_.back();
                Reach r = belowReach[i];
                for (std::size_t j = i + 1; j < std::min(below.size(), i + kFanout); ++j) {
                    for (int side = 0; side < 4; ++side) r[side] = std::max(r[side], belowReach[j][side]);
                }
                upReach.push_back(r);
            }
        }
        levels_.push_back(std::move(up));
        if (reaching) reaches_.push_back(std::move(upReach));
    }
}

void SpatialIndex::query(const IndexBox& box, double mapUnitsPerPoint, std::vector<std::uint32_t>& out) const {
    out.clear();
    if (levels_.empty() || !finiteBox(box)) return;
    const double k = std::isfinite(mapUnitsPerPoint) && mapUnitsPerPoint > 0 ? mapUnitsPerPoint : 0.0;
    const bool reaching = !reaches_.empty() && k > 0;
    // A node reaching r to the left shows when its box lies within r right of the query, and so on.
    const auto meets = [&](std::size_t level, std::size_t node) {
        const IndexBox& b = levels_[level][node];
        if (!reaching) return b.intersects(box);
        const Reach& r = reaches_[level][node];
        return b.xmin - r[0] * k <= box.xmax && box.xmin <= b.xmax + r[2] * k && b.ymin - r[1] * k <= box.ymax &&
               box.ymin <= b.ymax + r[3] * k;
    };
    // Depth-first over (level, node) pairs; the stack stays within fanout × depth.
    std::vector<std::pair<std::size_t, std::size_t>> stack;
    const std::size_t top = levels_.size() - 1;
    stack.emplace_back(top, 0);
    while (!stack.empty()) {
        const auto [level, node] = stack.back();
        stack.pop_back();
        if (!meets(level, node)) continue;
        if (level == 0) {
            out.push_back(items_[node]);
            continue;
        }
        const std::vector<IndexBox>& below = levels_[level - 1];
        const std::size_t first = node * kFanout, last = std::min(below.size(), first + kFanout);
        for (std::size_t child = first; child < last; ++child) stack.emplace_back(level - 1, child);
    }
    std::sort(out.begin(), out.end());
}

}  // namespace host
