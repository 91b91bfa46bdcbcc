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
        });
    }

    // Calls `visit` once for each object whose bounds may touch `box`.
    template <class Visit>
    void query(const Rect& box, Visit&& visit) {
        ++query_;
        forCells(box, [&](std::size_t c) {
            for (std::int32_t l = head_[c]; l >= 0; l = links_[static_cast<std::size_t>(l)].next) {
                const auto id = static_cast<std::size_t>(links_[static_cast<std::size_t>(l)].object);
                if (stamp_[id] == query_) continue;
                stamp_[id] = query_;
                visit(objects_[id]);
            }
        });
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
        XY best{0, 0};
        bool free = false;
        for (int code = 0; code < PlacementCount && !free; ++code) {
            const auto offset = host::chartPlacementOffset(markerBounds, chartBounds, static_cast<std::int16_t>(code), settings.distance);
            // A freshly drawn chart stands with the middle of its base on the anchor.
            const XY target{item.anchor.x - box.width() / 2 + offset[0], item.anchor.y + offset[1]};
            const XY d{target.x - box.x0, target.y - box.y0};
            const Rect footprint = moved(item.footprint, d);
            const std::optional<Segment> leader = leaderOf(item, moved(box, d));
            double cost = 0.0;
            auto charge = [&](const Grid::Object& o, const Rect& mine, const Segment* line) {
                if (o.owner == i) return;
                if (line) {
                    if (o.kind != Grid::Kind::Leader && crosses(*line, o.box)) cost += penalty;
                    return;
                }
                if (o.kind == Grid::Kind::Leader) {
                    if (crosses(o.segment, mine)) cost += penalty;
                } else if (overlaps(mine, o.box)) {
                    cost += penalty + overlapArea(mine, o.box);
                } else if (o.kind == Grid::Kind::Marker && o.box.x0 == o.box.x1 && o.box.y0 == o.box.y1 &&
                           o.box.x0 > mine.x0 && o.box.x0 < mine.x1 && o.box.y0 > mine.y0 && o.box.y0 < mine.y1) {
                    cost += penalty;  // a marker of no size inside the chart
                }
            };
            grid.query(footprint, [&](const Grid::Object& o) { charge(o, footprint, nullptr); });
            if (leader) {
                const Segment s = *leader;
                grid.query(boundsOf(s), [&](const Grid::Object& o) { charge(o, footprint, &s); });
            }
            if (cost < bestCost) {
                bestCost = cost;
                best = d;
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
    Grid grid = gridFor(items, settings);
    for (std::size_t i = 0; i < items.size(); ++i) {
        grid.add({Grid::Kind::Marker, static_cast<std::uint32_t>(i), around(items[i].anchor, settings.markerHalf), {}});
        grid.add({Grid::Kind::Chart, static_cast<std::uint32_t>(i), items[i].footprint, {}});
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Rect& mine = items[i].footprint;
        bool overMarker = false;
        grid.query(mine, [&](const Grid::Object& o) {
            if (o.owner == i) return;
            const bool point = o.box.x0 == o.box.x1 && o.box.y0 == o.box.y1;
            const bool hit = overlaps(mine, o.box) ||
                             (point && o.box.x0 > mine.x0 && o.box.x0 < mine.x1 && o.box.y0 > mine.y0 && o.box.y0 < mine.y1);
            if (!hit) return;
            if (o.kind == Grid::Kind::Chart && o.owner > i) ++result.chartPairs;
            if (o.kind == Grid::Kind::Marker) overMarker = true;
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
        for (const host::ElementPtr& member : group->elements()) {
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
            for (const host::ElementPtr& member : group->elements())
                if (member && member != marker) footprint.include(member->queryBounds(display));
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
        items[i].footprint = moved(items[i].footprint, d);
        items[i].chartBox = moved(items[i].chartBox, d);
    }
    result.after = countOverlaps(items, settings);
    return result;
}

}  // namespace render
