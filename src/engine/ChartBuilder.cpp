#include "engine/ChartBuilder.h"

#include <array>
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

// The dialog's settings of one run, each read from its control the first time the run needs it:
// a box that holds no number fails at the step that uses it (the line of the error report), and
// not at all when no feature needs it.
class RunSettings {
public:
    explicit RunSettings(ui::Form& form) : form_(form) {}

    // The scale boxes take "," or "." as the decimal separator.
    double maxValue() { return once(maxValue_, [&] { return decimal("TxtMaxValue"); }); }
    double minValue() { return once(minValue_, [&] { return decimal("TxtMinValue"); }); }
    double nullValue() { return once(nullValue_, [&] { return decimal("TxtNullValue"); }); }
    double minLabelValue() { return once(minLabelValue_, [&] { return decimal("TxtMinLabelValue"); }); }

    // The size boxes are read in the system's number format, as the dialog writes them.
    double barWidth() { return once(barWidth_, [&] { return number("TxtChartWidth"); }); }
    double chartSize() { return once(chartSize_, [&] { return number("TxtChartMarkerSize"); }); }
    double labelDistance() { return once(labelDistance_, [&] { return number("TxtLabelDistance"); }); }

    std::int16_t signs() { return once(signs_, [&] { return int16("TxtSignNumber"); }); }
    std::int16_t fontSize() { return once(fontSize_, [&] { return int16("TxtFontSize"); }); }
    const std::string& fontName() { return once(fontName_, [&] { return text("TxtFontName"); }); }

    bool showLeader() { return once(showLeader_, [&] { return checked("ChkShowLeader"); }); }
    bool labels() { return once(labels_, [&] { return checked("ChkLabelDiagramm"); }); }
    bool saveLayerFile() { return once(saveLayerFile_, [&] { return checked("ChkSaveLyrFile"); }); }

    // Each needed once per run.
    std::string keyField() const { return form_.comboBox("CmbKey").text(); }
    std::string oldChartLayer() const { return form_.comboBox("CmbOldChartLayer").text(); }

private:
    template <class T, class Read>
    static const T& once(std::optional<T>& slot, Read&& read) {
        if (!slot) slot = read();
        return *slot;
    }
    std::string text(std::string_view name) const { return form_.textBox(name).text(); }
    bool checked(std::string_view name) const { return form_.checkBox(name).value() != ui::CheckBox::Unchecked; }
    double decimal(std::string_view name) const { return runtime::parseDecimal(text(name)); }
    double number(std::string_view name) const { return runtime::parseNumber(text(name)); }
    std::int16_t int16(std::string_view name) const { return runtime::toInt16(number(name)); }

    ui::Form& form_;
    std::optional<double> maxValue_, minValue_, nullValue_, minLabelValue_, barWidth_, chartSize_, labelDistance_;
    std::optional<std::int16_t> signs_, fontSize_;
    std::optional<std::string> fontName_;
    std::optional<bool> showLeader_, labels_, saveLayerFile_;
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
        for (const host::ElementPtr& member : group->ownElements()) {
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


// One run of the builder over the features of a layer: what it reads once (settings, chart
// layer, cursor, field and key positions), its caches, the charts it has drawn and its
// progress. Each method does one part of the work and first sets the guard's step counter, the
// line users quote from the error report; the numbers belong to the reports, not to the
// methods, and stay as they are when the code moves.
class ChartRun {
public:
    ChartRun(ChartDialog dialog, EH::ProcedureGuard& guard, const host::FeatureLayerPtr& layer,
             std::int16_t placementCode, bool selectedOnly, bool recreate, const std::vector<std::string>& fieldNames,
             const host::SymbolArray* fieldSymbols)
        : dialog_(dialog), guard_(guard), settings_(dialog.form), layer_(layer), placementCode_(placementCode),
          selectedOnly_(selectedOnly), recreate_(recreate), fieldNames_(fieldNames), fieldSymbols_(fieldSymbols),
          n_(fieldNames.size()) {}

    // The chart layer, the old charts' layer and the cursor. False when a message box ended the
    // run.
    bool prepare();
    // One chart per feature of the cursor.
    void drawCharts();
    // The layer file, a failure it left pending, and the one refresh of the view.
    void finish();

private:
    void step(long line) { guard_.line = line; }

    bool chooseChartLayer();
    bool findOldChartLayer();
    bool openCursor();

    void drawChart(const host::Feature& feature, const host::Point& centre);
    std::optional<host::Point> centreOf(const host::Feature& feature) const;
    void readValues(const host::Feature& feature, double minValue, double maxValue);
    void measureExtent(double minValue, double maxValue);
    host::BarChartSymbolPtr makeChartSymbol(const host::Point& centre, double maxValue);
    std::string keyOf(const host::Feature& feature);
    host::ElementPtr takeOldChart(const std::string& keyText, const host::Point& centre);
    void place(host::MarkerElement& chart, const host::ElementPtr& oldChart);
    std::shared_ptr<host::GroupElement> groupChart(const std::shared_ptr<host::MarkerElement>& chart,
                                                   const host::BarChartSymbolPtr& chartSymbol,
                                                   host::Envelope& chartBounds);
    void addLabelsAndBreakMarks(host::GroupElement& group, const host::Envelope& chartBounds, double maxValue);
    host::FeatureLayerPtr saveLayerFile(std::optional<EH::CaughtError>& pending);

    // Where a value stands on the chart's height, from its negative (0) to its positive extent
    // (1); a chart whose extents are equal is flat and puts everything on its top.
    double heightRatio(double value) const { return vmin_ != vmax_ ? (value - vmin_) / (vmax_ - vmin_) : 1.0; }

    // The arguments.
    ChartDialog dialog_;
    EH::ProcedureGuard& guard_;
    RunSettings settings_;
    const host::FeatureLayerPtr& layer_;
    const std::int16_t placementCode_;
    const bool selectedOnly_, recreate_;
    const std::vector<std::string>& fieldNames_;
    const host::SymbolArray* const fieldSymbols_;
    const std::size_t n_;

    // Found once, while preparing.
    host::MxDocumentPtr document_;
    host::ActiveView* view_ = nullptr;
    // Measured on one display for the whole run: the view is not redrawn in between.
    const host::Display* display_ = nullptr;
    std::vector<std::string> keys_;        // of the attached data
    // The same keys as one list that every chart's data shares; empty when keys that name a
    // field twice must go name by name (the property set merges such names).
    host::PropertySet::SharedNames sharedKeys_;
    std::vector<runtime::Variant> data_;   // the attached data of the chart being drawn
    std::string chartLayerName_;
    host::GraphicsLayerPtr target_, oldLayer_;
    host::GraphicsContainer* container_ = nullptr;
    host::FeatureCursorPtr cursor_;
    std::size_t total_ = 0;
    std::string qualifier_;  // the table name put before the key field of a joined table
    const host::FeatureClass* pointClass_ = nullptr;

    // Caches: field and key positions (the same for every feature), styles, and the unnamed old
    // charts by their anchor.
    std::optional<std::vector<int>> fieldIndex_;
    std::optional<int> keyIndex_;  // −1: no key field
    SymbolCache symbolCache_;
    UnnamedCharts unnamedTarget_, unnamedOld_;
    // Measures the feature's own marker beside its chart, one element for every feature.
    std::shared_ptr<host::MarkerElement> markerProbe_ = makeProbe();
    static std::shared_ptr<host::MarkerElement> makeProbe() {
        auto probe = std::make_shared<host::MarkerElement>();
        probe->setGeometry(std::make_shared<host::Point>());
        return probe;
    }

    // The chart being drawn: the values handed to the chart symbol (clamped, or the null
    // substitute), the values as read (the substitute for a null), and the chart's extents.
    std::vector<double> barValue_, shownValue_;
    double vmax_ = 0.0, vmin_ = 0.0;

    // Charts drawn in this run: a Recreate lookup never takes one of them for an old chart (two
    // features with one key would otherwise delete each other's new chart).
    std::unordered_set<const host::Element*> drawnThisRun_;
    host::BarChartSymbolPtr lastSymbol_;  // the look of the charts, for the layer file
    std::optional<ProgressReport> progress_;
};

bool ChartRun::prepare() {
    step(1);
    document_ = runtime::required(engineContext().pMxDoc);
    view_ = &document_->activeView();
    display_ = &view_->screenDisplay();

    step(2);
    runtime::required(layer_);
    keys_.reserve(3 + n_);
    keys_.insert(keys_.end(), {"LayerName", "#Vmax#", "#Vmin#"});
    keys_.insert(keys_.end(), fieldNames_.begin(), fieldNames_.end());
    if (host::PropertySet::distinctNames(keys_)) sharedKeys_ = std::make_shared<const std::vector<std::string>>(keys_);
    data_.resize(3 + n_);
    data_[0] = layer_->name();

    step(3);
    chartLayerName_ = ChartLayerName(layer_->name());

    step(4);
    if (!chooseChartLayer()) return false;

    step(5);
    if (!findOldChartLayer()) return false;

    step(6);
    container_ = &runtime::required(target_)->container();

    step(7);
    if (!openCursor()) return false;

    step(8);
    qualifier_ = runtime::required(layer_->featureClass())->name();
    pointClass_ = layer_->featureClass()->shapeType() == host::GeometryType::Point ? layer_->featureClass().get() : nullptr;
    return true;
}

// New starts from an empty chart layer; Recreate keeps the layer and its charts.
bool ChartRun::chooseChartLayer() {
    if (recreate_) {
        if (!GraphicLayerExists(chartLayerName_)) {
            target_ = CreateGraphicLayer(chartLayerName_, layer_, true);
        } else {
            const host::MapPtr& focus = runtime::required(document_->focusMap());
            target_ = focus->basicGraphicsLayer()->findLayer(chartLayerName_);
            focus->setActiveGraphicsLayer(target_);
        }
        return true;
    }
    if (GraphicLayerExists(chartLayerName_) && !DeleteGraphicLayer(chartLayerName_)) {
        ui::msgBox(Message(17) + chartLayerName_);
        return false;
    }
    target_ = CreateGraphicLayer(chartLayerName_, layer_, true);
    return true;
}

// The layer of the charts that new ones are drawn over, when placed so.
bool ChartRun::findOldChartLayer() {
    if (placementCode_ != PlacementOverOldCharts) return true;
    const std::string oldName = settings_.oldChartLayer();
    if (!GraphicLayerExists(oldName)) {
        ui::msgBox(Message(18) + oldName, ui::mb::OKOnly + ui::mb::Exclamation, Message(19));
        return false;
    }
    oldLayer_ = runtime::required(document_->focusMap())->basicGraphicsLayer()->findLayer(oldName);
    return true;
}

bool ChartRun::openCursor() {
    if (selectedOnly_) {
        const host::SelectionSetPtr& selection = runtime::required(layer_->selectionSet());
        if (selection->count() == 0) {
            ui::msgBox(Message(20));
            return false;
        }
        cursor_ = selection->search(nullptr);
        total_ = selection->count();
    } else {
        cursor_ = layer_->search(nullptr);
        total_ = runtime::required(layer_->featureClass())->featureCount();
    }
    return true;
}

void ChartRun::drawCharts() {
    barValue_.resize(n_);
    shownValue_.resize(n_);
    if (recreate_) drawnThisRun_.reserve(total_);
    container_->reserve(total_);
    progress_.emplace(total_);

    while (host::FeaturePtr feature = cursor_->nextFeature()) {
        step(9);
        if (const std::optional<host::Point> centre = centreOf(*feature)) drawChart(*feature, *centre);
        progress_->advance();
    }
    progress_->finish();
}

// The shape's centre: where the chart, its anchor and the marker probe stand. A point class
// hands out its point without making a geometry object. A feature without a location (no
// shape, or an empty one) gets no chart: it would stand at 0,0 and stretch every extent to
// there.
std::optional<host::Point> ChartRun::centreOf(const host::Feature& feature) const {
    host::Point centre;
    if (pointClass_) {
        const host::XY p = pointClass_->pointAt(feature.row());
        if (!std::isnan(p.x) && !std::isnan(p.y)) centre = host::Point(p);
    } else if (const host::GeometryPtr shape = feature.shape()) {
        centre = GetShapeCenter(shape);
    }
    if (centre.isEmpty()) return std::nullopt;
    return centre;
}

void ChartRun::drawChart(const host::Feature& feature, const host::Point& centre) {
    const double maxValue = settings_.maxValue();
    const double minValue = settings_.minValue();

    step(10);
    readValues(feature, minValue, maxValue);
    step(11);
    measureExtent(minValue, maxValue);
    step(13);
    data_[1] = vmax_;
    data_[2] = vmin_;

    step(14);
    const host::BarChartSymbolPtr chartSymbol = makeChartSymbol(centre, maxValue);

    step(17);
    const host::SymbolPtr rendered = runtime::required(layer_->renderer())->symbolByFeature(feature);
    auto featureMarker = std::dynamic_pointer_cast<host::MarkerSymbol>(rendered);
    if (!featureMarker) runtime::raise(runtime::err::TypeMismatch);

    step(18);
    auto chartElement = std::make_shared<host::MarkerElement>();
    chartElement->setPoint(centre.xy());
    chartElement->setSymbol(chartSymbol);
    static_cast<host::Point&>(*markerProbe_->geometry()).putCoords(centre.x(), centre.y());
    markerProbe_->setSymbol(featureMarker);

    step(19);
    const std::string keyText = keyOf(feature);
    chartElement->setName(keyText);

    step(20);
    if (sharedKeys_) SetElementData(chartElement, sharedKeys_, data_);
    else SetElementData(chartElement, keys_, data_);

    step(21);
    const host::ElementPtr oldChart = takeOldChart(keyText, centre);

    step(22);
    // The new chart and the probe of the feature's marker are only measured until the chart
    // goes into its group: they need no place in the container meanwhile.
    place(*chartElement, oldChart);

    host::Envelope chartBounds;
    const std::shared_ptr<host::GroupElement> group = groupChart(chartElement, chartSymbol, chartBounds);
    step(31);
    addLabelsAndBreakMarks(*group, chartBounds, maxValue);

    step(32);
    container_->addElement(group);
    if (recreate_) drawnThisRun_.insert(group.get());
    lastSymbol_ = chartSymbol;

    step(33);
}

// The bar values, the attached data and the running extremes of the values as read.
void ChartRun::readValues(const host::Feature& feature, double minValue, double maxValue) {
    if (!fieldIndex_) {
        std::vector<int> indexes;
        for (const std::string& name : fieldNames_) indexes.push_back(feature.findField(name));
        fieldIndex_ = std::move(indexes);
    }
    for (std::size_t k = 0; k < n_; ++k) {
        const runtime::Variant value = feature.value((*fieldIndex_)[k]);
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
            barValue_[k] = v != 0.0 ? sign(v) * clamped : sign(minValue) * clamped;
            data_[3 + k] = value;
        } else {
            v = settings_.nullValue();
            barValue_[k] = v;
            data_[3 + k] = NullValueText;
        }
        shownValue_[k] = v;
    }
}

// The chart's positive and negative extent from the highest and lowest value as read, kept
// within the scale.
void ChartRun::measureExtent(double minValue, double maxValue) {
    double highest = 0.0, lowest = 0.0;
    for (std::size_t k = 0; k < n_; ++k) {
        const double v = shownValue_[k];
        if (k == 0) {
            highest = lowest = v;
        } else {
            highest = std::max(highest, v);
            lowest = std::min(lowest, v);
        }
    }
    vmax_ = 0.0;
    if (highest > 0) {
        if (std::fabs(highest) > std::fabs(maxValue)) vmax_ = maxValue;
        else if (highest < minValue) vmax_ = minValue;
        else vmax_ = highest;
    }
    step(12);
    vmin_ = 0.0;
    if (lowest < 0) {
        if (std::fabs(lowest) > std::fabs(maxValue)) vmin_ = -std::fabs(maxValue);
        else if (std::fabs(minValue) > std::fabs(lowest)) vmin_ = -minValue;
        else vmin_ = lowest;
    }
    // A 0 is drawn as a bar of the minimum height (above or below by the minimum's sign): the
    // extremes are those of the bars as drawn, or the zero line of a chart that holds one would
    // be put a minimum bar off wherever the extremes place it (old place, labels).
    for (std::size_t k = 0; k < n_; ++k) {
        if (shownValue_[k] != 0.0 || barValue_[k] == 0.0) continue;
        if (barValue_[k] > 0) vmax_ = std::max(vmax_, barValue_[k]);
        else vmin_ = std::min(vmin_, barValue_[k]);
    }
}

// The bar chart symbol with its leader, anchored at the feature.
host::BarChartSymbolPtr ChartRun::makeChartSymbol(const host::Point& centre, double maxValue) {
    BarChartSettings chartSettings;
    chartSettings.ShowAxes = false;
    chartSettings.Spacing = 0;
    chartSettings.VerticalBars = true;
    chartSettings.Width = settings_.barWidth();
    chartSettings.Display3D = false;
    chartSettings.Thickness = 0;
    chartSettings.Size = settings_.chartSize();
    const host::BarChartSymbolPtr chartSymbol = MakeBarChartSymbol(barValue_, fieldSymbols_, maxValue, chartSettings);

    step(15);
    const double halfWidth = (chartSettings.Width + chartSettings.Spacing) * static_cast<double>(n_) / 2;
    const double radius = std::sqrt(std::pow(chartSettings.Size * 3 / 4, 2) + halfWidth * halfWidth);

    step(16);
    CreateLeader(chartSymbol, 0.5, 0, 3, radius);
    if (chartSymbol && chartSymbol->background()) chartSymbol->background()->setAnchorPoint(centre.xy());
    return chartSymbol;
}

// The text of the feature's key value, "" without a key field or a key value (an unnamed
// chart). The key field is looked up plain, then qualified with the table name.
std::string ChartRun::keyOf(const host::Feature& feature) {
    if (!keyIndex_) {
        const std::string key = settings_.keyField();
        int index = feature.findField(key);
        if (index < 0) index = feature.findField(qualifier_ + "." + key);
        keyIndex_ = index;
    }
    if (*keyIndex_ < 0) return {};
    const runtime::Variant keyValue = feature.value(*keyIndex_);
    return keyValue.isNull() ? std::string() : keyValue.toString();
}

// Recreate only: the feature's old chart, found by name, or by the anchor of its leader when
// unnamed. Drawn over another layer's charts, the old chart stays there, and a chart of the
// feature already in the target layer goes. Never a chart of this run.
host::ElementPtr ChartRun::takeOldChart(const std::string& keyText, const host::Point& centre) {
    if (!recreate_) return nullptr;
    host::ElementPtr oldChart;
    // A feature without a key value finds its unnamed old chart by the anchor of the chart's
    // leader (its feature's point), never by the empty name, which would pair it with any other
    // unnamed chart.
    if (keyText.empty()) {
        if (placementCode_ == PlacementOverOldCharts) {
            oldChart = unnamedOld_.take(oldLayer_->container(), centre.xy());
            if (host::ElementPtr existing = unnamedTarget_.take(*container_, centre.xy());
                existing && !drawnThisRun_.count(existing.get())) {
                container_->deleteElement(existing.get());
            }
        } else {
            oldChart = unnamedTarget_.take(*container_, centre.xy());
        }
    } else {
        if (placementCode_ == PlacementOverOldCharts) {
            oldChart = FindElementByName(keyText, oldLayer_);
            if (host::ElementPtr existing = container_->findElementByName(keyText);
                existing && !drawnThisRun_.count(existing.get())) {
                container_->deleteElement(existing.get());
            }
        } else {
            oldChart = FindElementByName(keyText, target_);
        }
    }
    if (oldChart && drawnThisRun_.count(oldChart.get())) oldChart.reset();
    return oldChart;
}

// Moves the new chart beside the feature's marker by the placement code, or, keeping the old
// place, so that its left edge and zero line land where the old chart's were; then the old
// chart goes (unless it belongs to another layer).
void ChartRun::place(host::MarkerElement& chart, const host::ElementPtr& oldChart) {
    step(23);
    host::Envelope oldBounds, chartBounds, markerBounds;

    step(24);
    std::shared_ptr<host::MarkerElement> oldMarker;
    if (recreate_ && placementCode_ < 0 && oldChart) {
        oldMarker = chartMarkerOf(oldChart);
        if (!oldMarker) runtime::raise(runtime::err::ObjectNotSet);
        if (auto oldSymbol = std::dynamic_pointer_cast<host::BarChartSymbol>(oldMarker->symbol())) {
            oldSymbol->setBackground(nullptr);
            oldMarker->setSymbol(oldSymbol);
        }
        oldBounds = oldMarker->queryBounds(*display_);
    }

    step(25);
    chartBounds = chart.queryBounds(*display_);
    markerBounds = markerProbe_->queryBounds(*display_);

    step(26);
    std::array<double, 2> offset{0.0, 0.0};
    if (!recreate_ || placementCode_ >= 0 || !oldChart) {
        offset = PlacementOffset(markerBounds, chartBounds, placementCode_, settings_.labelDistance());
    } else {
        std::array<double, 2> oldZero{0.0, 0.0};
        GetX0Y0(oldMarker, oldBounds, oldZero);
        const std::array<double, 2> newZero{chartBounds.xMin(), chartBounds.yMin() + chartBounds.height() * heightRatio(0)};
        offset = {oldZero[0] - newZero[0], oldZero[1] - newZero[1]};
    }

    step(27);
    chart.move(offset[0], offset[1]);

    step(28);
    if (oldChart && placementCode_ != PlacementOverOldCharts) container_->deleteElement(oldChart.get());
}

// The chart's group, and the chart's bounds without its leader, which is kept only when shown.
std::shared_ptr<host::GroupElement> ChartRun::groupChart(const std::shared_ptr<host::MarkerElement>& chart,
                                                         const host::BarChartSymbolPtr& chartSymbol,
                                                         host::Envelope& chartBounds) {
    step(29);
    auto group = std::make_shared<host::GroupElement>();
    group->addElement(chart);

    step(30);
    runtime::required(chartSymbol);
    const host::LineCalloutPtr callout = chartSymbol->background();
    chartSymbol->setBackground(nullptr);
    chart->setSymbol(chartSymbol);
    chartBounds = chart->queryBounds(*display_);
    if (settings_.showLeader()) chartSymbol->setBackground(callout);
    chart->setSymbol(chartSymbol);
    return group;
}

// A label on the top of each bar whose value is large enough, and a break mark across each bar
// cut at the scale.
void ChartRun::addLabelsAndBreakMarks(host::GroupElement& group, const host::Envelope& chartBounds, double maxValue) {
    const double W = chartBounds.width(), H = chartBounds.height();
    const double XMin = chartBounds.xMin(), YMin = chartBounds.yMin();
    const double slot = W / static_cast<double>(n_);
    const bool labels = settings_.labels();
    for (std::size_t k = 0; k < n_; ++k) {
        const double v = shownValue_[k];
        const double minLabel = labels ? settings_.minLabelValue() : 0.0;
        if (labels && std::fabs(v) > std::fabs(minLabel)) {
            const std::int16_t signs = settings_.signs();
            const std::int16_t fontSize = settings_.fontSize();
            const std::string& fontName = settings_.fontName();
            const double x = XMin + slot * static_cast<double>(k) + slot / 2;
            const double y = YMin + heightRatio(barValue_[k]) * H;
            const int vertical = barValue_[k] >= 0 ? 3 : 0;  // bottom above the bar, top below it
            group.addElement(MakeTextElement(CutNumberString(v, signs), x, y, fontSize, fontName, false, 0, 1, vertical,
                                             symbolCache_));
        }
        // A bar is cut where its value lies beyond the scale: above the positive extent, or, for
        // a bar hanging down, beyond the maximum (the positive extent of a chart says nothing
        // about its negative bars).
        const bool cut = v >= 0 ? std::fabs(v) > std::fabs(vmax_) : std::fabs(v) > std::fabs(maxValue);
        if (cut) {
            const double x = XMin + slot * static_cast<double>(k);
            const double y = YMin + heightRatio(0.8 * barValue_[k]) * H;
            group.addElement(MakeZigZag(H / 10, slot, x, y, symbolCache_));
        }
    }
    group.compactLabels();
}

void ChartRun::finish() {
    step(34);
    std::optional<EH::CaughtError> pending;
    host::FeatureLayerPtr layerCopy;
    if (settings_.saveLayerFile()) layerCopy = saveLayerFile(pending);

    step(35);
    if (pending) {
        EH::HandleError(true, EH::ErrorSite{"PlotletsGraphElement ", EngineModuleName}.location(34), pending->number,
                        pending->source, pending->description, EH::ModeModule);
    }

    step(36);
    // The layer copy went into the layer file; it is not added to the map, where it would draw
    // every chart a second time over the chart elements.
    layerCopy.reset();
    view_->refresh();
}

// The layer file with a chart renderer in the look of the last chart drawn. A failure while
// writing is left pending.
host::FeatureLayerPtr ChartRun::saveLayerFile(std::optional<EH::CaughtError>& pending) {
    const double size = settings_.chartSize();
    if (!lastSymbol_) {
        // No feature was drawn: the renderer still needs the chart's look, which the field
        // symbols and settings give without any values.
        BarChartSettings chartSettings;
        chartSettings.Width = settings_.barWidth();
        chartSettings.Size = size;
        const double maxValue = settings_.maxValue();
        lastSymbol_ = MakeBarChartSymbol(std::vector<double>(n_, 0.0), fieldSymbols_, maxValue, chartSettings);
    }
    return SaveChartLayerFile(dialog_, layer_, fieldNames_, lastSymbol_, size, pending);
}

}  // namespace

void PlotletsGraphElement(ChartDialog dialog, const host::FeatureLayerPtr& layer, std::int16_t placementCode,
                          bool selectedOnly, bool recreate, const std::vector<std::string>& fieldNames,
                          const host::SymbolArray* fieldSymbols) {
    EH::ProcedureGuard guard{{.procedure = "PlotletsGraphElement", .module = EngineModuleName}};
    try {
        ChartRun run(dialog, guard, layer, placementCode, selectedOnly, recreate, fieldNames, fieldSymbols);
        if (!run.prepare()) return;
        run.drawCharts();
        run.finish();
    } catch (...) {
        guard.report();
    }
}

}  // namespace plotlet
