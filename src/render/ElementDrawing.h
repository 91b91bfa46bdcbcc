#pragma once
// Drawing of graphic elements, one function per element kind. What each draws covers exactly
// the bounds the element reports on the canvas's display (Element::queryBounds), so charts
// placed by their bounds stand where they are drawn.
#include "host/Element.h"
#include "render/Canvas.h"

namespace render {

// Any element, by its kind; groups draw their members in order (the last on top).
void drawElement(Canvas& canvas, const host::Element& element, int depth = 0);
// A marker symbol or a whole bar chart at the element's point.
void drawMarkerElement(Canvas& canvas, const host::MarkerElement& element);
// The text in its symbol's font, size, colour and alignments, each line at the baseline
// host::layoutText gives it.
void drawTextElement(Canvas& canvas, const host::TextElement& element);
// A polyline (or the rings of a polygon, or an envelope's edge) with the element's line symbol.
void drawLineElement(Canvas& canvas, const host::LineElement& element);
// A polygon or an envelope with the element's fill symbol.
void drawPolygonElement(Canvas& canvas, const host::PolygonElement& element);
void drawGroupElement(Canvas& canvas, const host::GroupElement& element, int depth = 0);

// The selection highlight around the element's bounds.
void drawElementHighlight(Canvas& canvas, const host::Element& element);

// An element's bounds on the canvas's display, in device pixels.
DeviceBox deviceBounds(const Canvas& canvas, const host::Element& element);

}  // namespace render
