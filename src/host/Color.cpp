#include "host/Color.h"

#include "host/Error.h"

namespace host {

RgbColor RgbColor::fromRgb(int red, int green, int blue) {
    auto clamp = [](int v) { return static_cast<std::uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return RgbColor(clamp(red) | (clamp(green) << 8) | (clamp(blue) << 16));
}

void RgbColor::setRGB(std::uint32_t value) {
    if (value > 0xFFFFFFu) raiseHost(1, "RgbColor.RGB", "The colour value is out of range.");
    value_ = value;
}

}  // namespace host
