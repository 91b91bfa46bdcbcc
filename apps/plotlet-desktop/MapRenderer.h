#pragma once
// Drawing of a map view for the desktop: the same layer and element drawing as every picture
// (render/), with the graphics layers read through a spatial index, so a zoomed-in view of a
// million charts draws only the charts it shows. Free of Qt: it runs on the render thread and
// in the benchmarks.
#include <cstdint>
#include <memory>
#include <vector>

#include <cairo.h>

#include "host/Display.h"
#include "host/Element.h"
#include "host/Map.h"
#include "host/SpatialIndex.h"
#include "render/Canvas.h"

namespace desktop {

// The index of one graphics container: its elements in drawing order, numbered by position,
// each indexed by its geometry's envelope. What an element draws reaches beyond its geometry
// (bars, labels, leaders); the query box is grown on each side by the largest reach of the
// elements, at the scale of the query. Containers of up to 20,000 elements are measured whole;
// larger ones on a sample spread over them (a chart run makes charts of one size and layout),
// with half as much again for safety.
struct ContainerIndex {
    const host::GraphicsContainer* container = nullptr;
    std::size_t builtCount = 0;
    std::vector<host::ElementPtr> elements;
    host::SpatialIndex index;
    // How far drawings reach beyond their geometry on each side (left, bottom, right, top):
    // in map units when a reference scale fixes symbol sizes on the map, else in points.
    double reach[4] = {0, 0, 0, 0};
    bool reachInPoints = false;
};

class ViewIndex {
public:
    // Forget everything: the next update() rebuilds every container's index.
    void invalidate() { stale_ = true; }
    bool stale() const { return stale_; }
    // Brings the indexes in line with the map's graphics containers; a container whose element
    // count changed is rebuilt even when nobody called invalidate().
    void update(const host::Map& map, const host::Display& display);
    // The elements of `container` that may show within `area` (map units), in drawing order.
    void candidates(const host::GraphicsContainer& container, const host::Envelope& area, double mapUnitsPerPoint,
                    std::vector<host::ElementPtr>& out) const;
    const ContainerIndex* find(const host::GraphicsContainer& container) const;

private:
    std::vector<ContainerIndex> containers_;
    bool stale_ = true;
};

// Every graphics container of the map, in drawing order (the basic graphics layer's own
// elements first, then its sub-layers), with whether it shows now.
struct ContainerRef {
    host::GraphicsLayer* layer;
    bool shown;
};
std::vector<ContainerRef> graphicsContainers(const host::Map& map);

// Draws the whole view (white background, layers, graphics, highlights) on `cr`, whose user
// space is the transformation's device frame. `progress` may stop the drawing (a render error
// code::Cancelled is thrown then).
void drawMapView(cairo_t* cr, const host::Map& map, const host::DisplayTransformation& transformation,
                 const ViewIndex& index, const render::ProgressCallback& progress = {});

}  // namespace desktop
