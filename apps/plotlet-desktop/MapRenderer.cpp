#include "plotlet-desktop/MapRenderer.h"

#include <algorithm>
#include <cmath>

#include "host/Layer.h"
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

void drawMapView(cairo_t* cr, const host::Map& map, const host::DisplayTransformation& t, const ViewIndex& index,
                 const render::ProgressCallback& progress) {
    const host::DeviceFrame& frame = t.deviceFrame();
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
