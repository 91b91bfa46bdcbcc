#include "render/SymbolPreview.h"

#include <typeinfo>

#include "host/ChartGeometry.h"
#include "host/Element.h"
#include "render/Canvas.h"
#include "render/ElementDrawing.h"
#include "render/Error.h"
#include "render/SymbolDrawing.h"

namespace render {
namespace {

const char* const kSource = "Plotlet.DrawSymbol";

template <class T>
const T* as(const host::Geometry& g) {
    return typeid(g) == typeid(T) ? static_cast<const T*>(&g) : nullptr;
}

void drawSample(Canvas& canvas, const host::TextSymbol& symbol, const host::Polyline& line) {
    if (line.paths().empty() || line.paths().front().empty()) return;
    const auto& path = line.paths().front();
    const host::XY a = path.front(), b = path.back();
    auto centred = std::static_pointer_cast<host::TextSymbol>(symbol.cloneSymbol());
    centred->setHorizontalAlignment(static_cast<int>(host::HorizontalAlignment::Center));
    centred->setVerticalAlignment(static_cast<int>(host::VerticalAlignment::Center));
    host::TextElement sample;
    sample.setText("AaBbYyZz");
    sample.setSymbol(centred);
    sample.setGeometry(std::make_shared<host::Point>((a.x + b.x) / 2, (a.y + b.y) / 2));
    drawTextElement(canvas, sample);
}

}  // namespace

void drawSymbol(DeviceContext& dc, const host::DisplayTransformation& transformation, const host::Symbol& symbol,
                const host::Geometry& shape) {
    const BitmapHandle& bitmap = dc.selectedBitmap();
    if (!bitmap) raise(code::BadSize, kSource, "The device context has no bitmap to draw on.");
    ContextPtr cr(cairo_create(bitmap->surface()));
    {
        Canvas canvas(cr.get(), transformation);
        if (const auto* marker = dynamic_cast<const host::MarkerSymbol*>(&symbol); marker && as<host::Point>(shape)) {
            host::XY p = as<host::Point>(shape)->xy();
            if (const auto* chart = dynamic_cast<const host::BarChartSymbol*>(marker)) {
                p.y -= host::chartBox(*chart, p, canvas.mapUnitsPerPoint()).height() / 2;
            }
            drawMarkerSymbol(canvas, *marker, p);
        } else if (const auto* line = dynamic_cast<const host::LineSymbol*>(&symbol); line && as<host::Polyline>(shape)) {
            drawLineSymbol(canvas, *line, *as<host::Polyline>(shape));
        } else if (const auto* fill = dynamic_cast<const host::FillSymbol*>(&symbol); fill && as<host::Envelope>(shape)) {
            drawFillSymbol(canvas, *fill, *as<host::Envelope>(shape));
        } else if (fill && as<host::Polygon>(shape)) {
            drawFillSymbol(canvas, *fill, *as<host::Polygon>(shape));
        } else if (const auto* text = dynamic_cast<const host::TextSymbol*>(&symbol); text && as<host::Polyline>(shape)) {
            drawSample(canvas, *text, *as<host::Polyline>(shape));
        } else {
            raise(code::BadFormat, kSource, "A " + symbol.className() + " cannot be drawn on a " + shape.className() + ".");
        }
        canvas.check("Drawing a symbol");
    }
    cr.reset();
    cairo_surface_flush(bitmap->surface());
}

}  // namespace render
