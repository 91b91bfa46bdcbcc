#pragma once
// Chart placement: where a chart stands relative to its feature. PlacementOffset turns a
// placement code into the move of a freshly drawn chart (whose reference point, the middle of
// its base, stands on the feature's centre); GetX0Y0 gives the zero point of a chart already on
// the map, so Recreate can put a new chart's zero line and left edge where the old one's were.
#include <array>
#include <cstdint>

#include "host/Element.h"
#include "host/Geometry.h"

namespace plotlet {

// Placement codes: 0 centre, 1 E, 2 NE, 3 NE circle, 4 N, 5 no move, 6 NW, 7 NW circle, 8 W,
// 9 SW circle, 10 SW, 11 S, 12 SE circle, 13 SE; −1 keep the old place and −2 over the old
// charts of another graphics layer (Recreate); any other value no move.
inline constexpr std::int16_t PlacementOldPlace = -1;
inline constexpr std::int16_t PlacementOverOldCharts = -2;

// (dx, dy) in map units for a chart of `chartBounds` beside a feature marker of `markerBounds`
// at `distance` map units.
std::array<double, 2> PlacementOffset(const host::Envelope& markerBounds, const host::Envelope& chartBounds,
                                      std::int16_t placementCode, double distance);

// The zero point of an existing chart: (XMin, YMin + Height × −vmin / (vmax − vmin)) of
// `oldBounds` from the chart's attached "#Vmax#" and "#Vmin#" (ratio 1 when they are equal;
// the lower-left corner without attached data). Failures are reported ("GetX0Y0 ") and give
// false.
bool GetX0Y0(const host::ElementPtr& chartElement, const host::Envelope& oldBounds, std::array<double, 2>& zeroPoint);

}  // namespace plotlet
