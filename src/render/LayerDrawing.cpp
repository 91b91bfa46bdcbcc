#include "render/LayerDrawing.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <typeinfo>

#include "host/ChartGeometry.h"
#include "render/ElementDrawing.h"
#include "render/SymbolDrawing.h"

namespace render {
namespace {

using host::XY;

template <class T, class U>
const T* exactly(const U& object) {
    return typeid(object) == typeid(T) ? static_cast<const T*>(&object) : nullptr;
}

// Where a feature's chart or marker stands: the point of a point feature; the label point of a
// polygon; the middle of any other shape.
XY featurePoint(const host::FeatureClass& fc, std::size_t row) {
    if (fc.shapeType() == host::GeometryType::Point) return fc.pointAt(row);
    const host::GeometryPtr shape = fc.shape(row);
    if (!shape || shape->isEmpty()) return {std::nan(""), std::nan("")};
    if (const auto* polygon = exactly<host::Polygon>(*shape)) return polygon->labelPoint();
    return shape->envelope().centre();
}

// One feature drawn with a symbol that fits its shape; a symbol that does not fit draws nothing.
void drawFeatureShape(Canvas& canvas, const host::Symbol& symbol, const host::FeatureClass& fc, std::size_t row) {
    if (const auto* marker = dynamic_cast<const host::MarkerSymbol*>(&symbol)) {
        if (fc.shapeType() == host::GeometryType::Multipoint) {
            const auto shape = fc.shape(row);
            if (const auto* points = shape ? exactly<host::Multipoint>(*shape) : nullptr) {
                for (const XY& p : points->points()) drawMarkerSymbol(canvas, *marker, p);
            }
            return;
        }
        drawMarkerSymbol(canvas, *marker, featurePoint(fc, row));
        return;
    }
    const host::GeometryPtr shape = fc.shape(row);
    if (!shape) return;
    if (const auto* line = dynamic_cast<const host::LineSymbol*>(&symbol)) {
        if (const auto* polyline = exactly<host::Polyline>(*shape)) drawLineSymbol(canvas, *line, *polyline);
        else if (const auto* polygon = exactly<host::Polygon>(*shape)) drawLineSymbol(canvas, *line, *polygon);
    } else if (const auto* fill = dynamic_cast<const host::FillSymbol*>(&symbol)) {
        if (const auto* polygon = exactly<host::Polygon>(*shape)) drawFillSymbol(canvas, *fill, *polygon);
    }
}

// The chart symbol of each feature of a chart renderer: one working copy of the renderer's
// symbol takes each feature's values in turn, the values ChartRenderer::symbolByFeature would
// give, without a symbol per feature.
class FeatureCharts {
public:
    FeatureCharts(const host::ChartRenderer& renderer, const host::FeatureClass& fc) : fc_(fc) {
        if (!renderer.chartSymbol()) return;
        chart_ = std::static_pointer_cast<host::BarChartSymbol>(renderer.chartSymbol()->cloneSymbol());
        chart_->clearValues();
        for (const auto& field : renderer.fields()) columns_.push_back(fc.findField(field.name));
        for (std::size_t i = 0; i < columns_.size(); ++i) chart_->setValue(i, 0.0);
    }
    // Null without a chart symbol.
    const host::BarChartSymbol* forRow(std::size_t row) {
        if (!chart_) return nullptr;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            double v = 0.0;
            if (columns_[i] >= 0) {
                const runtime::Variant value = fc_.value(row, columns_[i]);
                if (value.isNumeric()) v = value.toDouble();
            }
            chart_->setValue(i, v);
        }
        return chart_.get();
    }

private:
    const host::FeatureClass& fc_;
    std::shared_ptr<host::BarChartSymbol> chart_;
    std::vector<int> columns_;
};

void drawChartFeatures(Canvas& canvas, const host::ChartRenderer& renderer, const host::FeatureClass& fc,
                       host::FeatureCursor& cursor) {
    FeatureCharts charts(renderer, fc);
    while (const auto row = cursor.nextRow()) {
        if (const host::BarChartSymbol* chart = charts.forRow(*row)) drawBarChart(canvas, *chart, featurePoint(fc, *row));
        canvas.tick();
    }
}

// A cyan frame two pixels outside a box, as selected features are marked.
void frameFeature(Canvas& canvas, const host::Envelope& e) {
    if (e.isEmpty()) return;
    const XY a = canvas.toDevice({e.xMin(), e.yMax()}), b = canvas.toDevice({e.xMax(), e.yMin()});
    DeviceBox box{a.x - 3, a.y - 3, b.x + 3, b.y + 3, false};
    if (!std::isfinite(box.x0) || !std::isfinite(box.y0) || !std::isfinite(box.x1) || !std::isfinite(box.y1) ||
        !canvas.admit(box))
        return;
    const DeviceBox& g = canvas.guard();
    box = {std::clamp(box.x0, g.x0, g.x1), std::clamp(box.y0, g.y0, g.y1), std::clamp(box.x1, g.x0, g.x1),
           std::clamp(box.y1, g.y0, g.y1), false};
    canvas.setColorValue(0xFFFF00, 1.0);
    cairo_set_line_width(canvas.cr(), 2.0);
    cairo_set_line_join(canvas.cr(), CAIRO_LINE_JOIN_MITER);
    cairo_rectangle(canvas.cr(), box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0);
    cairo_stroke(canvas.cr());
    cairo_set_line_join(canvas.cr(), CAIRO_LINE_JOIN_ROUND);
}

bool tiedLayerHidden(const host::GraphicsLayer& layer) {
    const host::FeatureLayerPtr tied = layer.associatedLayer();
    return tied && !tied->visible();
}

// The map area a drawing shows, with the margin of its culling test.
host::Envelope shownArea(const Canvas& canvas) {
    const host::Envelope bounds = canvas.shownMapArea();
    if (bounds.isEmpty() || !(canvas.pixelsPerMapUnit() > 0)) return {};
    const double margin = 4.0 / canvas.pixelsPerMapUnit();
    return host::Envelope(bounds.xMin() - margin, bounds.yMin() - margin, bounds.xMax() + margin, bounds.yMax() + margin);
}

void drawContainer(Canvas& canvas, const host::GraphicsContainer& container) {
    if (const auto* listed = canvas.bandElements(container)) {
        for (const host::Element* element : *listed) {
            drawElement(canvas, *element);
            canvas.tick();
        }
        return;
    }
    // A view of part of a big container draws what its spatial index finds there; a drawing
    // that measures everything, or shows most of the elements, walks them all.
    if (!canvas.measuring()) {
        const host::Envelope area = shownArea(canvas);
        std::vector<const host::Element*> shown;
        if (!area.isEmpty() && container.elementsWithin(area, canvas.display(), shown)) {
            for (const host::Element* element : shown) {
                drawElement(canvas, *element);
                canvas.tick();
            }
            return;
        }
    }
    for (const auto& element : container.elements()) {
        drawElement(canvas, *element);
        canvas.tick();
    }
}

void countLayer(const host::Layer& layer, std::size_t& work, int depth) {
    if (!layer.visible() || depth > Canvas::kMaxDepth) return;
    if (const auto* group = exactly<host::GroupLayer>(layer)) {
        for (const auto& child : group->layers()) {
            if (child) countLayer(*child, work, depth + 1);
        }
    } else if (const auto* features = exactly<host::FeatureLayer>(layer)) {
        if (features->valid()) work += features->featureClass()->featureCount();
    } else if (const auto* graphics = dynamic_cast<const host::GraphicsLayer*>(&layer)) {
        work += graphics->container().elementCount();
        if (const auto* composite = exactly<host::CompositeGraphicsLayer>(layer)) {
            for (const auto& sub : composite->layers()) work += sub->container().elementCount();
        }
    }
}

void selectFeatureLayers(const host::Layer& layer, std::vector<const host::FeatureLayer*>& out, int depth) {
    if (!layer.visible() || depth > Canvas::kMaxDepth) return;
    if (const auto* group = exactly<host::GroupLayer>(layer)) {
        for (const auto& child : group->layers()) {
            if (child) selectFeatureLayers(*child, out, depth + 1);
        }
    } else if (const auto* features = exactly<host::FeatureLayer>(layer)) {
        if (features->valid() && features->selectionCount() > 0) out.push_back(features);
    }
}

}  // namespace

void drawMap(Canvas& canvas, const host::Map& map) {
    const auto& layers = map.layers();
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        if (*it) drawLayer(canvas, **it);
    }
    if (map.basicGraphicsLayer()) drawLayer(canvas, *map.basicGraphicsLayer());
    if (canvas.measuring()) return;
    std::vector<const host::FeatureLayer*> selected;
    for (const auto& layer : layers) {
        if (layer) selectFeatureLayers(*layer, selected, 0);
    }
    for (const auto* layer : selected) drawFeatureSelection(canvas, *layer);
}

void drawElementSelection(Canvas& canvas, const host::Map& map) {
    if (canvas.measuring()) return;
    for (const auto& element : map.selectedElements()) {
        if (element) drawElementHighlight(canvas, *element);
    }
}

void drawLayer(Canvas& canvas, const host::Layer& layer, int depth) {
    if (!layer.visible()) return;
    if (const auto* group = exactly<host::GroupLayer>(layer)) drawGroupLayer(canvas, *group, depth);
    else if (const auto* features = exactly<host::FeatureLayer>(layer)) drawFeatureLayer(canvas, *features);
    else if (const auto* graphics = dynamic_cast<const host::GraphicsLayer*>(&layer)) drawGraphicsLayer(canvas, *graphics);
}

void drawGroupLayer(Canvas& canvas, const host::GroupLayer& layer, int depth) {
    if (depth >= Canvas::kMaxDepth) return;
    const auto& layers = layer.layers();
    for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
        if (*it) drawLayer(canvas, **it, depth + 1);
    }
}

void drawFeatureLayer(Canvas& canvas, const host::FeatureLayer& layer) {
    if (!layer.visible() || !layer.valid() || !layer.renderer()) return;
    const host::FeatureClass& fc = *layer.featureClass();
    const host::FeatureCursorPtr cursor = layer.search();
    const host::FeatureRenderer& renderer = *layer.renderer();
    if (const auto* charts = exactly<host::ChartRenderer>(renderer)) {
        drawChartFeatures(canvas, *charts, fc, *cursor);
    } else if (const auto* simple = exactly<host::SimpleRenderer>(renderer)) {
        if (!simple->symbol()) return;
        // One symbol for every feature: a view of part of a big layer draws the features the
        // class's spatial index finds under the view grown by how far the symbol reaches.
        std::vector<std::size_t> rows;
        if (!canvas.measuring() && fc.featureCount() > 0) {
            const host::Envelope area = shownArea(canvas);
            const double k = canvas.mapUnitsPerPoint();
            host::Envelope grown;
            if (dynamic_cast<const host::MarkerSymbol*>(simple->symbol().get())) {
                // Simple markers only: what other markers draw is not measured here.
                const auto* marker = exactly<host::SimpleMarkerSymbol>(*simple->symbol());
                const host::Envelope box = marker ? host::markerBox(*marker, {0, 0}, k) : host::Envelope();
                if (!area.isEmpty() && !box.isEmpty())
                    grown = host::Envelope(area.xMin() - box.xMax(), area.yMin() - box.yMax(), area.xMax() - box.xMin(),
                                           area.yMax() - box.yMin());
            } else if (!area.isEmpty() && canvas.pixelsPerMapUnit() > 0) {
                // Lines and outlines: half their width, and never less than a pixel or two.
                const auto* line = dynamic_cast<const host::LineSymbol*>(simple->symbol().get());
                const auto* fill = dynamic_cast<const host::FillSymbol*>(simple->symbol().get());
                const host::LineSymbol* edge = line ? line : (fill && fill->outline() ? fill->outline().get() : nullptr);
                const double width = edge ? linePixels(canvas, edge->width()) / canvas.pixelsPerMapUnit() : 0.0;
                const double m = width + 2.0 / canvas.pixelsPerMapUnit();
                grown = host::Envelope(area.xMin() - m, area.yMin() - m, area.xMax() + m, area.yMax() + m);
            }
            if (!grown.isEmpty() && fc.rowsWithin(grown, rows)) {
                for (const std::size_t row : rows) {
                    drawFeatureShape(canvas, *simple->symbol(), fc, row);
                    canvas.tick();
                }
                return;
            }
        }
        while (const auto row = cursor->nextRow()) {
            drawFeatureShape(canvas, *simple->symbol(), fc, *row);
            canvas.tick();
        }
    } else {
        while (const host::FeaturePtr feature = cursor->nextFeature()) {
            if (const host::SymbolPtr symbol = renderer.symbolByFeature(*feature))
                drawFeatureShape(canvas, *symbol, fc, feature->row());
            canvas.tick();
        }
    }
}

void drawGraphicsLayer(Canvas& canvas, const host::GraphicsLayer& layer) {
    if (!layer.visible() || tiedLayerHidden(layer)) return;
    drawContainer(canvas, layer.container());
    if (const auto* composite = exactly<host::CompositeGraphicsLayer>(layer)) {
        for (const auto& sub : composite->layers()) {
            if (sub && sub->visible() && !tiedLayerHidden(*sub)) drawContainer(canvas, sub->container());
        }
    }
}

namespace {

void visitDrawnContainers(const host::Layer& layer, const std::function<void(const host::GraphicsContainer&)>& visit,
                          int depth) {
    if (!layer.visible() || depth > Canvas::kMaxDepth) return;
    if (const auto* group = exactly<host::GroupLayer>(layer)) {
        for (const auto& child : group->layers()) {
            if (child) visitDrawnContainers(*child, visit, depth + 1);
        }
    } else if (const auto* graphics = dynamic_cast<const host::GraphicsLayer*>(&layer)) {
        if (tiedLayerHidden(*graphics)) return;
        visit(graphics->container());
        if (const auto* composite = exactly<host::CompositeGraphicsLayer>(layer)) {
            for (const auto& sub : composite->layers()) {
                if (sub && sub->visible() && !tiedLayerHidden(*sub)) visit(sub->container());
            }
        }
    }
}

}  // namespace

void forEachDrawnContainer(const host::Map& map, const std::function<void(const host::GraphicsContainer&)>& visit) {
    for (const auto& layer : map.layers()) {
        if (layer) visitDrawnContainers(*layer, visit, 0);
    }
    if (map.basicGraphicsLayer()) visitDrawnContainers(*map.basicGraphicsLayer(), visit, 0);
}

void drawFeatureSelection(Canvas& canvas, const host::FeatureLayer& layer) {
    if (!layer.valid()) return;
    const host::FeatureClass& fc = *layer.featureClass();
    const host::FeatureRenderer* renderer = layer.renderer().get();
    const auto* chartRenderer = renderer ? exactly<host::ChartRenderer>(*renderer) : nullptr;
    const auto* simple = renderer ? exactly<host::SimpleRenderer>(*renderer) : nullptr;
    const auto* marker = simple ? dynamic_cast<const host::MarkerSymbol*>(simple->symbol().get()) : nullptr;
    std::optional<FeatureCharts> charts;
    if (chartRenderer) charts.emplace(*chartRenderer, fc);
    const double k = canvas.mapUnitsPerPoint();
    host::SimpleLineSymbol outline;
    outline.setColor(host::RgbColor(0xFFFF00));
    outline.setWidth(canvas.pixelsPerPoint() > 0 ? 2.0 / canvas.pixelsPerPoint() : 0.0);
    for (const auto oid : layer.selectionSet()->oids()) {
        const auto row = fc.rowOfOid(oid);
        if (!row) continue;
        const host::GeometryType type = fc.shapeType();
        if (type == host::GeometryType::Point || type == host::GeometryType::Multipoint || charts) {
            const XY p = featurePoint(fc, *row);
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
            host::Envelope box(p.x, p.y, p.x, p.y);
            if (const host::BarChartSymbol* chart = charts ? charts->forRow(*row) : nullptr) box = host::chartBox(*chart, p, k);
            else if (marker) box = host::markerBox(*marker, p, k);
            frameFeature(canvas, box);
        } else if (const host::GeometryPtr shape = fc.shape(*row)) {
            if (const auto* polyline = exactly<host::Polyline>(*shape)) drawLineSymbol(canvas, outline, *polyline);
            else if (const auto* polygon = exactly<host::Polygon>(*shape)) drawLineSymbol(canvas, outline, *polygon);
        }
    }
}

std::size_t drawingWork(const host::Map& map) {
    std::size_t work = 0;
    for (const auto& layer : map.layers()) {
        if (layer) countLayer(*layer, work, 0);
    }
    if (map.basicGraphicsLayer()) countLayer(*map.basicGraphicsLayer(), work, 0);
    return work;
}

}  // namespace render
