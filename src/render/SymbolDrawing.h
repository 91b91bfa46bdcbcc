#pragma once
// Drawing of the host's symbols on a canvas, one function per symbol kind. Positions are map
// units unless a name says device; sizes are points scaled as Canvas describes. Every function
// first works out the pixel box it covers and returns at once when that box is off the frame,
// so a map draws only what shows.
#include <string_view>
#include <vector>

#include "host/Geometry.h"
#include "host/Symbol.h"
#include "render/Canvas.h"

namespace render {

// Any marker symbol at a map point: simple markers and bar charts.
void drawMarkerSymbol(Canvas& canvas, const host::MarkerSymbol& symbol, host::XY point);
// Circle, square, cross, X or diamond of the symbol's size, turned by its angle, moved by its
// offsets, with its outline when that is on.
void drawSimpleMarker(Canvas& canvas, const host::SimpleMarkerSymbol& symbol, host::XY point);
// A bar chart whose box stands with the middle of its bottom edge on `point`, bar k in fill
// symbol k of the chart's symbol array (bars beyond the array in plain grey), with the leader
// of its callout background below the bars. Charts under a pixel draw as one dab of the colour
// of their tallest bar.
void drawBarChart(Canvas& canvas, const host::BarChartSymbol& symbol, host::XY point);

// A line along every path of a polyline, with round joins and caps (the line's bounds are its
// geometry's envelope grown by half its width, and nothing is drawn beyond).
void drawLineSymbol(Canvas& canvas, const host::LineSymbol& symbol, const host::Polyline& line);
// The rings of a polygon as closed lines.
void drawLineSymbol(Canvas& canvas, const host::LineSymbol& symbol, const host::Polygon& rings);

// An area with a fill symbol: simple fills (solid, hollow, the six hatches) with their outline,
// multi-layer fills (last layer at the bottom), line fills as lines at their angle and
// separation, marker fills as their markers on a grid, picture fills as a tint of their colour.
void drawFillSymbol(Canvas& canvas, const host::FillSymbol& symbol, const host::Polygon& polygon);
void drawFillSymbol(Canvas& canvas, const host::FillSymbol& symbol, const host::Envelope& area);
// A device rectangle (a bar) with a fill symbol; the common solid fill with a solid outline
// takes two rectangle fills instead of a fill and a stroke.
void fillDeviceRect(Canvas& canvas, const host::FillSymbol& symbol, double x0, double y0, double x1, double y1);

// One line of text with its first glyph's baseline origin at `origin` (device pixels), turned
// by `angle` degrees counter-clockwise, in the canvas's current colour.
void drawTextRun(Canvas& canvas, const Font& font, std::string_view text, double pixels, host::XY origin, double angle,
                 bool underline);
// The same for a run already shaped (see Font::visitGlyphs).
void drawGlyphRun(Canvas& canvas, const Font& font, const GlyphRun& run, double pixels, host::XY origin, double angle,
                  bool underline);

// The selection highlight around a device box: a dashed frame with eight handles.
void drawSelectionFrame(Canvas& canvas, const DeviceBox& box);

// Pixel width of a line of `points` on this canvas: a width of 0 is the thinnest line a
// device shows (one pixel), as the host's pens do.
double linePixels(const Canvas& canvas, double points);

}  // namespace render
