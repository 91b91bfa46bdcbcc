#include "render/ViewDrawing.h"

#include <cmath>

#include "render/Canvas.h"
#include "render/LayerDrawing.h"

namespace render {

void drawView(cairo_t* cr, host::MxDocument& document, const host::RefreshEvent& event) {
    if (!cr || !document.focusMap()) return;
    const host::DisplayTransformation& t = document.activeView().screenDisplay().displayTransformation();
    const host::DeviceFrame& frame = t.deviceFrame();
    cairo_save(cr);
    if (!event.full && !event.area.isEmpty()) {
        Canvas mapper(nullptr, t, Canvas::Mode::Measure);
        const host::XY a = mapper.toDevice({event.area.xMin(), event.area.yMax()});
        const host::XY b = mapper.toDevice({event.area.xMax(), event.area.yMin()});
        if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) {
            cairo_restore(cr);
            return;
        }
        // Whole pixels, so the repainted area has no seam with what stays.
        cairo_rectangle(cr, std::floor(a.x), std::floor(a.y), std::ceil(b.x) - std::floor(a.x), std::ceil(b.y) - std::floor(a.y));
        cairo_clip(cr);
    }
    cairo_rectangle(cr, frame.left, frame.top, frame.width(), frame.height());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    {
        Canvas canvas(cr, t);
        drawMap(canvas, *document.focusMap());
        drawElementSelection(canvas, *document.focusMap());
    }
    cairo_restore(cr);
}

}  // namespace render
