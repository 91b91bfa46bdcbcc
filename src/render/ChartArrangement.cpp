#include "render/ChartArrangement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "host/ChartPlacement.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"

namespace render {

namespace {

using host::Rect;
using host::XY;

constexpr int PlacementCount = 14;

// A placement whose box, labels and leader meet this many placed charts, markers and leaders
// counts as saturated, and its sum is not finished. Where
// charts crowd so that no free place exists anywhere near, every placement meets hundreds of
// objects, and summing them all would make the work grow with the square of the density.
// Fewer meetings than this are summed exactly, so where a free placement exists, or overlaps
// are few, the choice is the same as with no limit. Any placement that is not saturated beats
// the saturated ones; among those the least crowded stands, judged by the number of objects in
// the grid cells it covers.
constexpr int SaturatedHits = 16;

bool overlaps(const Rect& a, const Rect& b) { return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1; }

double overlapArea(const Rect& a, const Rect& b) {
    const double w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
    const double h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    return w > 0 && h > 0 ? w * h : 0.0;
}

Rect moved(const Rect& r, XY d) { return {r.x0 + d.x, r.y0 + d.y, r.x1 + d.x, r.y1 + d.y}; }

Rect around(XY p, XY half) { return {p.x - half.x, p.y - half.y, p.x + half.x, p.y + half.y}; }

struct Segment {
    XY from, to;
};

// Whether the segment passes through the inside of the box (touching its edge is no overlap).
bool crosses(const Segment& s, const Rect& r) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = s.to.x - s.from.x, dy = s.to.y - s.from.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {s.from.x - r.x0, r.x1 - s.from.x, s.from.y - r.y0, r.y1 - s.from.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] <= 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 >= t1) return false;
    }
    // Inside for a stretch of positive length, and not only along an edge.
    const XY mid{s.from.x + dx * (t0 + t1) / 2, s.from.y + dy * (t0 + t1) / 2};
    return mid.x > r.x0 && mid.x < r.x1 && mid.y > r.y0 && mid.y < r.y1;
}

Rect boundsOf(const Segment& s) {
    return {std::min(s.from.x, s.to.x), std::min(s.from.y, s.to.y), std::max(s.from.x, s.to.x), std::max(s.from.y, s.to.y)};
}

// The leader of a chart whose bars stand in `box`: from the anchor to the nearest point of the
// box; none when the anchor lies within the tolerance.
std::optional<Segment> leaderOf(const ArrangeItem& item, const Rect& box) {
    if (!item.leader) return std::nullopt;
    const XY a = item.anchor;
    const XY nearest{std::clamp(a.x, box.x0, box.x1), std::clamp(a.y, box.y0, box.y1)};
    const double distance = std::hypot(nearest.x - a.x, nearest.y - a.y);
    if (distance == 0.0 || distance <= item.leaderTolerance) return std::nullopt;
    return Segment{a, nearest};
}

// A uniform grid of boxes and segments. Each object is listed in every cell its bounds touch;
// objects outside the grid's extent fall into its border cells, so a query never misses one.
class Grid {
public:
    enum class Kind : std::uint8_t { Chart, Marker, Leader };
    struct Object {
        Kind kind;
        std::uint32_t owner;
        Rect box;       // chart footprint or marker; the segment's bounds for a leader
        Segment segment;
    };

    Grid(const Rect& extent, double cell, std::size_t expected) : extent_(extent) {
        cell_ = cell > 0 && std::isfinite(cell) ? cell : 1.0;
        // No more cells than a few per object: a sparse map of far-flung points stays small.
        // The counts stay doubles until they fit: anchors 1e300 apart would overflow an integer.
        const double cap = 4.0 * static_cast<double>(expected) + 1024.0;
        const double width = extent.x1 - extent.x0, height = extent.y1 - extent.y0;
        if (!std::isfinite(width) || !std::isfinite(height)) {
            // Anchors at both ends of the number range: one cell holds everything.
            cell_ = std::numeric_limits<double>::max();
        } else {
            for (;;) {
                const double nx = std::floor(width / cell_) + 1, ny = std::floor(height / cell_) + 1;
                if (nx * ny <= cap) {
                    nx_ = static_cast<std::int64_t>(nx);
                    ny_ = static_cast<std::int64_t>(ny);
                    break;
                }
                cell_ *= 1.5;
            }
        }
        head_.assign(static_cast<std::size_t>(nx_ * ny_), -1);
        count_.assign(head_.size(), 0);
        objects_.reserve(expected);
        links_.reserve(expected * 2);
    }

    void add(const Object& object) {
        const auto id = static_cast<std::int32_t>(objects_.size());
        objects_.push_back(object);
        stamp_.push_back(0);
        forCells(object.box, [&](std::size_t c) {
            links_.push_back({id, head_[c]});
            head_[c] = static_cast<std::int32_t>(links_.size() - 1);
            ++count_[c];
        });
    }

    // Calls `visit` once for each object whose bounds may touch `box`, until `visit` answers
    // false.
    template <class Visit>
    void query(const Rect& box, Visit&& visit) {
        ++query_;
        const std::int64_t c0 = column(box.x0), c1 = column(box.x1), r0 = row(box.y0), r1 = row(box.y1);
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c)
                for (std::int32_t l = head_[static_cast<std::size_t>(r * nx_ + c)]; l >= 0;
                     l = links_[static_cast<std::size_t>(l)].next) {
                    const auto id = static_cast<std::size_t>(links_[static_cast<std::size_t>(l)].object);
                    if (stamp_[id] == query_) continue;
                    stamp_[id] = query_;
                    if (!visit(objects_[id])) return;
                }
    }

    // How crowded `box` is without visiting what crowds it: the objects listed in each cell it
    // touches, in proportion to the part of the cell it covers.
    double crowding(const Rect& box) const {
        double sum = 0.0;
        const std::int64_t c0 = column(box.x0), c1 = column(box.x1), r0 = row(box.y0), r1 = row(box.y1);
        for (std::int64_t r = r0; r <= r1; ++r) {
            const double y0 = extent_.y0 + static_cast<double>(r) * cell_;
            const double h = std::min(box.y1, y0 + cell_) - std::max(box.y0, y0);
            if (!(h > 0)) continue;
            for (std::int64_t c = c0; c <= c1; ++c) {
                const double x0 = extent_.x0 + static_cast<double>(c) * cell_;
                const double w = std::min(box.x1, x0 + cell_) - std::max(box.x0, x0);
                if (w > 0) sum += count_[static_cast<std::size_t>(r * nx_ + c)] * (w * h);
            }
        }
        return sum / (cell_ * cell_);
    }

private:
    struct Link {
        std::int32_t object;
        std::int32_t next;
    };

    std::int64_t column(double x) const {
        const double c = std::floor((x - extent_.x0) / cell_);
        if (!(c > 0)) return 0;
        return std::min<std::int64_t>(static_cast<std::int64_t>(std::min(c, 1e15)), nx_ - 1);
    }
    std::int64_t row(double y) const {
        const double r = std::floor((y - extent_.y0) / cell_);
        if (!(r > 0)) return 0;
        return std::min<std::int64_t>(static_cast<std::int64_t>(std::min(r, 1e15)), ny_ - 1);
    }

    template <class Each>
    void forCells(const Rect& box, Each&& each) const {
        const std::int64_t c0 = column(box.x0), c1 = column(box.x1), r0 = row(box.y0), r1 = row(box.y1);
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) each(static_cast<std::size_t>(r * nx_ + c));
    }

    Rect extent_;
    double cell_ = 1.0;
    std::int64_t nx_ = 1, ny_ = 1;
    std::vector<std::int32_t> head_;
    std::vector<std::uint32_t> count_;
    std::vector<Link> links_;
    std::vector<Object> objects_;
    std::vector<std::uint32_t> stamp_;
    std::uint32_t query_ = 0;
};

// The grid for the items: the cell about the size of a typical chart, the extent that of the
// anchors grown by the largest chart.
Grid gridFor(const std::vector<ArrangeItem>& items, const ArrangeSettings& settings) {
    Rect extent{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                std::numeric_limits<double>::lowest()};
    double sum = 0.0, largest = 0.0;
    std::size_t counted = 0;
    for (const ArrangeItem& item : items) {
        if (!std::isfinite(item.anchor.x) || !std::isfinite(item.anchor.y)) continue;
        extent.x0 = std::min(extent.x0, item.anchor.x);
        extent.y0 = std::min(extent.y0, item.anchor.y);
        extent.x1 = std::max(extent.x1, item.anchor.x);
        extent.y1 = std::max(extent.y1, item.anchor.y);
        const double size = std::max(item.footprint.width(), item.footprint.height());
        if (std::isfinite(size)) {
            sum += size;
            largest = std::max(largest, size);
            ++counted;
        }
    }
    if (extent.x0 > extent.x1) extent = {0, 0, 1, 1};
    const double grow = 2 * largest + settings.distance + std::max(settings.markerHalf.x, settings.markerHalf.y);
    extent = {extent.x0 - grow, extent.y0 - grow, extent.x1 + grow, extent.y1 + grow};
    const double cell = counted ? sum / static_cast<double>(counted) : 1.0;
    return Grid(extent, cell > 0 ? cell : std::max(1.0, extent.x1 - extent.x0), items.size() * 3);
}

// Counts of the values added at ranks, summed over a prefix of ranks.
class RankCounts {
public:
    explicit RankCounts(std::size_t size) : tree_(size + 1, 0) {}
    void add(std::size_t rank, std::int32_t delta) {
        for (std::size_t k = rank + 1; k < tree_.size(); k += k & (~k + 1)) tree_[k] += delta;
    }
    // The count at ranks below `rank`.
    std::int64_t below(std::size_t rank) const {
        std::int64_t sum = 0;
        for (std::size_t k = rank; k > 0; k -= k & (~k + 1)) sum += tree_[k];
        return sum;
    }

private:
    std::vector<std::int32_t> tree_;
};

// The number of pairs of boxes that overlap (`overlaps`: touching is no overlap, a box of no
// size overlaps what it lies strictly inside), each pair once, without visiting the pairs: on a
// crowded map they are hundreds per box. A sweep across x keeps the boxes whose x-range covers
// the sweep line; of these, a new box meets all but those wholly above and those wholly below
// it, counted by rank of their y-ends. Boxes with a NaN or reversed side overlap nothing.
std::size_t overlappingPairs(const std::vector<Rect>& boxes) {
    std::vector<std::uint32_t> order;
    order.reserve(boxes.size());
    std::vector<double> ys;
    ys.reserve(2 * boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const Rect& b = boxes[i];
        if (!(b.x0 <= b.x1 && b.y0 <= b.y1)) continue;
        order.push_back(static_cast<std::uint32_t>(i));
        ys.push_back(b.y0);
        ys.push_back(b.y1);
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    auto rank = [&](double y) { return static_cast<std::size_t>(std::lower_bound(ys.begin(), ys.end(), y) - ys.begin()); };
    // By left side, and among equal left sides the narrower first: a box of no width then never
    // finds one beginning where it lies among those it meets.
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return boxes[a].x0 != boxes[b].x0 ? boxes[a].x0 < boxes[b].x0 : boxes[a].x1 < boxes[b].x1;
    });
    struct Ranks {
        std::uint32_t bottom, top;
    };
    std::vector<Ranks> ranks(boxes.size());
    for (const std::uint32_t i : order)
        ranks[i] = {static_cast<std::uint32_t>(rank(boxes[i].y0)), static_cast<std::uint32_t>(rank(boxes[i].y1))};
    RankCounts bottoms(ys.size()), tops(ys.size()), flats(ys.size());
    auto later = [&](std::uint32_t a, std::uint32_t b) { return boxes[a].x1 > boxes[b].x1; };
    std::vector<std::uint32_t> open;  // a heap: the box whose right side comes first on top
    auto count = [&](std::uint32_t i, std::int32_t delta) {
        bottoms.add(ranks[i].bottom, delta);
        tops.add(ranks[i].top, delta);
        if (ranks[i].bottom == ranks[i].top) flats.add(ranks[i].bottom, delta);
    };
    std::size_t pairs = 0;
    for (const std::uint32_t i : order) {
        const Rect& b = boxes[i];
        while (!open.empty() && boxes[open.front()].x1 <= b.x0) {
            count(open.front(), -1);
            std::pop_heap(open.begin(), open.end(), later);
            open.pop_back();
        }
        const auto active = static_cast<std::int64_t>(open.size());
        const std::size_t r0 = ranks[i].bottom, r1 = ranks[i].top;
        const std::int64_t above = active - bottoms.below(r1);  // bottom at or above this top
        const std::int64_t below = tops.below(r0 + 1);          // top at or below this bottom
        // Both at once only for flat boxes on the same line as this flat one.
        const std::int64_t both = r0 == r1 ? flats.below(r0 + 1) - flats.below(r0) : 0;
        pairs += static_cast<std::size_t>(active - above - below + both);
        count(i, +1);
        open.push_back(i);
        std::push_heap(open.begin(), open.end(), later);
    }
    return pairs;
}

}  // namespace

Arrangement arrangeCharts(const std::vector<ArrangeItem>& items, const ArrangeSettings& settings) {
    Arrangement result;
    result.moves.assign(items.size(), XY{0, 0});
    if (items.empty()) return result;
    Grid grid = gridFor(items, settings);
    for (std::size_t i = 0; i < items.size(); ++i)
        grid.add({Grid::Kind::Marker, static_cast<std::uint32_t>(i), around(items[i].anchor, settings.markerHalf), {}});

    std::vector<std::uint32_t> order(items.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const double pa = items[a].priority, pb = items[b].priority;
        // A chart without a usable priority goes last.
        if (std::isnan(pa) || std::isnan(pb)) return !std::isnan(pa) && std::isnan(pb);
        return pa > pb;
    });

    for (const std::uint32_t i : order) {
        const ArrangeItem& item = items[i];
        if (!std::isfinite(item.anchor.x) || !std::isfinite(item.anchor.y)) continue;
        const Rect& box = item.chartBox;
        const host::Envelope markerBounds(item.anchor.x - settings.markerHalf.x, item.anchor.y - settings.markerHalf.y,
                                          item.anchor.x + settings.markerHalf.x, item.anchor.y + settings.markerHalf.y);
        const host::Envelope chartBounds(box.x0, box.y0, box.x1, box.y1);
        const double penalty = std::max(1e-300, 0.01 * item.footprint.width() * item.footprint.height());

        double bestCost = std::numeric_limits<double>::infinity();
        double bestCrowding = std::numeric_limits<double>::infinity();
        XY best{0, 0};
        bool found = false, free = false;
        for (int code = 0; code < PlacementCount && !free; ++code) {
            const auto offset = host::chartPlacementOffset(markerBounds, chartBounds, static_cast<std::int16_t>(code), settings.distance);
            // A freshly drawn chart stands with the middle of its base on the anchor.
            const XY target{item.anchor.x - box.width() / 2 + offset[0], item.anchor.y + offset[1]};
            const XY d{target.x - box.x0, target.y - box.y0};
            const Rect footprint = moved(item.footprint, d);
            const std::optional<Segment> leader = leaderOf(item, moved(box, d));
            double cost = 0.0;
            int hits = 0;
            // Whether the placement may still win: the sum only grows, so it stops once it
            // reaches the best so far, or once the placement is saturated.
            auto charge = [&](const Grid::Object& o, const Rect& mine, const Segment* line) {
                if (o.owner == i) return true;
                double add = 0.0;
                if (line) {
                    if (o.kind != Grid::Kind::Leader && crosses(*line, o.box)) add = penalty;
                } else if (o.kind == Grid::Kind::Leader) {
                    if (crosses(o.segment, mine)) add = penalty;
                } else if (overlaps(mine, o.box)) {
                    add = penalty + overlapArea(mine, o.box);
                } else if (o.kind == Grid::Kind::Marker && o.box.x0 == o.box.x1 && o.box.y0 == o.box.y1 &&
                           o.box.x0 > mine.x0 && o.box.x0 < mine.x1 && o.box.y0 > mine.y0 && o.box.y0 < mine.y1) {
                    add = penalty;  // a marker of no size inside the chart
                }
                if (add == 0.0) return true;
                cost += add;
                return ++hits < SaturatedHits && cost < bestCost;
            };
            bool going = true;
            grid.query(footprint, [&](const Grid::Object& o) { return going = charge(o, footprint, nullptr); });
            if (leader && going) {
                const Segment s = *leader;
                grid.query(boundsOf(s), [&](const Grid::Object& o) { return going = charge(o, footprint, &s); });
            }
            // A saturated placement only stands when every one seen is saturated too; then
            // the least crowded of them.
            if (hits >= SaturatedHits) {
                const double crowd = grid.crowding(footprint);
                if (!found || (std::isinf(bestCost) && crowd < bestCrowding)) {
                    bestCrowding = crowd;
                    best = d;
                    found = true;
                }
            } else if (cost < bestCost) {
                bestCost = cost;
                best = d;
                found = true;
            }
            free = cost == 0.0;
        }
        if (!free) ++result.unplaced;
        result.moves[i] = best;
        const Rect footprint = moved(item.footprint, best);
        grid.add({Grid::Kind::Chart, i, footprint, {}});
        if (const auto leader = leaderOf(item, moved(box, best))) grid.add({Grid::Kind::Leader, i, boundsOf(*leader), *leader});
    }
    return result;
}

Overlaps countOverlaps(const std::vector<ArrangeItem>& items, const ArrangeSettings& settings) {
    Overlaps result;
    if (items.empty()) return result;
    std::vector<Rect> footprints;
    footprints.reserve(items.size());
    for (const ArrangeItem& item : items) footprints.push_back(item.footprint);
    result.chartPairs = overlappingPairs(footprints);

    // One marker under a chart is enough to count it, so in a crowd the search ends at once.
    Grid markers = gridFor(items, settings);
    for (std::size_t i = 0; i < items.size(); ++i)
        markers.add({Grid::Kind::Marker, static_cast<std::uint32_t>(i), around(items[i].anchor, settings.markerHalf), {}});
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Rect& mine = items[i].footprint;
        bool overMarker = false;
        markers.query(mine, [&](const Grid::Object& o) {
            // A marker of no size overlaps when it lies strictly inside.
            overMarker = o.owner != i && overlaps(mine, o.box);
            return !overMarker;
        });
        if (overMarker) ++result.chartsOverMarkers;
    }
    return result;
}

namespace {

std::shared_ptr<host::MarkerElement> chartMarkerOf(const host::ElementPtr& element) {
    auto isChart = [](const std::shared_ptr<host::MarkerElement>& m) {
        return m && std::dynamic_pointer_cast<host::BarChartSymbol>(m->symbol()) != nullptr;
    };
    if (auto marker = std::dynamic_pointer_cast<host::MarkerElement>(element)) return isChart(marker) ? marker : nullptr;
    if (auto group = std::dynamic_pointer_cast<host::GroupElement>(element)) {
        for (const host::ElementPtr& member : group->ownElements()) {
            auto marker = std::dynamic_pointer_cast<host::MarkerElement>(member);
            if (isChart(marker)) return marker;
        }
    }
    return nullptr;
}

Rect rectOf(const host::Envelope& e) { return {e.xMin(), e.yMin(), e.xMax(), e.yMax()}; }

// The chart's importance from its attached data: the named field's value, or its largest value.
// NaN when it has none.
double priorityOf(const host::MarkerElement& marker, const std::string& field, bool& carried) {
    const auto data = marker.customProperty().as<host::PropertySet>();
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (!data) return none;
    double largest = none;
    std::size_t index = 0;
    for (const auto& [name, value] : data->items()) {
        const std::size_t k = index++;
        if (!field.empty()) {
            if (!host::samePropertyName(name, field)) continue;
            carried = true;
            if (value.isNull()) return none;
            try {
                return value.toDouble();
            } catch (...) {
                return none;
            }
        }
        // The chart fields follow the layer's name and the scale's ends.
        if (k < 3 || value.isNull()) continue;
        try {
            const double v = value.toDouble();
            if (std::isnan(largest) || v > largest) largest = v;
        } catch (...) {
        }
    }
    return field.empty() ? largest : none;
}

}  // namespace

std::vector<ArrangeItem> chartItems(const host::GraphicsContainer& container, const host::Display& display,
                                    const std::string& priorityField, std::vector<host::ElementPtr>& elements) {
    std::vector<ArrangeItem> items;
    elements.clear();
    const double k = display.mapUnitsPerPoint();
    bool carried = false;
    for (const host::ElementPtr& element : container.elements()) {
        const auto marker = chartMarkerOf(element);
        if (!marker || !marker->geometry()) continue;
        const auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
        const host::Envelope where = marker->geometry()->envelope();
        if (where.isEmpty()) continue;
        const XY point = where.centre();
        ArrangeItem item;
        item.chartBox = rectOf(host::chartBox(*symbol, point, k));
        host::Envelope footprint(item.chartBox.x0, item.chartBox.y0, item.chartBox.x1, item.chartBox.y1);
        if (auto group = std::dynamic_pointer_cast<host::GroupElement>(element)) {
            group->forEachOwnMember([&](const host::Element& member) {
                if (&member != marker.get()) footprint.include(member.queryBounds(display));
            });
        }
        item.footprint = rectOf(footprint);
        // The leader's anchor is the feature's point; a chart drawn without a leader keeps none,
        // and is taken to stand where its feature is.
        const host::LineCalloutPtr& callout = symbol->background();
        if (callout && callout->anchorPoint()) {
            item.anchor = *callout->anchorPoint();
            item.leader = true;
            item.leaderTolerance = std::max(0.0, callout->leaderTolerance()) * k;
        } else {
            item.anchor = {(item.chartBox.x0 + item.chartBox.x1) / 2, item.chartBox.y0};
        }
        item.priority = priorityOf(*marker, priorityField, carried);
        items.push_back(item);
        elements.push_back(element);
    }
    if (!priorityField.empty() && !items.empty() && !carried)
        throw std::invalid_argument("no chart carries the field " + priorityField);
    return items;
}

LayerArrangement arrangeChartLayer(host::GraphicsContainer& container, const host::Display& display,
                                   const ArrangeSettings& settings, const std::string& priorityField) {
    std::vector<host::ElementPtr> elements;
    std::vector<ArrangeItem> items = chartItems(container, display, priorityField, elements);
    LayerArrangement result;
    result.charts = items.size();
    result.before = countOverlaps(items, settings);
    const Arrangement arrangement = arrangeCharts(items, settings);
    result.unplaced = arrangement.unplaced;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const XY d = arrangement.moves[i];
        if (d.x == 0.0 && d.y == 0.0) continue;
        elements[i]->move(d.x, d.y);
        container.updateElement(elements[i].get());  // its place in the spatial index
        items[i].footprint = moved(items[i].footprint, d);
        items[i].chartBox = moved(items[i].chartBox, d);
    }
    result.after = countOverlaps(items, settings);
    return result;
}

}  // namespace render
