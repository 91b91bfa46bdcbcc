#include "render/CairoDisplay.h"

#include <algorithm>
#include <cmath>

#include "host/MxDocument.h"
#include "render/Fonts.h"

namespace render {

CairoDisplay::CairoDisplay() : CairoDisplay(1000, 1000, 96.0) {}

CairoDisplay::CairoDisplay(int widthPixels, int heightPixels, double dpi) {
    transformation_.setDeviceFrame({0, 0, std::max(1, widthPixels), std::max(1, heightPixels)});
    transformation_.setResolution(dpi > 0 && std::isfinite(dpi) ? dpi : 96.0);
}

host::TextExtent CairoDisplay::measureText(const host::FontSpec& font, std::string_view text) const {
    return render::measureText(font, text);
}

void install() {
    host::setDisplayFactory([] { return std::make_unique<CairoDisplay>(); });
}

}  // namespace render
