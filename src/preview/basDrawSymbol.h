#pragma once
// The module basDrawSymbol: host symbols drawn into device contexts and turned into pictures
// that an image list can hold (the previews beside the chart fields of the main dialog).
//
// Device contexts are passed as pointers; a null pointer is the zero device context. Failures
// are absorbed as the procedures document (false or nothing comes back); each absorbed failure
// is handed, with its number, source and description, to the failure observer when one is set.
#include <cstdint>
#include <functional>
#include <memory>

#include "host/Display.h"
#include "host/Geometry.h"
#include "host/Symbol.h"
#include "render/DeviceContext.h"
#include "render/Picture.h"
#include "runtime/Error.h"

namespace plotlet::basDrawSymbol {

// The numbers raised inside the module (0x80040000 + 7002 … 7008).
inline constexpr std::int32_t errClearFailed = static_cast<std::int32_t>(0x80041B5Au);
inline constexpr std::int32_t errBrushFailed = static_cast<std::int32_t>(0x80041B5Bu);
inline constexpr std::int32_t errNoResolution = static_cast<std::int32_t>(0x80041B5Eu);
inline constexpr std::int32_t errNoTransformationOrGeometry = static_cast<std::int32_t>(0x80041B60u);

// A picture of `width` × `height` pixels showing the symbol `gap` pixels inside its edges on
// white, drawn in a memory context compatible with `dc`. `bitmap` receives the picture's
// bitmap. Nothing when the bitmap or the memory context cannot be made (a picture whose drawing
// failed still comes back, white).
render::PicturePtr CreatePictureFromSymbol(render::DeviceContext* dc, render::BitmapHandle& bitmap, const host::SymbolPtr& symbol,
                                           int width, int height, int gap);
// Clears (0, 0, width, height) to white and draws the symbol on the shape CreateSymbolShape
// gives for the envelope (gap, gap)–(width − gap, height − gap). False for the zero context
// and on any failure.
bool DrawToDC(render::DeviceContext* dc, int width, int height, const host::SymbolPtr& symbol, int gap);
// Fills the rectangle with a solid brush of the colour value; false on any failure (a colour
// that makes no brush, the zero context).
bool Clear(render::DeviceContext* dc, std::int64_t color, int left, int top, int right, int bottom);
// A transformation whose visible and full bounds are (0, 0)–(width, height), device frame the
// same in pixels, resolution the context's vertical dots per inch. Nothing when the context
// reports no resolution.
std::shared_ptr<host::DisplayTransformation> CreateTransFromDC(render::DeviceContext* dc, int width, int height);
// The envelope's centre point for a marker symbol, the diagonal from its lower-left to its
// upper-right corner for line and text symbols, the envelope itself for any other symbol.
// Nothing without a symbol or for an empty envelope.
host::GeometryPtr CreateSymbolShape(const host::SymbolPtr& symbol, const host::Envelope& envelope);
// A picture that takes ownership of the bitmap.
render::PicturePtr BitmapToPicture(render::BitmapHandle bitmap);

using FailureObserver = std::function<void(const runtime::Error&)>;
void SetFailureObserver(FailureObserver observer);

}  // namespace plotlet::basDrawSymbol
