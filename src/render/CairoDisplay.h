#pragma once
// The display the host measures on and draws with: a display transformation (visible bounds,
// device frame, resolution, map and reference scale, map units per point as the host fixes
// them) and text metrics of real fonts through cairo and fontconfig.
#include <memory>
#include <string_view>

#include "host/Display.h"

namespace render {

class CairoDisplay final : public host::Display {
public:
    // A 1000 × 1000 pixel frame at 96 dots per inch; the bounds are empty until set.
    CairoDisplay();
    // A frame of the given pixels and resolution (sizes below 1 pixel count as 1; a resolution
    // that is not a positive number counts as 96).
    CairoDisplay(int widthPixels, int heightPixels, double dpi);

    host::DisplayTransformation& displayTransformation() override { return transformation_; }
    const host::DisplayTransformation& displayTransformation() const override { return transformation_; }
    // Advance width and the font's ascent and descent in points; never fails (see Fonts.h).
    host::TextExtent measureText(const host::FontSpec& font, std::string_view text) const override;

private:
    host::DisplayTransformation transformation_;
};

// Makes CairoDisplay the screen display of every view the host creates from now on.
void install();

}  // namespace render
