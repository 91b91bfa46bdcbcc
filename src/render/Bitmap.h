#pragma once
// A device-dependent bitmap: 32-bit pixels (no alpha, as a screen's) with the resolution of the
// device it was made for. Bitmaps are shared: the device context that has one selected and the
// picture that owns it hold the same bitmap.
#include <cstdint>
#include <memory>
#include <string>

#include "render/Cairo.h"

namespace render {

class Bitmap {
public:
    // Empty when a side is not 1 … 32767 pixels or the memory cannot be had; a resolution that
    // is not a positive number is kept as 0 (unknown).
    static std::shared_ptr<Bitmap> create(int width, int height, double dpi);

    int width() const { return width_; }
    int height() const { return height_; }
    double resolution() const { return dpi_; }
    cairo_surface_t* surface() const { return surface_.get(); }
    // The colour value 0x00BBGGRR of a pixel; black outside the bitmap. A new bitmap is black.
    std::uint32_t pixel(int x, int y) const;
    // Saved as PNG (atomically).
    void writePng(const std::string& path) const;

private:
    Bitmap(SurfacePtr surface, int width, int height, double dpi);
    SurfacePtr surface_;
    int width_, height_;
    double dpi_;
};

// A bitmap handle: empty is the null handle.
using BitmapHandle = std::shared_ptr<Bitmap>;

}  // namespace render
