#include "plotlet-desktop/MapRenderer.h"

#include <algorithm>
#include <cmath>

#include "host/Layer.h"
#include "render/BandDrawing.h"
#include "render/ElementDrawing.h"
#include "render/LayerDrawing.h"

namespace desktop {

namespace {

bool tiedLayerHidden(const host::GraphicsLayer& layer) {
    const host::FeatureLayerPtr tied = layer.associatedLayer();
    return tied && !tied->visible();
}

}  // namespace

std::vector<ContainerRef> graphicsContainers(const host::Map& map) {
    std::vector<ContainerRef> out;
    const host::CompositeGraphicsLayerPtr& basic = map.basicGraphicsLayer();
    if (!basic) return out;
    const bool basicShown = basic->visible() && !tiedLayerHidden(*basic);
    out.push_back({basic.get(), basicShown});
    for (const host::GraphicsLayerPtr& sub : basic->layers()) {
        if (sub) out.push_back({sub.get(), basicShown && sub->visible() && !tiedLayerHidden(*sub)});
    }
    return out;
}

void ViewIndex::update(const host::Map& map, const host::Display&) {
    if (!stale_) return;
    for (const ContainerRef& ref : graphicsContainers(map)) ref.layer->container().refreshSpatialIndex();
    stale_ = false;
}

void ViewIndex::candidates(const host::GraphicsContainer& container, const host::Envelope& area, const host::Display& display,
                           std::vector<host::ElementPtr>& out) const {
    out.clear();
    std::vector<const host::Element*> found;
    if (!container.elementsWithin(area, display, found)) {
        // Most of the container shows and it has no index yet: all of it.
        out = container.elementsSnapshot();
        return;
    }
    out.reserve(found.size());
    for (const host::Element* element : found) {
        if (host::ElementPtr shared = container.shared(element)) out.push_back(std::move(shared));
    }
}

namespace {

// Whether `cr` draws straight onto the pixels of an image of the frame (no clip, no
// transformation): a view of a great many elements is then drawn in bands on every core.
bool drawsOnWholeImage(cairo_t* cr, const host::DeviceFrame& frame) {
    cairo_surface_t* target = cairo_get_target(cr);
    if (cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE || !cairo_image_surface_get_data(target)) return false;
    if (cairo_image_surface_get_width(target) != frame.width() || cairo_image_surface_get_height(target) != frame.height() ||
        frame.left != 0 || frame.top != 0)
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    return m.xx == 1 && m.yy == 1 && m.xy == 0 && m.yx == 0 && m.x0 == 0 && m.y0 == 0 && x0 <= 0 && y0 <= 0 &&
           x1 >= frame.width() && y1 >= frame.height();
}

}  // namespace

void drawMapView(cairo_t* cr, const host::Map& map, const host::DisplayTransformation& t, const ViewIndex& index,
                 const render::ProgressCallback& progress) {
    const host::DeviceFrame& frame = t.deviceFrame();
    const bool wholeImage = drawsOnWholeImage(cr, frame);
    cairo_save(cr);
    cairo_rectangle(cr, frame.left, frame.top, frame.width(), frame.height());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    {
        render::Canvas canvas(cr, t);
        // The view with the margin of the drawing's culling test (anti-aliased edges).
        const host::Envelope& visible = t.visibleBounds();
        const double margin = t.pixelsPerMapUnit() > 0 ? 4.0 / t.pixelsPerMapUnit() : 0.0;
        const host::Envelope area = visible.isEmpty() ? visible
                                                      : host::Envelope(visible.xMin() - margin, visible.yMin() - margin,
                                                                       visible.xMax() + margin, visible.yMax() + margin);
        // Progress counts features and the elements that may show, so a cancel is seen often.
        std::vector<ContainerRef> refs = graphicsContainers(map);
        std::vector<std::vector<host::ElementPtr>> shown(refs.size());
        std::size_t work = 0;
        for (const auto& layer : map.layers()) {
            if (layer && layer->visible()) {
                std::vector<host::FeatureLayerPtr> features;
                host::collectFeatureLayers(layer, features);
                for (const auto& f : features) {
                    if (f->visible() && f->valid()) work += f->featureClass()->featureCount();
                }
            }
        }
        for (std::size_t i = 0; i < refs.size(); ++i) {
            if (!refs[i].shown) continue;
            index.candidates(refs[i].layer->container(), area, canvas.display(), shown[i]);
            work += shown[i].size();
        }
        std::size_t candidates = 0;
        for (const auto& list : shown) candidates += list.size();
        if (wholeImage && candidates >= render::kBandedDrawingFrom) {
            // Most of a big map shows: every core draws bands of the view, passing over the
            // charts that others cover whole; the same pixels as drawn below.
            shown.clear();
            cairo_surface_flush(cairo_get_target(cr));
            render::drawMapInBands(cairo_get_target(cr), map, t, progress);
            for (const auto& element : map.selectedElements()) {
                if (element) render::drawElementHighlight(canvas, *element);
            }
            cairo_restore(cr);
            return;
        }
        canvas.setProgress(progress, work);
        const auto& layers = map.layers();
        for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
            if (*it) render::drawLayer(canvas, **it);
        }
        for (const auto& elements : shown) {
            for (const host::ElementPtr& element : elements) {
                render::drawElement(canvas, *element);
                canvas.tick();
            }
        }
        std::vector<host::FeatureLayerPtr> features = map.featureLayers();
        for (const auto& f : features) {
            if (f->visible() && f->selectionCount() > 0) render::drawFeatureSelection(canvas, *f);
        }
        for (const auto& element : map.selectedElements()) {
            if (element) render::drawElementHighlight(canvas, *element);
        }
        canvas.finishProgress();
    }
    cairo_restore(cr);
}

}  // namespace desktop
