#include "host/ChartGeometry.h"

#include <algorithm>
#include <cmath>

namespace host {

BarChartLayout layoutBarChart(const BarChartSymbol& symbol) {
    BarChartLayout layout;
    const std::size_t n = symbol.valueCount();
    const double width = std::isfinite(symbol.width()) && symbol.width() > 0 ? symbol.width() : 0.0;
    const double spacing = std::isfinite(symbol.spacing()) && symbol.spacing() > 0 ? symbol.spacing() : 0.0;
    const double size = std::isfinite(symbol.size()) && symbol.size() > 0 ? symbol.size() : 0.0;
    const double maxValue = symbol.maxValue();
    const double slot = width + spacing;
    const double total = n == 0 ? 0.0 : n * slot - spacing;

    std::vector<double> heights(n, 0.0);
    double top = 0.0, bottom = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const double v = symbol.value(k);
        double h = 0.0;
        if (std::isinf(v)) {
            h = v > 0 ? size : -size;
        } else if (std::isfinite(v) && maxValue != 0.0 && std::isfinite(maxValue)) {
            h = v / maxValue * size;
            if (!std::isfinite(h)) h = 0.0;
        }
        heights[k] = h;
        top = std::max(top, h);
        bottom = std::min(bottom, h);
    }
    const double left = -total / 2;
    layout.zeroY = -bottom;
    layout.box = {left, 0.0, left + total, top - bottom};
    layout.bars.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        const double x0 = left + k * slot;
        const double y0 = layout.zeroY + std::min(0.0, heights[k]);
        const double y1 = layout.zeroY + std::max(0.0, heights[k]);
        layout.bars.push_back({x0, y0, x0 + width, y1});
    }
    return layout;
}

Envelope chartBox(const BarChartSymbol& symbol, XY point, double mapUnitsPerPoint) {
    const BarChartLayout layout = layoutBarChart(symbol);
    const double k = mapUnitsPerPoint;
    return Envelope(point.x + layout.box.x0 * k, point.y + layout.box.y0 * k, point.x + layout.box.x1 * k,
                    point.y + layout.box.y1 * k);
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
