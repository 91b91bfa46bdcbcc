#pragma once
// Device contexts as the symbol previews use them: a context has a resolution and draws into
// the bitmap selected into it. A memory context starts with a 1 × 1 stock bitmap; selecting
// another returns the one it replaces, as the platform's graphics interface does, so callers
// can put the old one back before they let the context go.
#include <cstdint>
#include <memory>

#include "host/Display.h"
#include "render/Bitmap.h"

namespace render {

// Device capability indexes as the platform numbers them.
namespace caps {
inline constexpr int HorizontalResolution = 8;  // width in pixels
inline constexpr int VerticalResolution = 10;   // height in pixels
inline constexpr int BitsPerPixel = 12;
inline constexpr int LogPixelsX = 88;  // dots per inch
inline constexpr int LogPixelsY = 90;
}  // namespace caps

class DeviceContext {
public:
    // A context of a display with that resolution (dots per inch); one that is not a positive
    // number is an unknown resolution, which the capability query reports as 0.
    explicit DeviceContext(double dpi = 96.0);
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // A memory context compatible with `dc` (its resolution), or with the screen (96 dpi) when
    // `dc` is null.
    static std::unique_ptr<DeviceContext> createCompatible(const DeviceContext* dc);
    // A bitmap of the context's resolution; the null handle when the size is refused.
    BitmapHandle createCompatibleBitmap(int width, int height) const;
    // Selects `bitmap` and returns the one it replaces; a null handle selects nothing and
    // returns the null handle.
    BitmapHandle selectObject(BitmapHandle bitmap);
    const BitmapHandle& selectedBitmap() const { return bitmap_; }

    double resolution() const { return dpi_; }
    // The capability at `index` (caps::…), 0 for indexes it does not know.
    int deviceCaps(int index) const;

private:
    double dpi_;
    BitmapHandle bitmap_;
};

class SolidBrush {
public:
    std::uint32_t color() const { return color_; }

private:
    friend std::unique_ptr<SolidBrush> createSolidBrush(std::int64_t color);
    explicit SolidBrush(std::uint32_t color) : color_(color) {}
    std::uint32_t color_;
};

// A brush of the colour value 0x00BBGGRR; empty for a value that is not a 24-bit colour.
std::unique_ptr<SolidBrush> createSolidBrush(std::int64_t color);

// Fills the rectangle (left, top inclusive; right, bottom exclusive) of the context's bitmap;
// false when there is no context or no bitmap.
bool fillRect(DeviceContext* dc, const host::DeviceFrame& rect, const SolidBrush& brush);

}  // namespace render
