#pragma once
// Drawing of a map view for the desktop: the same layer and element drawing as every picture
// (render/), with the graphics layers read through their spatial indexes, so a zoomed-in view
// of a million charts draws only the charts it shows. Free of Qt: it runs on the render thread
// and in the benchmarks.
#include <cstdint>
#include <memory>
#include <vector>

#include <cairo.h>

#include "host/Display.h"
#include "host/Element.h"
#include "host/Map.h"
#include "render/Canvas.h"

namespace desktop {

// What a view shows of the graphics containers, found through each container's own spatial
// index (host::GraphicsContainer::elementsWithin), which is built on first need and kept up to
// date as elements are added, deleted and updated (a moved element is an update).
class ViewIndex {
public:
    // The map changed in ways its containers were not told of: the next update() has every
    // container's index built again when next needed.
    void invalidate() { stale_ = true; }
    bool stale() const { return stale_; }
    void update(const host::Map& map, const host::Display& display);
    // The elements of `container` that may show within `area` (map units) on `display`, in
    // drawing order.
    void candidates(const host::GraphicsContainer& container, const host::Envelope& area, const host::Display& display,
                    std::vector<host::ElementPtr>& out) const;

private:
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
