#pragma once
// Charts that do not collide: each chart of a graphics layer is moved, as a person dragging it
// would move it, to the first of the fourteen placements around its feature's marker where its
// box, its labels and its leader overlap no chart already placed and no other feature's marker.
// The most important charts are placed first; a chart that fits nowhere goes where it overlaps
// least. Placed boxes, markers and leaders are kept in a uniform grid, so the work grows
// linearly with the number of charts.
#include <cstddef>
#include <string>
#include <vector>

#include "host/ChartGeometry.h"
#include "host/Display.h"
#include "host/Element.h"
#include "host/GraphicsContainer.h"

namespace render {

// One chart where it stands now, in map units.
struct ArrangeItem {
    host::XY anchor;          // its feature's point (where its leader starts)
    host::Rect chartBox;      // the bars' box: what the placements are measured from
    host::Rect footprint;     // everything it draws but the leader: bars, labels, break marks
    bool leader = false;      // whether a leader joins the anchor to the box
    double leaderTolerance = 0.0;  // no leader when the anchor lies this close to the box
    double priority = 0.0;    // higher first
};

struct ArrangeSettings {
    host::XY markerHalf;      // half the width and height of a feature's marker
    double distance = 0.0;    // between marker and chart, as the dialog's distance
};

struct Arrangement {
    std::vector<host::XY> moves;  // per item
    std::size_t unplaced = 0;     // charts that overlap something wherever they stand
};

Arrangement arrangeCharts(const std::vector<ArrangeItem>& items, const ArrangeSettings& settings);

// Collisions where the items stand: pairs of charts whose footprints overlap, and charts whose
// footprint covers another feature's marker.
struct Overlaps {
    std::size_t chartPairs = 0;
    std::size_t chartsOverMarkers = 0;
};
Overlaps countOverlaps(const std::vector<ArrangeItem>& items, const ArrangeSettings& settings);

// The charts of a graphics layer (groups or bare chart markers) as arrangement items, measured
// on `display`; `elements` receives the element of each item. Priority: the value of the
// attached field `priorityField`, or without one the chart's largest value. Throws
// std::invalid_argument when `priorityField` is named but no chart carries it.
std::vector<ArrangeItem> chartItems(const host::GraphicsContainer& container, const host::Display& display,
                                    const std::string& priorityField, std::vector<host::ElementPtr>& elements);

struct LayerArrangement {
    std::size_t charts = 0;
    std::size_t unplaced = 0;
    Overlaps before, after;
};

// Arranges the charts of the container in place (the elements are moved, nothing else changes).
LayerArrangement arrangeChartLayer(host::GraphicsContainer& container, const host::Display& display,
                                   const ArrangeSettings& settings, const std::string& priorityField);

}  // namespace render
