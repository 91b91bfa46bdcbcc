#pragma once
// A symbol drawn into a device context, as the host's symbols draw themselves when a caller
// prepares one for a context with a transformation, draws a shape and resets it: markers on a
// point, lines (and texts) along a polyline, fills on a polygon or an envelope.
#include "host/Display.h"
#include "host/Geometry.h"
#include "host/Symbol.h"
#include "render/DeviceContext.h"

namespace render {

// Draws on the bitmap selected into `dc`. A bar chart marker is centred on its point (its box,
// not its base, stands there), so previews show it whole. A text symbol writes a sample
// ("AaBbYyZz") centred on the middle of the line. Render errors: no bitmap in the context, or
// a shape that does not suit the symbol.
void drawSymbol(DeviceContext& dc, const host::DisplayTransformation& transformation, const host::Symbol& symbol,
                const host::Geometry& shape);

}  // namespace render
