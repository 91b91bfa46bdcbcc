#include "render/DeviceContext.h"

#include <algorithm>
#include <cmath>

namespace render {

DeviceContext::DeviceContext(double dpi) : dpi_(dpi > 0 && std::isfinite(dpi) ? dpi : 0.0), bitmap_(Bitmap::create(1, 1, dpi_)) {}

std::unique_ptr<DeviceContext> DeviceContext::createCompatible(const DeviceContext* dc) {
    return std::make_unique<DeviceContext>(dc ? dc->resolution() : 96.0);
}

BitmapHandle DeviceContext::createCompatibleBitmap(int width, int height) const { return Bitmap::create(width, height, dpi_); }

BitmapHandle DeviceContext::selectObject(BitmapHandle bitmap) {
    if (!bitmap) return nullptr;
    std::swap(bitmap, bitmap_);
    return bitmap;
}

int DeviceContext::deviceCaps(int index) const {
    switch (index) {
    case caps::HorizontalResolution: return bitmap_ ? bitmap_->width() : 0;
    case caps::VerticalResolution: return bitmap_ ? bitmap_->height() : 0;
    case caps::BitsPerPixel: return 32;
    case caps::LogPixelsX:
    case caps::LogPixelsY: return static_cast<int>(std::lround(dpi_));
    default: return 0;
    }
}

std::unique_ptr<SolidBrush> createSolidBrush(std::int64_t color) {
    if (color < 0 || color > 0xFFFFFF) return nullptr;
    return std::unique_ptr<SolidBrush>(new SolidBrush(static_cast<std::uint32_t>(color)));
}

bool fillRect(DeviceContext* dc, const host::DeviceFrame& rect, const SolidBrush& brush) {
    if (!dc || !dc->selectedBitmap()) return false;
    cairo_surface_t* surface = dc->selectedBitmap()->surface();
    ContextPtr cr(cairo_create(surface));
    const std::uint32_t c = brush.color();
    cairo_set_source_rgb(cr.get(), (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0);
    const int left = std::min(rect.left, rect.right), right = std::max(rect.left, rect.right);
    const int top = std::min(rect.top, rect.bottom), bottom = std::max(rect.top, rect.bottom);
    cairo_rectangle(cr.get(), left, top, right - left, bottom - top);
    cairo_fill(cr.get());
    cairo_surface_flush(surface);
    return cairo_status(cr.get()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace render
