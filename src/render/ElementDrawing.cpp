#include "render/ElementDrawing.h"

#include <cmath>
#include <limits>
#include <typeinfo>

#include "render/SymbolDrawing.h"

namespace render {
namespace {

using host::XY;

bool finite(XY p) { return std::isfinite(p.x) && std::isfinite(p.y); }

template <class T, class U>
const T* exactly(const U& object) {
    return typeid(object) == typeid(T) ? static_cast<const T*>(&object) : nullptr;
}

// Where a marker or a text stands: its point, or the middle of another geometry (as the host
// measures it). NaN when there is none.
XY anchorOf(const host::Element& element) {
    const host::GeometryPtr& g = element.geometry();
    if (!g || g->isEmpty()) return {std::nan(""), std::nan("")};
    if (const auto* p = exactly<host::Point>(*g)) return p->xy();
    return g->envelope().centre();
}

host::Polygon ringOf(const host::Envelope& e) {
    host::Polygon polygon;
    polygon.addRing({{e.xMin(), e.yMin()}, {e.xMin(), e.yMax()}, {e.xMax(), e.yMax()}, {e.xMax(), e.yMin()}});
    return polygon;
}

}  // namespace

void drawElement(Canvas& canvas, const host::Element& element, int depth) {
    if (const auto* marker = host::elementAs<host::MarkerElement>(element)) drawMarkerElement(canvas, *marker);
    else if (const auto* group = host::elementAs<host::GroupElement>(element)) drawGroupElement(canvas, *group, depth);
    else if (const auto* text = host::elementAs<host::TextElement>(element)) drawTextElement(canvas, *text);
    else if (const auto* line = host::elementAs<host::LineElement>(element)) drawLineElement(canvas, *line);
    else if (const auto* polygon = host::elementAs<host::PolygonElement>(element)) drawPolygonElement(canvas, *polygon);
}

void drawMarkerElement(Canvas& canvas, const host::MarkerElement& element) {
    if (!element.symbol()) return;
    const XY p = anchorOf(element);
    if (finite(p)) drawMarkerSymbol(canvas, *element.symbol(), p);
}

void drawTextElement(Canvas& canvas, const host::TextElement& element) {
    const host::TextSymbolPtr& symbol = element.symbol();
    if (!symbol || element.text().empty() || canvas.occluding()) return;  // texts hide nothing
    const XY p = anchorOf(element);
    if (!finite(p)) return;
    const double size = symbol->size();
    if (!(size > 0) || !std::isfinite(size)) return;
    const double q = element.scaleText() ? canvas.pixelsPerPoint() : canvas.pixelsPerPointUnscaled();
    const Font& font = canvas.font(symbol->font());
    const bool underline = symbol->font().underline;
    // Italics, swashes and accents reach beyond the advance box by up to about a quarter em.
    if (canvas.measuring()) canvas.noteOverhang(0.25 * size * q);

    if (symbol->angle() == 0.0 && element.text().find('\n') == std::string::npos) {
        // One straight line, the labels of charts: the layout of host::layoutText worked out
        // here without building its line list. The vertical place needs no glyphs, so most
        // labels off the frame are passed over before their text is looked up.
        const XY d = canvas.toDevice(p);
        const double ascent = font.ascent() * size, height = (font.ascent() + font.descent()) * size;
        const double top =
            host::alignTextBlock(symbol->horizontalAlignment(), symbol->verticalAlignment(), 0, ascent, height).top;
        constexpr double anyX = std::numeric_limits<double>::infinity();
        if (!canvas.visible({-anyX, d.y - top * q, anyX, d.y - (top - height) * q, false})) return;
        font.visitGlyphs(element.text(), [&](const GlyphRun& run) {
            const double width = run.advance * size;
            const host::TextBlockOffset o =
                host::alignTextBlock(symbol->horizontalAlignment(), symbol->verticalAlignment(), width, ascent, height);
            const DeviceBox box{d.x + o.left * q, d.y - o.top * q, d.x + (o.left + width) * q, d.y - (o.top - height) * q, false};
            if (!canvas.admit(box) || !canvas.setColor(symbol->color())) return;
            drawGlyphRun(canvas, font, run, size * q, {box.x0, d.y - (o.top - ascent) * q}, 0.0, underline);
        });
        return;
    }
    const host::TextLayout layout = host::layoutText(element, canvas.display());
    if (layout.box.isEmpty()) return;
    const XY a = canvas.toDevice({layout.box.xMin(), layout.box.yMax()}),
             b = canvas.toDevice({layout.box.xMax(), layout.box.yMin()});
    if (!canvas.admit({a.x, a.y, b.x, b.y, false}) || !canvas.setColor(symbol->color())) return;
    for (std::size_t i = 0; i < layout.lines.size() && i < layout.baselines.size(); ++i) {
        drawTextRun(canvas, font, layout.lines[i], size * q, canvas.toDevice(layout.baselines[i]), layout.angle, underline);
    }
}

void drawLineElement(Canvas& canvas, const host::LineElement& element) {
    const host::GeometryPtr& g = element.geometry();
    if (!element.symbol() || !g || g->isEmpty()) return;
    if (const auto* line = exactly<host::Polyline>(*g)) drawLineSymbol(canvas, *element.symbol(), *line);
    else if (const auto* polygon = exactly<host::Polygon>(*g)) drawLineSymbol(canvas, *element.symbol(), *polygon);
    else if (const auto* envelope = exactly<host::Envelope>(*g)) drawLineSymbol(canvas, *element.symbol(), ringOf(*envelope));
}

void drawPolygonElement(Canvas& canvas, const host::PolygonElement& element) {
    const host::GeometryPtr& g = element.geometry();
    if (!element.symbol() || !g || g->isEmpty()) return;
    if (const auto* polygon = exactly<host::Polygon>(*g)) drawFillSymbol(canvas, *element.symbol(), *polygon);
    else if (const auto* envelope = exactly<host::Envelope>(*g)) drawFillSymbol(canvas, *element.symbol(), *envelope);
}

void drawGroupElement(Canvas& canvas, const host::GroupElement& element, int depth) {
    // The group's elements are walked once here (a shared member drawn at its first place), not
    // group by group: a much-nested, much-shared group then draws in linear time.
    element.forEachMember([&](const host::Element& member) {
        if (!host::isElement<host::GroupElement>(member)) drawElement(canvas, member, depth + 1);
    });
}

DeviceBox deviceBounds(const Canvas& canvas, const host::Element& element) {
    const host::Envelope e = element.queryBounds(canvas.display());
    if (e.isEmpty()) return {};
    const XY a = canvas.toDevice({e.xMin(), e.yMax()}), b = canvas.toDevice({e.xMax(), e.yMin()});
    if (!finite(a) || !finite(b)) return {};
    return {a.x, a.y, b.x, b.y, false};
}

void drawElementHighlight(Canvas& canvas, const host::Element& element) {
    drawSelectionFrame(canvas, deviceBounds(canvas, element));
}

}  // namespace render
