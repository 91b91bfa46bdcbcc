#include "engine/ChartBuilder.h"

#include <cmath>
#include <map>
#include <optional>
#include <unordered_set>

#include "engine/ChartData.h"
#include "engine/ChartSymbols.h"
#include "engine/ElementData.h"
#include "engine/LayerFiles.h"
#include "engine/Layers.h"
#include "engine/ModuleContext.h"
#include "engine/Placement.h"
#include "errors/ErrorHandling.h"
#include "host/Feature.h"
#include "host/MxDocument.h"
#include "host/PropertySet.h"
#include "host/TaskProgress.h"
#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Shell.h"
#include "ui/TextBox.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

double sign(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); }

// The dialog's settings, each read the first time the run needs it (so a box that holds no
// number fails at the step that uses it, and not at all when no feature needs it).
class DialogSettings {
public:
    explicit DialogSettings(ui::Form& form) : form_(form) {}

    std::string text(std::string_view name) const { return form_.textBox(name).text(); }
    bool checked(std::string_view name) const { return form_.checkBox(name).value() != ui::CheckBox::Unchecked; }
    // "," or "." as the decimal separator.
    double decimal(std::string_view name) const { return runtime::parseDecimal(text(name)); }
    // The system's number format, as the dialog writes these boxes.
    double number(std::string_view name) const { return runtime::parseNumber(text(name)); }
    std::int16_t int16(std::string_view name) const { return runtime::toInt16(number(name)); }
    std::string comboText(std::string_view name) const { return form_.comboBox(name).text(); }

    template <class T, class Read>
    const T& once(std::optional<T>& slot, Read&& read) const {
        if (!slot) slot = read();
        return *slot;
    }

private:
    ui::Form& form_;
};

// Reports the run's progress to the host every so many features, and its end in any case.
class ProgressReport {
public:
    explicit ProgressReport(std::size_t total) : enabled_(host::hasTaskProgressObserver()) {
        progress_.task = "Drawing charts";
        progress_.total = total;
        if (enabled_) host::reportTaskProgress(progress_);
    }
    ~ProgressReport() { finish(); }
    ProgressReport(const ProgressReport&) = delete;
    ProgressReport& operator=(const ProgressReport&) = delete;

    // The last report: the features are done (or the run ends on a failure).
    void finish() {
        if (!enabled_ || progress_.finished) return;
        progress_.finished = true;
        host::reportTaskProgress(progress_);
    }

    void advance() {
        ++progress_.done;
        if (enabled_ && (progress_.done & 0x3FF) == 0) host::reportTaskProgress(progress_);
    }

private:
    bool enabled_;
    host::TaskProgress progress_;
};

// The chart marker element of an old chart: the element itself, or the first marker member of
// its group.
std::shared_ptr<host::MarkerElement> chartMarkerOf(const host::ElementPtr& chart) {
    if (auto marker = std::dynamic_pointer_cast<host::MarkerElement>(chart)) return marker;
    if (auto group = std::dynamic_pointer_cast<host::GroupElement>(chart)) {
        for (const host::ElementPtr& member : group->elements()) {
            if (auto marker = std::dynamic_pointer_cast<host::MarkerElement>(member)) return marker;
        }
    }
    return nullptr;
}

// The unnamed old charts of a graphics layer by the anchor of their leader, which is their
// feature's point: the only sign of which feature an unnamed chart belongs to. Made on first
// need; a chart once taken is not offered again.
class UnnamedCharts {
public:
    host::ElementPtr take(const host::GraphicsContainer& container, host::XY anchor) {
        if (!indexed_) {
            indexed_ = true;
            for (const host::ElementPtr& chart : container.elements()) {
                const auto marker = chartMarkerOf(chart);
                if (!marker || !marker->name().empty() || !chart->name().empty()) continue;
                const auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
                if (!symbol || !symbol->background() || !symbol->background()->anchorPoint()) continue;
                const host::XY a = *symbol->background()->anchorPoint();
                byAnchor_[{a.x, a.y}].push_back(chart);
            }
        }
        auto it = byAnchor_.find({anchor.x, anchor.y});
        if (it == byAnchor_.end() || it->second.empty()) return nullptr;
        // Features that share a point share their charts in drawing order.
        host::ElementPtr chart = it->second.front();
        it->second.erase(it->second.begin());
        return chart;
    }

private:
    bool indexed_ = false;
    std::map<std::pair<double, double>, std::vector<host::ElementPtr>> byAnchor_;
};

}  // namespace

void PlotletsGraphElement(const host::FeatureLayerPtr& layer, std::int16_t placementCode, bool selectedOnly,
                          bool recreate, const std::vector<std::string>& fieldNames,
                          const host::SymbolArray* fieldSymbols) {
    std::optional<ChartDialog> dialog;
    try {
        dialog.emplace(MainChartDialog());
    } catch (...) {
        EH::reportError({.procedure = "PlotletsGraphElement", .module = EngineModuleName}, 0);
        return;
    }
    PlotletsGraphElement(*dialog, layer, placementCode, selectedOnly, recreate, fieldNames, fieldSymbols);
}

void PlotletsGraphElement(ChartDialog dialog, const host::FeatureLayerPtr& layer, std::int16_t placementCode,
                          bool selectedOnly, bool recreate, const std::vector<std::string>& fieldNames,
                          const host::SymbolArray* fieldSymbols) {
    EH::ProcedureGuard guard{{.procedure = "PlotletsGraphElement", .module = EngineModuleName}};
    try {
        const DialogSettings settings(dialog.form);

        // --- preparation ---------------------------------------------------------------------
        guard.line = 1;
        const host::MxDocumentPtr& document = runtime::required(engineContext().pMxDoc);
        host::ActiveView& view = document->activeView();
        // Measured on one display for the whole run: the view is not redrawn in between.
        const host::Display& display = view.screenDisplay();

        guard.line = 2;
        runtime::required(layer);
        const std::size_t n = fieldNames.size();
        std::vector<std::string> keys;
        keys.reserve(3 + n);
        keys.insert(keys.end(), {"LayerName", "#Vmax#", "#Vmin#"});
        keys.insert(keys.end(), fieldNames.begin(), fieldNames.end());
        // Every chart's data has these keys: one list serves them all (keys that name a field
        // twice go name by name, as the property set merges such names).
        const host::PropertySet::SharedNames sharedKeys =
            host::PropertySet::distinctNames(keys) ? std::make_shared<const std::vector<std::string>>(keys) : nullptr;
        std::vector<runtime::Variant> data(3 + n);
        data[0] = layer->name();

        guard.line = 3;
        const std::string chartLayerName = ChartLayerName(layer->name());

        guard.line = 4;
        host::GraphicsLayerPtr target;
        if (recreate) {
            if (!GraphicLayerExists(chartLayerName)) {
                target = CreateGraphicLayer(chartLayerName, layer, true);
            } else {
                const host::MapPtr& focus = runtime::required(document->focusMap());
                target = focus->basicGraphicsLayer()->findLayer(chartLayerName);
                focus->setActiveGraphicsLayer(target);
            }
        } else {
            if (GraphicLayerExists(chartLayerName) && !DeleteGraphicLayer(chartLayerName)) {
                ui::msgBox(Message(17) + chartLayerName);
                return;
            }
            target = CreateGraphicLayer(chartLayerName, layer, true);
        }

        guard.line = 5;
        host::GraphicsLayerPtr oldLayer;
        if (placementCode == PlacementOverOldCharts) {
            const std::string oldName = settings.comboText("CmbOldChartLayer");
            if (!GraphicLayerExists(oldName)) {
                ui::msgBox(Message(18) + oldName, ui::mb::OKOnly + ui::mb::Exclamation, Message(19));
                return;
            }
            oldLayer = runtime::required(document->focusMap())->basicGraphicsLayer()->findLayer(oldName);
        }

        guard.line = 6;
        host::GraphicsContainer& container = runtime::required(target)->container();

        guard.line = 7;
        host::FeatureCursorPtr cursor;
        std::size_t total = 0;
        if (selectedOnly) {
            const host::SelectionSetPtr& selection = runtime::required(layer->selectionSet());
            if (selection->count() == 0) {
                ui::msgBox(Message(20));
                return;
            }
            cursor = selection->search(nullptr);
            total = selection->count();
        } else {
            cursor = layer->search(nullptr);
            total = runtime::required(layer->featureClass())->featureCount();
        }

        guard.line = 8;
        const std::string qualifier = runtime::required(layer->featureClass())->name();
        const host::FeatureClass* pointClass =
            layer->featureClass()->shapeType() == host::GeometryType::Point ? layer->featureClass().get() : nullptr;

        // --- per feature ---------------------------------------------------------------------
        std::optional<double> maxValueBox, minValueBox, nullValueBox, widthBox, sizeBox, distanceBox, minLabelBox;
        std::optional<std::int16_t> signsBox, fontSizeBox;
        std::optional<std::string> fontNameBox;
        std::optional<bool> showLeaderBox, labelsBox, saveLayerFileBox;
        std::optional<std::vector<int>> fieldIndex;
        std::optional<int> keyIndex;  // −1: no key field

        std::vector<double> barValue(n), shownValue(n);
        SymbolCache symbolCache;
        // Charts drawn in this run: a Recreate lookup never takes one of them for an old chart
        // (two features with one key would otherwise delete each other's new chart).
        std::unordered_set<const host::Element*> drawnThisRun;
        UnnamedCharts unnamedTarget, unnamedOld;
        if (recreate) drawnThisRun.reserve(total);
        container.reserve(total);
        auto markerProbe = std::make_shared<host::MarkerElement>();
        markerProbe->setGeometry(std::make_shared<host::Point>());
        host::BarChartSymbolPtr lastSymbol;
        ProgressReport progress(total);

        while (host::FeaturePtr feature = cursor->nextFeature()) {
            guard.line = 9;
            // The shape's centre: where the chart, its anchor and the marker probe stand. A point
            // class hands out its point without making a geometry object. A feature without a
            // location (no shape, or an empty one) gets no chart: it would stand at 0,0 and
            // stretch every extent to there.
            host::Point centre;
            if (pointClass) {
                const host::XY p = pointClass->pointAt(feature->row());
                if (!std::isnan(p.x) && !std::isnan(p.y)) centre = host::Point(p);
            } else if (const host::GeometryPtr shape = feature->shape()) {
                centre = GetShapeCenter(shape);
            }
            if (centre.isEmpty()) {
                progress.advance();
                continue;
            }
            const double maxValue = settings.once(maxValueBox, [&] { return settings.decimal("TxtMaxValue"); });
            const double minValue = settings.once(minValueBox, [&] { return settings.decimal("TxtMinValue"); });

            guard.line = 10;
            if (!fieldIndex) {
                std::vector<int> indexes;
                for (const std::string& name : fieldNames) indexes.push_back(feature->findField(name));
                fieldIndex = std::move(indexes);
            }
            double highest = 0.0, lowest = 0.0;
            for (std::size_t k = 0; k < n; ++k) {
                const runtime::Variant value = feature->value((*fieldIndex)[k]);
                bool null = value.isNull();
                double v = 0.0;
                if (!null) {
                    v = value.toDouble();
                    // A NaN is no value: drawn as a null. Infinities fall beyond the scale.
                    null = std::isnan(v);
                }
                if (!null) {
                    const double a = std::fabs(v);
                    const double clamped = a < minValue ? minValue : (a > maxValue ? maxValue : a);
                    barValue[k] = v != 0.0 ? sign(v) * clamped : sign(minValue) * clamped;
                    data[3 + k] = value;
                } else {
                    v = settings.once(nullValueBox, [&] { return settings.decimal("TxtNullValue"); });
                    barValue[k] = v;
                    data[3 + k] = NullValueText;
                }
                shownValue[k] = v;
                if (k == 0) {
                    highest = lowest = v;
                } else {
                    highest = std::max(highest, v);
                    lowest = std::min(lowest, v);
                }
            }

            guard.line = 11;
            double vmax = 0.0;
            if (highest > 0) {
                if (std::fabs(highest) > std::fabs(maxValue)) vmax = maxValue;
                else if (highest < minValue) vmax = minValue;
                else vmax = highest;
            }
            guard.line = 12;
            double vmin = 0.0;
            if (lowest < 0) {
                if (std::fabs(lowest) > std::fabs(maxValue)) vmin = -std::fabs(maxValue);
                else if (std::fabs(minValue) > std::fabs(lowest)) vmin = -minValue;
                else vmin = lowest;
            }
            // A 0 is drawn as a bar of the minimum height (above or below by the minimum's sign):
            // the extremes are those of the bars as drawn, or the zero line of a chart that
            // holds one would be put a minimum bar off wherever the extremes place it (old place,
            // labels).
            for (std::size_t k = 0; k < n; ++k) {
                if (shownValue[k] != 0.0 || barValue[k] == 0.0) continue;
                if (barValue[k] > 0) vmax = std::max(vmax, barValue[k]);
                else vmin = std::min(vmin, barValue[k]);
            }
            guard.line = 13;
            data[1] = vmax;
            data[2] = vmin;

            guard.line = 14;
            BarChartSettings chartSettings;
            chartSettings.ShowAxes = false;
            chartSettings.Spacing = 0;
            chartSettings.VerticalBars = true;
            chartSettings.Width = settings.once(widthBox, [&] { return settings.number("TxtChartWidth"); });
            chartSettings.Display3D = false;
            chartSettings.Thickness = 0;
            chartSettings.Size = settings.once(sizeBox, [&] { return settings.number("TxtChartMarkerSize"); });
            const host::BarChartSymbolPtr chartSymbol = MakeBarChartSymbol(barValue, fieldSymbols, maxValue, chartSettings);

            guard.line = 15;
            const double halfWidth = (chartSettings.Width + chartSettings.Spacing) * static_cast<double>(n) / 2;
            const double radius = std::sqrt(std::pow(chartSettings.Size * 3 / 4, 2) + halfWidth * halfWidth);

            guard.line = 16;
            CreateLeader(chartSymbol, 0.5, 0, 3, radius);
            if (chartSymbol && chartSymbol->background()) chartSymbol->background()->setAnchorPoint(centre.xy());

            guard.line = 17;
            const host::SymbolPtr rendered = runtime::required(layer->renderer())->symbolByFeature(*feature);
            auto featureMarker = std::dynamic_pointer_cast<host::MarkerSymbol>(rendered);
            if (!featureMarker) runtime::raise(runtime::err::TypeMismatch);

            guard.line = 18;
            auto chartElement = std::make_shared<host::MarkerElement>();
            chartElement->setGeometry(std::make_shared<host::Point>(centre));
            chartElement->setSymbol(chartSymbol);
            static_cast<host::Point&>(*markerProbe->geometry()).putCoords(centre.x(), centre.y());
            markerProbe->setSymbol(featureMarker);

            guard.line = 19;
            if (!keyIndex) {
                const std::string key = settings.comboText("CmbKey");
                int index = feature->findField(key);
                if (index < 0) index = feature->findField(qualifier + "." + key);
                keyIndex = index;
            }
            std::string keyText;
            if (*keyIndex >= 0) {
                const runtime::Variant keyValue = feature->value(*keyIndex);
                // A feature without a key value gets an unnamed chart, like a missing key field.
                if (!keyValue.isNull()) keyText = keyValue.toString();
            }
            chartElement->setName(keyText);

            guard.line = 20;
            if (sharedKeys) SetElementData(chartElement, sharedKeys, data);
            else SetElementData(chartElement, keys, data);

            guard.line = 21;
            host::ElementPtr oldChart;
            // A feature without a key value finds its unnamed old chart by the anchor of the
            // chart's leader (its feature's point), never by the empty name, which would pair it
            // with any other unnamed chart.
            if (recreate && keyText.empty()) {
                if (placementCode == PlacementOverOldCharts) {
                    oldChart = unnamedOld.take(oldLayer->container(), centre.xy());
                    if (host::ElementPtr existing = unnamedTarget.take(container, centre.xy());
                        existing && !drawnThisRun.count(existing.get())) {
                        container.deleteElement(existing.get());
                    }
                } else {
                    oldChart = unnamedTarget.take(container, centre.xy());
                }
                if (oldChart && drawnThisRun.count(oldChart.get())) oldChart.reset();
            }
            if (recreate && !keyText.empty()) {
                if (placementCode == PlacementOverOldCharts) {
                    oldChart = FindElementByName(keyText, oldLayer);
                    if (host::ElementPtr existing = container.findElementByName(keyText);
                        existing && !drawnThisRun.count(existing.get())) {
                        container.deleteElement(existing.get());
                    }
                } else {
                    oldChart = FindElementByName(keyText, target);
                }
                if (oldChart && drawnThisRun.count(oldChart.get())) oldChart.reset();
            }

            guard.line = 22;
            // The new chart and the probe of the feature's marker are only measured until the
            // chart goes into its group (step 29): they need no place in the container meanwhile.

            guard.line = 23;
            host::Envelope oldBounds, chartBounds, markerBounds;

            guard.line = 24;
            std::shared_ptr<host::MarkerElement> oldMarker;
            if (recreate && placementCode < 0 && oldChart) {
                oldMarker = chartMarkerOf(oldChart);
                if (!oldMarker) runtime::raise(runtime::err::ObjectNotSet);
                if (auto oldSymbol = std::dynamic_pointer_cast<host::BarChartSymbol>(oldMarker->symbol())) {
                    oldSymbol->setBackground(nullptr);
                    oldMarker->setSymbol(oldSymbol);
                }
                oldBounds = oldMarker->queryBounds(display);
            }

            guard.line = 25;
            chartBounds = chartElement->queryBounds(display);
            markerBounds = markerProbe->queryBounds(display);

            guard.line = 26;
            std::array<double, 2> offset{0.0, 0.0};
            if (!recreate || placementCode >= 0 || !oldChart) {
                const double distance = settings.once(distanceBox, [&] { return settings.number("TxtLabelDistance"); });
                offset = PlacementOffset(markerBounds, chartBounds, placementCode, distance);
            } else {
                std::array<double, 2> oldZero{0.0, 0.0};
                GetX0Y0(oldMarker, oldBounds, oldZero);
                const double ratio = vmin != vmax ? (0 - vmin) / (vmax - vmin) : 1.0;
                const std::array<double, 2> newZero{chartBounds.xMin(), chartBounds.yMin() + chartBounds.height() * ratio};
                offset = {oldZero[0] - newZero[0], oldZero[1] - newZero[1]};
            }

            guard.line = 27;
            chartElement->move(offset[0], offset[1]);

            guard.line = 28;
            if (oldChart && placementCode != PlacementOverOldCharts) container.deleteElement(oldChart.get());

            guard.line = 29;
            auto group = std::make_shared<host::GroupElement>();
            group->addElement(chartElement);

            guard.line = 30;
            runtime::required(chartSymbol);
            const host::LineCalloutPtr callout = chartSymbol->background();
            chartSymbol->setBackground(nullptr);
            chartElement->setSymbol(chartSymbol);
            chartBounds = chartElement->queryBounds(display);
            if (settings.once(showLeaderBox, [&] { return settings.checked("ChkShowLeader"); })) {
                chartSymbol->setBackground(callout);
            }
            chartElement->setSymbol(chartSymbol);

            guard.line = 31;
            const double W = chartBounds.width(), H = chartBounds.height();
            const double XMin = chartBounds.xMin(), YMin = chartBounds.yMin();
            const double slot = W / static_cast<double>(n);
            const bool labels = settings.once(labelsBox, [&] { return settings.checked("ChkLabelDiagramm"); });
            for (std::size_t k = 0; k < n; ++k) {
                const double v = shownValue[k];
                const double minLabel = labels ? settings.once(minLabelBox, [&] { return settings.decimal("TxtMinLabelValue"); }) : 0.0;
                if (labels && std::fabs(v) > std::fabs(minLabel)) {
                    const std::int16_t signs = settings.once(signsBox, [&] { return settings.int16("TxtSignNumber"); });
                    const std::int16_t fontSize = settings.once(fontSizeBox, [&] { return settings.int16("TxtFontSize"); });
                    const std::string& fontName = settings.once(fontNameBox, [&] { return settings.text("TxtFontName"); });
                    const double x = XMin + slot * static_cast<double>(k) + slot / 2;
                    const double ratio = vmin != vmax ? (barValue[k] - vmin) / (vmax - vmin) : 1.0;
                    const double y = YMin + ratio * H;
                    const int vertical = barValue[k] >= 0 ? 3 : 0;  // bottom above the bar, top below it
                    group->addElement(MakeTextElement(CutNumberString(v, signs), x, y, fontSize, fontName, false, 0, 1,
                                                      vertical, symbolCache));
                }
                // A bar is cut where its value lies beyond the scale: above the positive extent,
                // or, for a bar hanging down, beyond the maximum (the positive extent of a chart
                // says nothing about its negative bars).
                const bool cut = v >= 0 ? std::fabs(v) > std::fabs(vmax) : std::fabs(v) > std::fabs(maxValue);
                if (cut) {
                    const double x = XMin + slot * static_cast<double>(k);
                    const double ratio = vmin != vmax ? (0.8 * barValue[k] - vmin) / (vmax - vmin) : 1.0;
                    const double y = YMin + ratio * H;
                    group->addElement(MakeZigZag(H / 10, slot, x, y, symbolCache));
                }
            }

            guard.line = 32;
            container.addElement(group);
            if (recreate) drawnThisRun.insert(group.get());
            lastSymbol = chartSymbol;

            guard.line = 33;
            progress.advance();
        }

        // --- after the last feature ---------------------------------------------------------
        progress.finish();
        guard.line = 34;
        std::optional<EH::CaughtError> pending;
        host::FeatureLayerPtr layerCopy;
        if (settings.once(saveLayerFileBox, [&] { return settings.checked("ChkSaveLyrFile"); })) {
            const double size = settings.once(sizeBox, [&] { return settings.number("TxtChartMarkerSize"); });
            if (!lastSymbol) {
                // No feature was drawn: the renderer still needs the chart's look, which the
                // field symbols and settings give without any values.
                BarChartSettings chartSettings;
                chartSettings.Width = settings.once(widthBox, [&] { return settings.number("TxtChartWidth"); });
                chartSettings.Size = size;
                const double maxValue = settings.once(maxValueBox, [&] { return settings.decimal("TxtMaxValue"); });
                lastSymbol = MakeBarChartSymbol(std::vector<double>(n, 0.0), fieldSymbols, maxValue, chartSettings);
            }
            layerCopy = SaveChartLayerFile(dialog, layer, fieldNames, lastSymbol, size, pending);
        }

        guard.line = 35;
        if (pending) {
            EH::HandleError(true, EH::ErrorSite{"PlotletsGraphElement ", EngineModuleName}.location(34), pending->number,
                            pending->source, pending->description, EH::ModeModule);
        }

        guard.line = 36;
        // The layer copy went into the layer file; it is not added to the map, where it would
        // draw every chart a second time over the chart elements.
        layerCopy.reset();
        view.refresh();
    } catch (...) {
        guard.report();
    }
}

}  // namespace plotlet
