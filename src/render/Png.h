#pragma once
// PNG files of images. Map pictures are large flat areas with sharp edges: compressed at once
// with libdeflate's fastest level and no row filter they are written four to five times faster
// than by libpng's defaults, and come out smaller. Pictures whose pixels exceed
// `inMemoryLimit` bytes are compressed row by row with zlib instead (the "up" filter), so a huge
// picture does not need a second copy of itself in memory. The resolution goes into the pHYs
// chunk.
#include <cairo.h>

#include <cstddef>
#include <string>

namespace render {

inline constexpr std::size_t kPngInMemoryLimit = 256u << 20;

// Writes an ARGB32 or RGB24 image surface as PNG atomically: opaque images as 8-bit RGB,
// others as 8-bit RGBA (colours un-premultiplied). Render or host errors name the file.
void writePng(cairo_surface_t* image, const std::string& path, double dpi = 96.0, std::size_t inMemoryLimit = kPngInMemoryLimit);

}  // namespace render
