#include "render/Bitmap.h"

#include <cmath>

#include "render/Export.h"
#include "render/Png.h"

namespace render {

std::shared_ptr<Bitmap> Bitmap::create(int width, int height, double dpi) {
    if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return nullptr;
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return std::shared_ptr<Bitmap>(new Bitmap(std::move(surface), width, height, dpi > 0 && std::isfinite(dpi) ? dpi : 0.0));
}

Bitmap::Bitmap(SurfacePtr surface, int width, int height, double dpi)
    : surface_(std::move(surface)), width_(width), height_(height), dpi_(dpi) {}

std::uint32_t Bitmap::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    cairo_surface_flush(surface_.get());
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    const auto p = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

void Bitmap::writePng(const std::string& path) const { render::writePng(surface_.get(), path, dpi_ > 0 ? dpi_ : 96.0); }

}  // namespace render
