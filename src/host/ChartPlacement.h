#pragma once
// The moves of the fourteen chart placements around a feature's marker, shared by the plug-in
// (which places a chart as it draws it) and the host's chart arrangement (which tries every
// placement of a chart already drawn), so both put a chart at the same spot for the same code.
#include <array>
#include <cstdint>

#include "host/Geometry.h"

namespace host {

// (dx, dy) in map units for a freshly drawn chart of `chartBounds` (its reference point, the
// middle of its base, on the feature's centre) beside a marker of `markerBounds` at `distance`
// map units. Codes: 0 centre, 1 E, 2 NE, 3 NE circle, 4 N, 5 no move, 6 NW, 7 NW circle, 8 W,
// 9 SW circle, 10 SW, 11 S, 12 SE circle, 13 SE; any other value no move.
std::array<double, 2> chartPlacementOffset(const Envelope& markerBounds, const Envelope& chartBounds,
                                           std::int16_t placementCode, double distance);

}  // namespace host
