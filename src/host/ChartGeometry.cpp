#include "host/ChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace host {
namespace {

double usable(double points) { return std::isfinite(points) && points > 0 ? points : 0.0; }

double barHeight(double v, double maxValue, double size) {
    if (std::isinf(v)) return v > 0 ? size : -size;
    if (!std::isfinite(v) || maxValue == 0.0 || !std::isfinite(maxValue)) return 0.0;
    const double h = v / maxValue * size;
    return std::isfinite(h) ? h : 0.0;
}

struct Extremes {
    double left = 0, right = 0, top = 0, bottom = 0, slot = 0, width = 0, size = 0;
};

// One pass over the values: the horizontal span and the highest and lowest bar ends.
Extremes extremesOf(const BarChartSymbol& symbol) {
    Extremes x;
    const std::size_t n = symbol.valueCount();
    x.width = usable(symbol.width());
    const double spacing = usable(symbol.spacing());
    x.size = usable(symbol.size());
    x.slot = x.width + spacing;
    const double total = n == 0 ? 0.0 : static_cast<double>(n) * x.slot - spacing;
    x.left = -total / 2;
    x.right = x.left + total;
    for (const double v : symbol.values()) {
        const double h = barHeight(v, symbol.maxValue(), x.size);
        x.top = std::max(x.top, h);
        x.bottom = std::min(x.bottom, h);
    }
    return x;
}

}  // namespace

void layoutBarChart(const BarChartSymbol& symbol, BarChartLayout& layout) {
    const Extremes x = extremesOf(symbol);
    layout.zeroY = -x.bottom;
    layout.box = {x.left, 0.0, x.right, x.top - x.bottom};
    layout.bars.clear();
    const auto& values = symbol.values();
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double h = barHeight(values[k], symbol.maxValue(), x.size);
        const double x0 = x.left + static_cast<double>(k) * x.slot;
        layout.bars.push_back({x0, layout.zeroY + std::min(0.0, h), x0 + x.width, layout.zeroY + std::max(0.0, h)});
    }
}

BarChartLayout layoutBarChart(const BarChartSymbol& symbol) {
    BarChartLayout layout;
    layout.bars.reserve(symbol.valueCount());
    layoutBarChart(symbol, layout);
    return layout;
}

Envelope chartBox(const BarChartSymbol& symbol, XY point, double mapUnitsPerPoint) {
    const Extremes x = extremesOf(symbol);
    const double k = mapUnitsPerPoint;
    return Envelope(point.x + x.left * k, point.y, point.x + x.right * k, point.y + (x.top - x.bottom) * k);
}

XY simpleMarkerHalfExtent(const SimpleMarkerSymbol& symbol) {
    const double half = usable(symbol.size()) / 2;
    const double outline = symbol.outline() ? usable(symbol.outlineSize()) / 2 : 0.0;
    if (symbol.style() == SimpleMarkerStyle::Circle) return {half + outline, half + outline};
    const double angle = std::isfinite(symbol.angle()) ? symbol.angle() * std::numbers::pi / 180.0 : 0.0;
    const double c = std::abs(std::cos(angle)), s = std::abs(std::sin(angle));
    double hx = 0, hy = 0;
    switch (symbol.style()) {
    case SimpleMarkerStyle::Square:
    case SimpleMarkerStyle::X:  // corner to corner
        hx = hy = half * (c + s);
        break;
    case SimpleMarkerStyle::Cross:  // arms along the axes
    case SimpleMarkerStyle::Diamond:
        hx = hy = half * std::max(c, s);
        break;
    case SimpleMarkerStyle::Circle: break;
    }
    return {hx + outline, hy + outline};
}

Envelope markerBox(const MarkerSymbol& symbol, XY point, double mapUnitsPerPoint) {
    const double k = mapUnitsPerPoint;
    const double dx = std::isfinite(symbol.xOffset()) ? symbol.xOffset() : 0.0;
    const double dy = std::isfinite(symbol.yOffset()) ? symbol.yOffset() : 0.0;
    const XY c{point.x + dx * k, point.y + dy * k};
    XY half{usable(symbol.size()) / 2, usable(symbol.size()) / 2};
    if (const auto* simple = dynamic_cast<const SimpleMarkerSymbol*>(&symbol)) half = simpleMarkerHalfExtent(*simple);
    return Envelope(c.x - half.x * k, c.y - half.y * k, c.x + half.x * k, c.y + half.y * k);
}

std::optional<Segment> leaderSegment(const LineCallout& callout, const Envelope& box, double mapUnitsPerPoint) {
    if (!callout.anchorPoint() || box.isEmpty()) return std::nullopt;
    const XY a = *callout.anchorPoint();
    if (!std::isfinite(a.x) || !std::isfinite(a.y)) return std::nullopt;
    const XY nearest{std::clamp(a.x, box.xMin(), box.xMax()), std::clamp(a.y, box.yMin(), box.yMax())};
    const double dx = nearest.x - a.x, dy = nearest.y - a.y;
    const double distance = std::hypot(dx, dy);
    const double tolerance = std::max(0.0, callout.leaderTolerance()) * mapUnitsPerPoint;
    if (distance <= tolerance || distance == 0.0) return std::nullopt;
    const double gap = std::max(0.0, callout.gap()) * mapUnitsPerPoint;
    if (gap >= distance) return std::nullopt;
    const double f = (distance - gap) / distance;
    return Segment{a, {a.x + dx * f, a.y + dy * f}};
}

}  // namespace host
