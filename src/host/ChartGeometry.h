#pragma once
// The shapes of a bar chart symbol, of a simple marker and of a chart's leader, in one place, so
// that the bounds the host reports and the pictures the display draws cannot disagree.
//
// Bar k has slot width Width + Spacing and rises from the zero line by value(k) / maxValue ×
// Size (down for negative values). The chart's box spans its bars' extremes (the zero line
// included); the marker point is the middle of the box's bottom edge.
#include <optional>
#include <vector>

#include "host/Geometry.h"
#include "host/Symbol.h"

namespace host {

struct Rect {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x0 ≤ x1, y0 ≤ y1
    double width() const { return x1 - x0; }
    double height() const { return y1 - y0; }
};

// In points, relative to the marker point, y up.
struct BarChartLayout {
    std::vector<Rect> bars;  // one per value; zero height for a 0 (or unusable) value
    Rect box;                // the chart's box
    double zeroY = 0.0;      // height of the zero line
};

// Values that cannot give a finite height (a maximum of 0, NaN) give bars of zero height;
// infinite values are held at the full size.
BarChartLayout layoutBarChart(const BarChartSymbol& symbol);
// The same into an existing layout, reusing its storage (drawing a million charts allocates
// nothing per chart).
void layoutBarChart(const BarChartSymbol& symbol, BarChartLayout& layout);

// The chart box in map units for a chart marker standing at `point`.
Envelope chartBox(const BarChartSymbol& symbol, XY point, double mapUnitsPerPoint);

// Half the width and half the height, in points, that a simple marker covers around its centre:
// the shape of `size` points (circle, square, cross, X and diamond all fit a size × size square
// before rotation) turned by its angle, plus half its outline when the outline is on.
XY simpleMarkerHalfExtent(const SimpleMarkerSymbol& symbol);

// The box in map units a marker symbol (not a chart) covers when drawn at `point`: its centre is
// the point moved by the symbol's offsets.
Envelope markerBox(const MarkerSymbol& symbol, XY point, double mapUnitsPerPoint);

struct Segment {
    XY from, to;
};

// The leader of a callout from its anchor to a box (all in map units): from the anchor towards
// the nearest point of the box, stopping `gap` short of it. None when there is no anchor or the
// anchor lies within `tolerance` of the box.
std::optional<Segment> leaderSegment(const LineCallout& callout, const Envelope& box, double mapUnitsPerPoint);

}  // namespace host
