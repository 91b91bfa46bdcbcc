#pragma once
// PNG files of images. Maps are large flat areas with sharp edges: the fastest zlib level with
// the "up" filter writes them about three times faster than cairo's PNG writer, in files no
// larger. The resolution goes into the file's pHYs chunk.
#include <cairo.h>

#include <string>

namespace render {

// Writes an ARGB32 or RGB24 image surface as PNG atomically: opaque images as 8-bit RGB,
// others as 8-bit RGBA (colours un-premultiplied). Render or host errors name the file.
void writePng(cairo_surface_t* image, const std::string& path, double dpi = 96.0);

}  // namespace render
