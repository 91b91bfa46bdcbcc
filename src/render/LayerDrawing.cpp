#include "render/LayerDrawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
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

void drawChartFeatures(Canvas& canvas, const host::ChartRenderer& renderer, const host::FeatureClass& fc,
                       host::FeatureCursor& cursor) {
    if (!renderer.chartSymbol()) return;
    // One working copy of the chart symbol takes each feature's values in turn: the same
    // values ChartRenderer::symbolByFeature would give, without a symbol per feature.
    auto chart = std::static_pointer_cast<host::BarChartSymbol>(renderer.chartSymbol()->cloneSymbol());
    chart->clearValues();
    std::vector<int> columns;
    for (const auto& field : renderer.fields()) columns.push_back(fc.findField(field.name));
    for (std::size_t i = 0; i < columns.size(); ++i) chart->setValue(i, 0.0);
    while (const auto row = cursor.nextRow()) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            double v = 0.0;
            if (columns[i] >= 0) {
                const runtime::Variant value = fc.value(*row, columns[i]);
                if (value.isNumeric()) v = value.toDouble();
            }
            chart->setValue(i, v);
        }
        drawBarChart(canvas, *chart, featurePoint(fc, *row));
        canvas.tick();
    }
}

bool tiedLayerHidden(const host::GraphicsLayer& layer) {
    const host::FeatureLayerPtr tied = layer.associatedLayer();
    return tied && !tied->visible();
}

void drawContainer(Canvas& canvas, const host::GraphicsContainer& container) {
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
        while (const auto row = cursor->nextRow()) {
            drawFeatureShape(canvas, *simple->symbol(), fc, *row);
            canvas.tick();
        }
    } else {
        while (const host::FeaturePtr feature = cursor->nextFeature()) {
            if (const host::SymbolPtr symbol = renderer.symbolByFeature(*feature)) drawFeatureShape(canvas, *symbol, fc, feature->row());
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

void drawFeatureSelection(Canvas& canvas, const host::FeatureLayer& layer) {
    if (!layer.valid()) return;
    const host::FeatureClass& fc = *layer.featureClass();
    const auto* simple = layer.renderer() ? exactly<host::SimpleRenderer>(*layer.renderer()) : nullptr;
    const host::SymbolPtr symbol = simple ? simple->symbol() : nullptr;
    const double q = canvas.pixelsPerPoint();
    for (const auto oid : layer.selectionSet()->oids()) {
        const auto row = fc.rowOfOid(oid);
        if (!row) continue;
        if (fc.shapeType() == host::GeometryType::Point) {
            const XY p = fc.pointAt(*row);
            const auto* marker = dynamic_cast<const host::MarkerSymbol*>(symbol.get());
            const host::Envelope box = marker ? host::markerBox(*marker, p, canvas.mapUnitsPerPoint()) : host::Envelope(p.x, p.y, p.x, p.y);
            const XY a = canvas.toDevice({box.xMin(), box.yMax()}), b = canvas.toDevice({box.xMax(), box.yMin()});
            const XY c{(a.x + b.x) / 2, (a.y + b.y) / 2};
            const double r = std::max({(b.x - a.x) / 2, (b.y - a.y) / 2, 4.0}) + 2;
            if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(r) || r > 1e6 ||
                !canvas.admit({c.x - r, c.y - r, c.x + r, c.y + r, false})) {
                continue;
            }
            canvas.setColorValue(0xFFFF00, 1.0);
            cairo_set_line_width(canvas.cr(), 2.0);
            cairo_new_sub_path(canvas.cr());
            cairo_arc(canvas.cr(), c.x, c.y, r, 0, 2 * std::numbers::pi);
            cairo_stroke(canvas.cr());
        } else {
            const host::GeometryPtr shape = fc.shape(*row);
            host::SimpleLineSymbol line;
            line.setColor(host::RgbColor(0xFFFF00));
            line.setWidth(2.0 / std::max(q, 1e-9));
            if (const auto* polyline = shape ? exactly<host::Polyline>(*shape) : nullptr) drawLineSymbol(canvas, line, *polyline);
            else if (const auto* polygon = shape ? exactly<host::Polygon>(*shape) : nullptr) drawLineSymbol(canvas, line, *polygon);
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
