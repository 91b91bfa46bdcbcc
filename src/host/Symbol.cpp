#include "host/Symbol.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "host/Error.h"

namespace host {

void SimpleLineSymbol::setStyle(int code) {
    if (code < 0 || code > 5) raiseHost(2, "SimpleLineSymbol.Style", "The line style is out of range.");
    style_ = static_cast<SimpleLineStyle>(code);
}

void FillSymbol::copyOutlineFrom(const FillSymbol& other) {
    outline_ = other.outline_ ? std::static_pointer_cast<LineSymbol>(other.outline_->cloneSymbol()) : nullptr;
}

SymbolPtr SimpleFillSymbol::cloneSymbol() const {
    auto copy = std::make_shared<SimpleFillSymbol>(*this);
    copy->copyOutlineFrom(*this);
    return copy;
}

SymbolPtr MultiLayerFillSymbol::cloneSymbol() const {
    auto copy = std::make_shared<MultiLayerFillSymbol>(*this);
    copy->copyOutlineFrom(*this);
    copy->layers_.clear();
    for (const auto& layer : layers_) copy->layers_.push_back(std::static_pointer_cast<FillSymbol>(layer->cloneSymbol()));
    return copy;
}

const RgbColor& MultiLayerFillSymbol::color() const {
    static const RgbColor black;
    return layers_.empty() ? black : layers_.front()->color();
}

void MultiLayerFillSymbol::setColor(const RgbColor& c) {
    if (!layers_.empty()) layers_.front()->setColor(c);
}

SymbolPtr MarkerFillSymbol::cloneSymbol() const {
    auto copy = std::make_shared<MarkerFillSymbol>(*this);
    copy->copyOutlineFrom(*this);
    if (marker_) copy->marker_ = std::static_pointer_cast<MarkerSymbol>(marker_->cloneSymbol());
    return copy;
}

SymbolPtr LineFillSymbol::cloneSymbol() const {
    auto copy = std::make_shared<LineFillSymbol>(*this);
    copy->copyOutlineFrom(*this);
    if (line_) copy->line_ = std::static_pointer_cast<LineSymbol>(line_->cloneSymbol());
    return copy;
}

SymbolPtr PictureFillSymbol::cloneSymbol() const {
    auto copy = std::make_shared<PictureFillSymbol>(*this);
    copy->copyOutlineFrom(*this);
    return copy;
}

void TextSymbol::setHorizontalAlignment(int code) {
    if (code < 0 || code > 3) raiseHost(3, "TextSymbol.HorizontalAlignment", "The alignment is out of range.");
    hAlign_ = static_cast<HorizontalAlignment>(code == 3 ? 0 : code);  // "full" justification reads as left
}

void TextSymbol::setVerticalAlignment(int code) {
    if (code < 0 || code > 3) raiseHost(3, "TextSymbol.VerticalAlignment", "The alignment is out of range.");
    vAlign_ = static_cast<VerticalAlignment>(code);
}

const std::vector<SymbolPtr>& SymbolArray::noSymbols() {
    static const std::vector<SymbolPtr> none;
    return none;
}

std::vector<SymbolPtr>& SymbolArray::own() {
    if (!symbols_) symbols_ = std::make_shared<std::vector<SymbolPtr>>();
    else if (symbols_.use_count() > 1) symbols_ = std::make_shared<std::vector<SymbolPtr>>(*symbols_);
    return *symbols_;
}

const SymbolPtr& SymbolArray::symbol(std::size_t index) const {
    if (index >= symbolCount()) raiseRuntime(runtime::err::SubscriptOutOfRange, "SymbolArray.Symbol", "Subscript out of range");
    return (*symbols_)[index];
}

void SymbolArray::setSymbol(std::size_t index, SymbolPtr symbol) {
    if (index >= symbolCount()) raiseRuntime(runtime::err::SubscriptOutOfRange, "SymbolArray.Symbol", "Subscript out of range");
    own()[index] = std::move(symbol);
}

void SymbolArray::insertSymbol(std::size_t index, SymbolPtr symbol) {
    if (index > symbolCount()) raiseRuntime(runtime::err::SubscriptOutOfRange, "SymbolArray.InsertSymbol", "Subscript out of range");
    auto& list = own();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), std::move(symbol));
}

void SymbolArray::removeSymbol(std::size_t index) {
    if (index >= symbolCount()) raiseRuntime(runtime::err::SubscriptOutOfRange, "SymbolArray.DeleteSymbol", "Subscript out of range");
    auto& list = own();
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
}

void SymbolArray::swapSymbols(std::size_t a, std::size_t b) {
    if (a >= symbolCount() || b >= symbolCount())
        raiseRuntime(runtime::err::SubscriptOutOfRange, "SymbolArray.MoveSymbol", "Subscript out of range");
    auto& list = own();
    std::swap(list[a], list[b]);
}

SymbolPtr BarChartSymbol::cloneSymbol() const {
    auto copy = std::make_shared<BarChartSymbol>(*this);
    if (background_) copy->background_ = background_->clone();
    return copy;
}

BarChartSymbol::BarChartSymbol(const BarChartSymbol& other)
    : MarkerSymbol(other), SymbolArray(other), spacing_(other.spacing_), width_(other.width_),
      thickness_(other.thickness_), maxValue_(other.maxValue_), showAxes_(other.showAxes_),
      verticalBars_(other.verticalBars_), display3D_(other.display3D_), background_(other.background_) {
    setValues(other.values());
}

double BarChartSymbol::value(std::size_t index) const {
    if (index >= valueCount_) raiseRuntime(runtime::err::SubscriptOutOfRange, "ChartSymbol.Value", "Subscript out of range");
    return values_[index];
}

void BarChartSymbol::setValue(std::size_t index, double v) {
    if (index >= valueCount_) {
        // The list grows to hold the value asked for, the values between being 0.
        if (index >= std::numeric_limits<std::uint32_t>::max())
            raiseRuntime(runtime::err::SubscriptOutOfRange, "ChartSymbol.Value", "Subscript out of range");
        std::vector<double> grown = valueList();
        grown.resize(index + 1, 0.0);
        setValues(grown);
    }
    values_[index] = v;
}

void BarChartSymbol::setValues(std::span<const double> values) {
    if (values.size() >= std::numeric_limits<std::uint32_t>::max())
        raiseRuntime(runtime::err::SubscriptOutOfRange, "ChartSymbol.Value", "Subscript out of range");
    auto copy = values.empty() ? nullptr : std::make_unique_for_overwrite<double[]>(values.size());
    std::copy(values.begin(), values.end(), copy.get());
    values_ = std::move(copy);
    valueCount_ = static_cast<std::uint32_t>(values.size());
}

}  // namespace host
