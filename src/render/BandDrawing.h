#pragma once
// A big map drawn onto a picture band by band, on every core. The charts of a big map fall
// anywhere on the picture and most of its drawing is writing their bars' pixels: a band small
// enough to stay in a core's cache takes those writes many times faster than the whole picture
// does, and two cores draw two bands at once. Each band draws the map exactly as the whole
// picture would (same order, same pixels), limited to its rows: the elements of each graphics
// container are first sorted into the bands where they may show.
#include <cairo.h>

#include <cstddef>

#include "host/Display.h"
#include "host/Map.h"
#include "render/Canvas.h"

namespace render {

// Units of drawing work (see drawingWork) from which a picture is drawn in bands.
inline constexpr std::size_t kBandedDrawingFrom = 20'000;

// Draws `map` onto `surface`, an image of `transformation`'s frame drawn on nothing else yet
// (its background already painted), in bands on up to `threads` threads (0: as many as the
// machine has cores). Progress is reported from the calling thread as the sum of what every
// band has drawn (the work of a chart that spans two bands counts twice, and the reports stop
// short of the end when another thread draws the last bands); a cancel stops every band.
// Render errors as drawMap's; a cairo failure of any band is raised as the drawing's.
void drawMapInBands(cairo_surface_t* surface, const host::Map& map, const host::DisplayTransformation& transformation,
                    const ProgressCallback& progress, unsigned threads = 0);

// What drawMap draws, measured (the device box a measuring canvas records), with the elements of
// big graphics containers measured on up to `threads` threads (0: as many as there are cores).
DeviceBox measureMap(const host::Map& map, const host::DisplayTransformation& transformation, unsigned threads = 0);

}  // namespace render
