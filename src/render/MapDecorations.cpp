#include "render/MapDecorations.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <system_error>
#include <thread>
#include <functional>
#include <typeinfo>

#include "host/ChartGeometry.h"
#include "host/Element.h"
#include "host/Layer.h"
#include "host/PropertySet.h"
#include "host/SpatialReference.h"
#include "render/SymbolDrawing.h"
#include "runtime/NumberText.h"

namespace render {
namespace {

using host::XY;

// The fixed keys ahead of the fields in a chart's data.
constexpr std::size_t kFixedKeys = 3;
const char* const kLayerNameKey = "LayerName";

const runtime::ObjectPtr& nullObject() {
    static const runtime::ObjectPtr none;
    return none;
}

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kFrame = 0x808080, kSizeBarFill = 0xC8C8C8;
// The size bars' outline, in points: it grows with the bars, as the charts' outlines do.
constexpr double kSizeBarOutline = 0.5;

bool finite(XY p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool intersects(const DeviceBox& a, const DeviceBox& b) {
    return !a.empty && !b.empty && a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

DeviceBox boxOf(double x0, double y0, double x1, double y1) { return {x0, y0, x1, y1, false}; }

// A chart marker: a marker element with a bar chart symbol.
struct ChartMarker {
    const host::MarkerElement* element;
    const host::BarChartSymbol* symbol;
};

// Every chart marker of a container, inside groups too, with the graphics layer it belongs to.
using ChartVisitor = std::function<void(std::size_t layerIndex, const ChartMarker&)>;

void visitElement(const host::Element& element, std::size_t layerIndex, const ChartVisitor& visit, int depth) {
    // Both classes are final: told by their kind, not by a cast, over a million charts.
    if (const auto* marker = host::elementAs<host::MarkerElement>(element)) {
        const host::MarkerSymbol* symbol = marker->symbol().get();
        if (symbol && typeid(*symbol) == typeid(host::BarChartSymbol))
            visit(layerIndex, {marker, static_cast<const host::BarChartSymbol*>(symbol)});
    } else if (const auto* group = host::elementAs<host::GroupElement>(element)) {
        // Once per distinct member: groups shared at every level would otherwise be walked once
        // per path, exponentially many.
        (void)depth;
        if (group->flat()) {
            // A chart's labels (kept compactly) are no markers: its own elements are enough.
            for (const host::ElementPtr& member : group->ownElements()) visitElement(*member, layerIndex, visit, 0);
            return;
        }
        group->forEachMember([&](const host::Element& member) {
            if (host::isElement<host::GroupElement>(member)) return;
            visitElement(member, layerIndex, visit, 0);
        });
    }
}

bool tiedLayerHidden(const host::GraphicsLayer& layer) {
    const host::FeatureLayerPtr tied = layer.associatedLayer();
    return tied && !tied->visible();
}

// The graphics layers the map draws, in drawing order: the basic graphics layer's own elements,
// then its visible sub-layers.
std::vector<const host::GraphicsLayer*> drawnGraphicsLayers(const host::Map& map) {
    std::vector<const host::GraphicsLayer*> layers;
    const host::CompositeGraphicsLayerPtr& basic = map.basicGraphicsLayer();
    if (!basic || !basic->visible() || tiedLayerHidden(*basic)) return layers;
    layers.push_back(basic.get());
    for (const auto& sub : basic->layers()) {
        if (sub && sub->visible() && !tiedLayerHidden(*sub)) layers.push_back(sub.get());
    }
    return layers;
}

// Every chart marker of the layers' containers, the elements dealt out in order to two runs
// walked on two threads when there are many (a map of a million charts): `visit(run,
// layerIndex, chart)`, run 0 the front part. Each run keeps its own tally, and the caller joins
// them in order.
constexpr std::size_t kTwoRunsFrom = 20'000;
void visitChartsInRuns(const std::vector<const host::GraphicsLayer*>& layers,
                       const std::function<void(unsigned, std::size_t, const ChartMarker&)>& visit) {
    std::vector<std::pair<std::size_t, const host::Element*>> all;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        for (const auto& element : layers[i]->container().elements()) {
            if (element) all.emplace_back(i, element.get());
        }
    }
    const auto walk = [&](unsigned run, std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            visitElement(*all[k].second, all[k].first, [&](std::size_t i, const ChartMarker& chart) { visit(run, i, chart); }, 0);
        }
    };
    const std::size_t middle = all.size() >= kTwoRunsFrom && std::thread::hardware_concurrency() > 1 ? all.size() / 2 : all.size();
    std::exception_ptr failed;
    std::thread second;
    if (middle < all.size()) {
        try {
            second = std::thread([&] {
                try {
                    walk(1, middle, all.size());
                } catch (...) {
                    failed = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            walk(0, 0, middle);
            walk(1, middle, all.size());
            return;
        }
    }
    try {
        walk(0, 0, middle);
    } catch (...) {
        if (second.joinable()) second.join();
        throw;
    }
    if (second.joinable()) second.join();
    if (failed) std::rethrow_exception(failed);
}

std::string numberCaption(double v) {
    // Six significant digits are plenty for a caption, and hide the noise of binary fractions.
    if (v != 0 && std::isfinite(v)) {
        const double magnitude = std::pow(10.0, 5 - std::floor(std::log10(std::fabs(v))));
        if (std::isfinite(magnitude) && magnitude > 0) v = std::round(v * magnitude) / magnitude;
    }
    return runtime::numberText(v);
}

// One line of text: its font, size and width in pixels.
struct Caption {
    const Font* font = nullptr;
    std::string text;
    double pixels = 0;
    double width = 0;
    double ascent = 0;
};

Caption caption(Canvas& canvas, std::string text, double points, bool bold = false) {
    host::FontSpec face;
    face.name = "Arial";
    face.size = points;
    face.bold = bold;
    Caption c;
    c.font = &canvas.font(face);
    c.text = std::move(text);
    c.pixels = points * canvas.pixelsPerPointUnscaled();
    c.width = c.font->advance(c.text) * c.pixels;
    c.ascent = c.font->ascent() * c.pixels;
    return c;
}

// The text with the top of its ascent at `top`.
void drawCaption(Canvas& canvas, const Caption& c, double left, double top) {
    canvas.setColorValue(kBlack, 1.0);
    drawTextRun(canvas, *c.font, c.text, c.pixels, {left, top + c.ascent}, 0, false);
}

// A white box with a thin grey frame.
void drawPanel(Canvas& canvas, const DeviceBox& box, double frame) {
    canvas.setColorValue(kFrame, 1.0);
    canvas.fillRect(box.x0, box.y0, box.x1, box.y1);
    canvas.setColorValue(kWhite, 1.0);
    canvas.fillRect(box.x0 + frame, box.y0 + frame, box.x1 - frame, box.y1 - frame);
}

// A rectangle with a black outline of `line` pixels inside its edges.
void drawOutlined(Canvas& canvas, const DeviceBox& box, std::uint32_t fill, double line) {
    canvas.setColorValue(kBlack, 1.0);
    canvas.fillRect(box.x0, box.y0, box.x1, box.y1);
    canvas.setColorValue(fill, 1.0);
    canvas.fillRect(box.x0 + line, box.y0 + line, box.x1 - line, box.y1 - line);
}

// The legend, laid out relative to its top-left corner and drawn there.
class LegendPanel {
public:
    // `keyHeight`: the tallest size bar the picture has room for.
    LegendPanel(Canvas& canvas, const std::vector<ChartLegend>& legends, bool russian, double keyHeight)
        : canvas_(canvas), legends_(legends), russian_(russian) {
        const double u = canvas.pixelsPerPointUnscaled();
        pad_ = 6 * u;
        row_ = 13 * u;
        swatchW_ = 14 * u;
        swatchH_ = 9 * u;
        gap_ = 5 * u;
        q_ = canvas.pixelsPerPoint();
        // The outline reaches half its width beyond a size bar's box: room is kept for it.
        barLine_ = linePixels(canvas, kSizeBarOutline) / 2;
        double y = pad_;
        width_ = 0;
        for (const ChartLegend& legend : legends_) {
            Layer layer;
            layer.heading = caption(canvas, legend.layerName, 9.5, true);
            if (!legend.layerName.empty()) {
                width_ = std::max(width_, layer.heading.width);
                y += row_;
            }
            for (const std::string& field : legend.fields) {
                layer.names.push_back(caption(canvas, field, 9));
                width_ = std::max(width_, swatchW_ + gap_ + layer.names.back().width);
                y += row_;
            }
            planSizeKey(legend, layer, keyHeight);
            if (layer.keyBar > 0) {
                const bool two = layer.minBar > 0;
                const double bars = two ? 2 * layer.barWidth + gap_ / 2 + 2 * barLine_ : layer.barWidth;
                double labels = layer.keyText.width;
                if (two) labels = std::max(labels, layer.minText.width);
                width_ = std::max(width_, 2 * barLine_ + bars + gap_ + labels);
                y += gap_ / 2 + 2 * barLine_ + std::max(layer.keyBar, (two ? 2 : 1) * row_) + gap_;
            }
            layers_.push_back(std::move(layer));
            y += gap_;
        }
        width_ += 2 * pad_;
        height_ = y - gap_ + pad_;
    }

    double width() const { return width_; }
    double height() const { return height_; }

    void draw(double left, double top, DecorationLayout& layout) {
        const DeviceBox box = boxOf(left, top, left + width_, top + height_);
        layout.legend = box;
        drawPanel(canvas_, box, std::max(1.0, canvas_.pixelsPerPointUnscaled() * 0.75));
        double y = top + pad_;
        const double x = left + pad_;
        for (std::size_t i = 0; i < legends_.size(); ++i) {
            const ChartLegend& legend = legends_[i];
            const Layer& layer = layers_[i];
            if (!legend.layerName.empty()) {
                drawCaption(canvas_, layer.heading, x, y + (row_ - layer.heading.pixels) / 2);
                y += row_;
            }
            for (std::size_t k = 0; k < legend.fields.size(); ++k) {
                const double sy = y + (row_ - swatchH_) / 2;
                const DeviceBox swatch = boxOf(x, sy, x + swatchW_, sy + swatchH_);
                if (const host::FillSymbolPtr fill = swatchFill(legend.fills[k]))
                    fillDeviceRect(canvas_, *fill, swatch.x0, swatch.y0, swatch.x1, swatch.y1);
                else drawOutlined(canvas_, swatch, kSizeBarFill, 1.0);
                layout.swatches.push_back(swatch);
                drawCaption(canvas_, layer.names[k], x + swatchW_ + gap_, y + (row_ - layer.names[k].pixels) / 2);
                y += row_;
            }
            if (layer.keyBar > 0) {
                y += gap_ / 2 + barLine_;
                const bool two = layer.minBar > 0;
                const double area = std::max(layer.keyBar, (two ? 2 : 1) * row_);
                const double base = y + area;  // the bars stand on a common zero line, as charts do
                const double keyLeft = x + barLine_;
                const DeviceBox keyBar = boxOf(keyLeft, base - layer.keyBar, keyLeft + layer.barWidth, base);
                drawSizeBar(keyBar);
                layout.sizeBars.push_back(keyBar);
                layout.sizeValues.push_back(layer.keyValue);
                double labelsX = keyBar.x1 + barLine_ + gap_;
                if (two) {
                    const double minX = keyBar.x1 + 2 * barLine_ + gap_ / 2;
                    const DeviceBox minBar = boxOf(minX, base - layer.minBar, minX + layer.barWidth, base);
                    drawSizeBar(minBar);
                    layout.sizeBars.push_back(minBar);
                    layout.sizeValues.push_back(layer.minValue);
                    labelsX = minBar.x1 + barLine_ + gap_;
                }
                // Each number beside the top of its bar; the minimum's below the key's when the
                // two bars are close in height.
                const double keyTop = std::max(y, keyBar.y0 - layer.keyText.pixels / 2);
                drawCaption(canvas_, layer.keyText, labelsX, keyTop);
                if (two) {
                    double minTop = std::min(base - layer.minText.pixels, base - layer.minBar - layer.minText.pixels / 2);
                    minTop = std::max(minTop, keyTop + row_);
                    drawCaption(canvas_, layer.minText, labelsX, minTop);
                }
                y = base + barLine_ + gap_;
            }
            y += gap_;
        }
    }

private:
    struct Layer {
        Caption heading;
        std::vector<Caption> names;
        double keyBar = 0, minBar = 0, barWidth = 0;  // pixels; no key without a key bar
        double keyValue = 0, minValue = 0;
        Caption keyText, minText;
    };

    // The size key: the bar of the scale's largest value (and of the minimum, when the charts
    // raise small values to one), at the charts' drawing scale. Zoomed in far beyond the
    // reference scale that bar outgrows the picture: then the key shows the largest round value
    // (1, 2 or 5 × 10ⁿ) whose bar fits `keyHeight`, still at the charts' scale, so it measures
    // like them.
    void planSizeKey(const ChartLegend& legend, Layer& layer, double keyHeight) {
        const double full = legend.size * q_;  // the bar of the largest value
        if (!(legend.maxValue > 0) || !(full > 0) || !std::isfinite(full)) return;
        layer.barWidth = std::clamp(legend.barWidth * q_, 2.0, std::max(2.0, keyHeight));
        const auto barOf = [&](double value) { return value / legend.maxValue * full; };
        const char* maxWord = russian_ ? "макс. " : "max ";
        const char* minWord = russian_ ? "мин. " : "min ";
        double key = legend.maxValue;
        std::string word = maxWord;
        if (full > keyHeight) {
            key = roundValueBelow(legend.maxValue * keyHeight / full);
            word.clear();
        }
        const std::optional<double>& minimum = legend.minValue;
        if (minimum && key <= *minimum) {
            // A chart draws a value below its minimum at the minimum's height: only the
            // minimum's own bar can stand for the scale then, when it fits.
            if (barOf(*minimum) > keyHeight) return;
            key = *minimum;
            word = minWord;
        } else if (minimum) {
            layer.minBar = barOf(*minimum);
            layer.minValue = *minimum;
            layer.minText = caption(canvas_, minWord + numberCaption(*minimum), 8.5);
        }
        if (!(key > 0) || !std::isfinite(key)) return;
        layer.keyBar = barOf(key);
        layer.keyValue = key;
        layer.keyText = caption(canvas_, word + numberCaption(key), 8.5);
    }

    // The largest 1, 2 or 5 × 10ⁿ not above `value` (positive).
    static double roundValueBelow(double value) {
        if (!(value > 0) || !std::isfinite(value)) return 0;
        const double decade = std::pow(10.0, std::floor(std::log10(value)));
        for (double step : {5.0, 2.0}) {
            if (step * decade <= value) return step * decade;
        }
        return decade;
    }

    // A swatch is drawn at the picture's resolution, as the names beside it: its outline as
    // wide as the charts' (which grow with the reference scale) would swallow it when zoomed in.
    host::FillSymbolPtr swatchFill(const host::FillSymbolPtr& fill) const {
        if (!fill || !fill->outline() || !(q_ > 0)) return fill;
        const double unscale = canvas_.pixelsPerPointUnscaled() / q_;
        if (unscale == 1.0 || !std::isfinite(unscale)) return fill;
        auto copy = std::dynamic_pointer_cast<host::FillSymbol>(fill->cloneSymbol());
        auto outline = copy ? std::dynamic_pointer_cast<host::LineSymbol>(copy->outline()->cloneSymbol()) : nullptr;
        if (!outline) return fill;
        outline->setWidth(outline->width() * unscale);
        copy->setOutline(outline);
        return copy;
    }

    void drawSizeBar(const DeviceBox& bar) {
        host::SimpleFillSymbol fill;
        fill.setColor(host::RgbColor(kSizeBarFill));
        auto outline = std::make_shared<host::SimpleLineSymbol>();
        outline->setWidth(kSizeBarOutline);
        outline->setColor(host::RgbColor(kBlack));
        fill.setOutline(outline);
        fillDeviceRect(canvas_, fill, bar.x0, bar.y0, bar.x1, bar.y1);
    }

    Canvas& canvas_;
    const std::vector<ChartLegend>& legends_;
    bool russian_;
    std::vector<Layer> layers_;
    double pad_ = 0, row_ = 0, swatchW_ = 0, swatchH_ = 0, gap_ = 0, q_ = 0, barLine_ = 0;
    double width_ = 0, height_ = 0;
};

// Where a chart's bars stand on the picture; false for a chart that stands nowhere.
bool chartDeviceBox(const Canvas& canvas, const ChartMarker& chart, DeviceBox& box) {
    const host::Geometry* g = chart.element->geometry().get();
    if (!g || typeid(*g) != typeid(host::Point)) return false;
    const auto* point = static_cast<const host::Point*>(g);
    if (point->isEmpty()) return false;
    const host::Envelope e = host::chartBox(*chart.symbol, point->xy(), canvas.mapUnitsPerPoint());
    const XY a = canvas.toDevice({e.xMin(), e.yMax()}), b = canvas.toDevice({e.xMax(), e.yMin()});
    if (!finite(a) || !finite(b)) return false;
    box = boxOf(a.x, a.y, b.x, b.y);
    return true;
}

// The boxes of the charts a walk met, each run's apart, as their four sides: a million charts
// keep 32 MB here while the legend is placed.
struct ChartBoxes {
    std::array<std::vector<std::array<double, 4>>, 2> runs;
    void add(unsigned run, const DeviceBox& box) { runs[run].push_back({box.x0, box.y0, box.x1, box.y1}); }
};

// How many of the charts cover each of the boxes.
std::vector<std::size_t> chartsCovering(const ChartBoxes& charts, const std::vector<DeviceBox>& boxes) {
    std::vector<std::size_t> counts(boxes.size(), 0);
    for (const auto& run : charts.runs) {
        for (const auto& sides : run) {
            const DeviceBox box = boxOf(sides[0], sides[1], sides[2], sides[3]);
            for (std::size_t i = 0; i < boxes.size(); ++i) counts[i] += intersects(box, boxes[i]) ? 1 : 0;
        }
    }
    return counts;
}

// The same, for a picture without a legend: a walk over the charts of its own.
std::vector<std::size_t> chartsCovering(const Canvas& canvas, const host::Map& map, const std::vector<DeviceBox>& boxes) {
    ChartBoxes charts;
    visitChartsInRuns(drawnGraphicsLayers(map), [&](unsigned run, std::size_t, const ChartMarker& chart) {
        DeviceBox box;
        if (chartDeviceBox(canvas, chart, box)) charts.add(run, box);
    });
    return chartsCovering(charts, boxes);
}

// Top-left corner of a box of the size in corner c (0 top left, 1 top right, 2 bottom left,
// 3 bottom right) `margin` from the frame's edges, below `topLimit` at the top.
XY cornerPlace(int c, double w, double h, double frameW, double frameH, double margin, double topLimit) {
    const double x = (c == 0 || c == 2) ? margin : frameW - margin - w;
    const double y = c < 2 ? std::max(margin, topLimit) : frameH - margin - h;
    return {x, y};
}

// The web's Mercator on a sphere: its metres are true only at the equator.
bool isSphericalMercator(int epsg) {
    return epsg == 3857 || epsg == 3785 || epsg == 900913 || epsg == 102100 || epsg == 102113;
}

// The legends, and when `boxesOn` is given the box on it of every chart the walk meets, in
// `boxes`: the legend's corner is chosen by the charts it would cover, and a second walk over
// a million charts costs as much as the first.
std::vector<ChartLegend> legendsOfCharts(const host::Map& map, const Canvas* boxesOn, ChartBoxes* boxes) {
    const std::vector<const host::GraphicsLayer*> layers = drawnGraphicsLayers(map);
    // Each run's legends, the front run's first: a layer's fields are those of its first chart.
    std::array<std::vector<std::optional<ChartLegend>>, 2> runs{std::vector<std::optional<ChartLegend>>(layers.size()),
                                                                 std::vector<std::optional<ChartLegend>>(layers.size())};
    visitChartsInRuns(layers, [&](unsigned run, std::size_t i, const ChartMarker& chart) {
        if (boxesOn) {
            DeviceBox box;
            if (chartDeviceBox(*boxesOn, chart, box)) boxes->add(run, box);
        }
        std::vector<std::optional<ChartLegend>>& found = runs[run];
        // Read in place: a map may hold a million charts.
        const runtime::ObjectPtr& object = chart.element->customProperty().isObject()
                                               ? chart.element->customProperty().objectValue()
                                               : nullObject();
        const auto* data = dynamic_cast<const host::PropertySet*>(object.get());
        if (!data) return;
        const auto& items = data->items();
        if (items.size() <= kFixedKeys || items[0].first != kLayerNameKey) return;
        std::optional<ChartLegend>& legend = found[i];
        if (!legend) {
            legend.emplace();
            legend->layerName = items[0].second.isString() ? items[0].second.toString() : std::string();
            for (std::size_t k = kFixedKeys; k < items.size(); ++k) {
                legend->fields.push_back(items[k].first);
                const std::size_t bar = k - kFixedKeys;
                host::FillSymbolPtr fill;
                if (bar < chart.symbol->symbolCount())
                    fill = std::dynamic_pointer_cast<host::FillSymbol>(chart.symbol->symbols()[bar]);
                legend->fills.push_back(fill);
            }
            legend->maxValue = chart.symbol->maxValue();
            legend->size = chart.symbol->size();
            legend->barWidth = chart.symbol->width();
        }
        // A value smaller than the minimum is drawn at the minimum: where a bar stands taller
        // than its value, a minimum was set and the bar shows it.
        for (std::size_t k = kFixedKeys; k < items.size(); ++k) {
            const std::size_t bar = k - kFixedKeys;
            if (bar >= chart.symbol->valueCount()) break;
            const runtime::Variant& v = items[k].second;
            if (v.isNull() || v.isEmpty() || v.isString() || v.isObject()) continue;  // "<Null>" is a string
            double value = 0;
            try {
                value = v.toDouble();
            } catch (...) {
                continue;
            }
            const double drawn = std::fabs(chart.symbol->value(bar));
            if (std::isfinite(value) && std::fabs(value) < drawn && drawn <= legend->maxValue)
                legend->minValue = std::max(legend->minValue.value_or(0.0), drawn);
        }
    });
    std::vector<ChartLegend> legends;
    for (std::size_t i = 0; i < layers.size(); ++i) {
        std::optional<ChartLegend>& front = runs[0][i];
        const std::optional<ChartLegend>& back = runs[1][i];
        if (!front) {
            if (back) legends.push_back(*back);
            continue;
        }
        // The back run's charts count towards the minimum they show.
        if (back && back->minValue) front->minValue = std::max(front->minValue.value_or(0.0), *back->minValue);
        legends.push_back(std::move(*front));
    }
    return legends;
}

}  // namespace

std::vector<ChartLegend> chartLegends(const host::Map& map) { return legendsOfCharts(map, nullptr, nullptr); }

double groundMetresPerPixel(const host::DisplayTransformation& t, const host::SpatialReference& reference) {
    const double pixelsPerUnit = t.pixelsPerMapUnit();
    if (!(pixelsPerUnit > 0) || !std::isfinite(pixelsPerUnit)) return 0;
    double metresPerUnit = t.metresPerUnit();
    const double y = t.visibleBounds().centre().y;
    if (reference.isGeographic()) {
        const double latitude = std::clamp(y, -89.0, 89.0);
        metresPerUnit = host::SpatialReference::metresPerDegree * std::cos(latitude * M_PI / 180.0);
    } else if (isSphericalMercator(reference.epsg())) {
        constexpr double radius = 6378137.0;
        const double latitude = 2 * std::atan(std::exp(y * metresPerUnit / radius)) - M_PI / 2;
        metresPerUnit *= std::cos(latitude);
    }
    return metresPerUnit / pixelsPerUnit;
}

std::optional<ScaleBarPlan> planScaleBar(const host::DisplayTransformation& t, const host::SpatialReference& reference,
                                         double maxPixels, bool russian) {
    const double perPixel = groundMetresPerPixel(t, reference);
    const double most = perPixel * maxPixels;
    if (!(most > 0) || !std::isfinite(most)) return std::nullopt;
    const double decade = std::pow(10.0, std::floor(std::log10(most)));
    double metres = decade;
    for (double step : {5.0, 2.0}) {
        if (step * decade <= most) {
            metres = step * decade;
            break;
        }
    }
    ScaleBarPlan plan;
    plan.metres = metres;
    plan.pixels = metres / perPixel;
    if (metres >= 1000) plan.label = numberCaption(metres / 1000) + (russian ? " км" : " km");
    else plan.label = numberCaption(metres) + (russian ? " м" : " m");
    return plan;
}

DecorationLayout drawMapDecorations(Canvas& canvas, const host::Map& map, const MapDecorations& decorations) {
    DecorationLayout layout;
    if (canvas.measuring()) return layout;
    const host::DisplayTransformation& t = canvas.transformation();
    const double frameW = t.deviceFrame().width(), frameH = t.deviceFrame().height();
    const double u = canvas.pixelsPerPointUnscaled();
    if (!(u > 0)) return layout;
    const double margin = 8 * u;
    double topLimit = 0;

    if (!decorations.title.empty()) {
        Caption title = caption(canvas, decorations.title, 15, true);
        // A long title shrinks to the picture's width.
        const double room = frameW - 2 * margin - 8 * u;
        if (title.width > room && room > 0) title = caption(canvas, decorations.title, 15 * room / title.width, true);
        const double x = (frameW - title.width) / 2;
        layout.title = boxOf(x - 4 * u, margin, x + title.width + 4 * u, margin + title.pixels * 1.3 + 4 * u);
        drawPanel(canvas, layout.title, 0);
        drawCaption(canvas, title, x, margin + 2 * u + title.pixels * 0.15);
        topLimit = layout.title.y1 + 4 * u;
    }

    // The scale bar's and the arrow's sizes, before the legend takes its corner.
    std::optional<ScaleBarPlan> plan;
    Caption zero, label, letter;
    double scaleW = 0, scaleH = 0, arrowBoxW = 0, arrowBoxH = 0;
    const double barH = 5 * u, pad = 4 * u, arrowW = 10 * u, arrowH = 16 * u;
    if (decorations.scaleBar) {
        const double most = std::min(frameW * 0.3, 220 * u);
        const host::SpatialReference unknown;
        plan = planScaleBar(t, map.spatialReference() ? *map.spatialReference() : unknown, most, decorations.russian);
        if (plan) {
            zero = caption(canvas, "0", 8.5);
            label = caption(canvas, plan->label, 8.5);
            scaleW = plan->pixels + label.width / 2 + zero.width / 2 + 2 * pad;
            scaleH = label.pixels * 1.2 + barH + 2 * pad + 2 * u;
        }
    }
    if (decorations.northArrow) {
        letter = caption(canvas, decorations.russian ? "С" : "N", 10, true);
        arrowBoxW = std::max(arrowW, letter.width) + 2 * pad;
        arrowBoxH = letter.pixels * 1.1 + arrowH + 2 * pad + u;
    }
    const auto placeAt = [&](int c, double w, double h) {
        const XY p = cornerPlace(c, w, h, frameW, frameH, margin, topLimit);
        return boxOf(p.x, p.y, p.x + w, p.y + h);
    };
    // The places the scale bar and the arrow may take; the charts covering them are counted in
    // the legend's walk over the charts when there is one (a map may hold a million).
    const std::array<DeviceBox, 4> otherPlaces{placeAt(2, scaleW, scaleH), placeAt(3, scaleW, scaleH),
                                               placeAt(1, arrowBoxW, arrowBoxH), placeAt(0, arrowBoxW, arrowBoxH)};
    std::optional<std::vector<std::size_t>> otherCovered;
    if (decorations.legend) {
        ChartBoxes charts;
        const std::vector<ChartLegend> legends = legendsOfCharts(map, &canvas, &charts);
        if (!legends.empty()) {
            // The size key measures like the charts; when zoomed in far, a smaller key keeps it
            // to a quarter of the picture's height.
            LegendPanel panel(canvas, legends, decorations.russian, frameH / 4);
            // The corner whose box covers the fewest charts (ties: right before left, top first).
            std::array<DeviceBox, 4> places;
            for (int c = 0; c < 4; ++c) {
                const XY p = cornerPlace(c, panel.width(), panel.height(), frameW, frameH, margin, topLimit);
                places[c] = boxOf(p.x, p.y, p.x + panel.width(), p.y + panel.height());
            }
            std::vector<DeviceBox> boxes(places.begin(), places.end());
            boxes.insert(boxes.end(), otherPlaces.begin(), otherPlaces.end());
            const std::vector<std::size_t> covered = chartsCovering(charts, boxes);
            otherCovered.emplace(covered.begin() + 4, covered.end());
            int best = 1;
            for (int c : {1, 3, 0, 2}) {
                if (covered[c] < covered[best]) best = c;
            }
            layout.legendCorner = best;
            panel.draw(places[best].x0, places[best].y0, layout);
        }
    }

    // The scale bar in a bottom corner, the arrow in a top one: of the corners the legend left
    // free, the one covering fewer charts (ties: bottom left, top right).
    int scaleCorner = layout.legendCorner == 2 ? 3 : 2, arrowCorner = layout.legendCorner == 1 ? 0 : 1;
    const bool scaleChooses = plan && layout.legendCorner != 2 && layout.legendCorner != 3;
    const bool arrowChooses = decorations.northArrow && layout.legendCorner != 0 && layout.legendCorner != 1;
    if (scaleChooses || arrowChooses) {
        const std::vector<std::size_t> covered =
            otherCovered ? *otherCovered : chartsCovering(canvas, map, {otherPlaces.begin(), otherPlaces.end()});
        if (scaleChooses && covered[1] < covered[0]) scaleCorner = 3;
        if (arrowChooses && covered[3] < covered[2]) arrowCorner = 0;
    }

    if (plan) {
        layout.scale = plan;
        const DeviceBox panel = placeAt(scaleCorner, scaleW, scaleH);
        drawPanel(canvas, panel, 0);
        const double x0 = panel.x0 + pad + zero.width / 2, y1 = panel.y1 - pad, y0 = y1 - barH;
        const double line = std::max(1.0, 0.75 * u);
        // Four parts, black and white in turn, in one black frame.
        drawOutlined(canvas, boxOf(x0, y0, x0 + plan->pixels, y1), kWhite, line);
        canvas.setColorValue(kBlack, 1.0);
        for (int part = 0; part < 4; part += 2)
            canvas.fillRect(x0 + plan->pixels * part / 4, y0, x0 + plan->pixels * (part + 1) / 4, y1);
        drawCaption(canvas, zero, x0 - zero.width / 2, y0 - 2 * u - label.pixels * 1.05);
        drawCaption(canvas, label, x0 + plan->pixels - label.width / 2, y0 - 2 * u - label.pixels * 1.05);
        layout.scaleBar = boxOf(x0, y0, x0 + plan->pixels, y1);
    }

    if (decorations.northArrow) {
        layout.northArrow = placeAt(arrowCorner, arrowBoxW, arrowBoxH);
        drawPanel(canvas, layout.northArrow, 0);
        const double cx = (layout.northArrow.x0 + layout.northArrow.x1) / 2;
        drawCaption(canvas, letter, cx - letter.width / 2, layout.northArrow.y0 + pad);
        const double top = layout.northArrow.y0 + pad + letter.pixels * 1.1 + u, bottom = top + arrowH;
        cairo_t* cr = canvas.cr();
        // The left half black, the right half white, both outlined: the arrow reads at any size.
        canvas.setColorValue(kBlack, 1.0);
        cairo_move_to(cr, cx, top);
        cairo_line_to(cr, cx - arrowW / 2, bottom);
        cairo_line_to(cr, cx, bottom - arrowH / 4);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_move_to(cr, cx, top);
        cairo_line_to(cr, cx + arrowW / 2, bottom);
        cairo_line_to(cr, cx, bottom - arrowH / 4);
        cairo_line_to(cr, cx - arrowW / 2, bottom);
        cairo_close_path(cr);
        cairo_set_line_width(cr, std::max(1.0, 0.75 * u));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_stroke(cr);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    }
    canvas.check("Drawing the map's legend, title and scale bar");
    return layout;
}

}  // namespace render
