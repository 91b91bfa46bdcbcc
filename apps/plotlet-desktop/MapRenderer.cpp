#include "plotlet-desktop/MapRenderer.h"

#include <algorithm>
#include <cmath>

#include "host/Layer.h"
#include "render/ElementDrawing.h"
#include "render/LayerDrawing.h"

namespace desktop {

namespace {

// Containers up to this size have every element measured, so their margins are exact; larger
// ones (a chart run over a big layer) a sample of this many elements spread over the container:
// enough to meet every kind of chart a run makes, without measuring a million texts on every
// rebuild.
constexpr std::size_t kMarginSample = 20'000;

host::IndexBox boxOf(const host::Envelope& e) { return {e.xMin(), e.yMin(), e.xMax(), e.yMax()}; }

bool tiedLayerHidden(const host::GraphicsLayer& layer) {
    const host::FeatureLayerPtr tied = layer.associatedLayer();
    return tied && !tied->visible();
}

void buildContainer(ContainerIndex& ci, const host::GraphicsContainer& container, const host::Display& display) {
    ci.container = &container;
    ci.builtCount = container.elementCount();
    ci.elements = container.elementsSnapshot();
    std::vector<host::SpatialIndex::Entry> entries;
    entries.reserve(ci.elements.size());
    for (std::size_t i = 0; i < ci.elements.size(); ++i) {
        const host::GeometryPtr& g = ci.elements[i]->geometry();
        if (!g || g->isEmpty()) continue;
        entries.push_back({boxOf(g->envelope()), static_cast<std::uint32_t>(i)});
    }
    ci.index.build(std::move(entries));
    // The largest reach of what an element draws beyond its geometry, side by side.
    double reach[4] = {0, 0, 0, 0};
    const std::size_t n = ci.elements.size();
    const std::size_t step = n <= kMarginSample ? 1 : n / kMarginSample;
    for (std::size_t i = 0; i < n; i += step) {
        const host::Element& element = *ci.elements[i];
        const host::GeometryPtr& g = element.geometry();
        if (!g || g->isEmpty()) continue;
        const host::Envelope geometry = g->envelope();
        const host::Envelope drawn = element.queryBounds(display);
        if (drawn.isEmpty()) continue;
        reach[0] = std::max(reach[0], geometry.xMin() - drawn.xMin());
        reach[1] = std::max(reach[1], geometry.yMin() - drawn.yMin());
        reach[2] = std::max(reach[2], drawn.xMax() - geometry.xMax());
        reach[3] = std::max(reach[3], drawn.yMax() - geometry.yMax());
    }
    // Elements outside a sample may reach a little further (a longer label).
    const double kSafety = step > 1 ? 1.5 : 1.0;
    const double mupp = display.mapUnitsPerPoint();
    ci.reachInPoints = !(display.displayTransformation().referenceScale() > 0);
    for (int side = 0; side < 4; ++side) {
        const double r = std::max(0.0, reach[side]) * kSafety;
        ci.reach[side] = ci.reachInPoints ? (mupp > 0 ? r / mupp : 0) : r;
    }
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

void ViewIndex::update(const host::Map& map, const host::Display& display) {
    const std::vector<ContainerRef> refs = graphicsContainers(map);
    std::vector<ContainerIndex> next;
    next.reserve(refs.size());
    for (const ContainerRef& ref : refs) {
        const host::GraphicsContainer& container = ref.layer->container();
        const auto old = std::find_if(containers_.begin(), containers_.end(),
                                      [&](const ContainerIndex& c) { return c.container == &container; });
        if (!stale_ && old != containers_.end() && old->builtCount == container.elementCount()) {
            next.push_back(std::move(*old));
            continue;
        }
        ContainerIndex ci;
        buildContainer(ci, container, display);
        next.push_back(std::move(ci));
    }
    containers_ = std::move(next);
    stale_ = false;
}

const ContainerIndex* ViewIndex::find(const host::GraphicsContainer& container) const {
    for (const ContainerIndex& c : containers_) {
        if (c.container == &container) return &c;
    }
    return nullptr;
}

void ViewIndex::candidates(const host::GraphicsContainer& container, const host::Envelope& area, double mapUnitsPerPoint,
                           std::vector<host::ElementPtr>& out) const {
    out.clear();
    const ContainerIndex* ci = find(container);
    if (!ci) {
        // Not indexed (a container that appeared since the last update): everything.
        out = container.elementsSnapshot();
        return;
    }
    const double k = ci->reachInPoints ? mapUnitsPerPoint : 1.0;
    // An element is a candidate when its geometry lies within the area grown by how far
    // drawings reach toward it: a drawing reaching left shows when its geometry is right of the
    // area, and so on.
    host::IndexBox box = boxOf(area);
    box.xmin -= ci->reach[2] * k;
    box.ymin -= ci->reach[3] * k;
    box.xmax += ci->reach[0] * k;
    box.ymax += ci->reach[1] * k;
    std::vector<std::uint32_t> hits;
    ci->index.query(box, hits);
    out.reserve(hits.size());
    for (const std::uint32_t i : hits) out.push_back(ci->elements[i]);
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
            index.candidates(refs[i].layer->container(), t.visibleBounds(), t.mapUnitsPerPoint(), shown[i]);
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
