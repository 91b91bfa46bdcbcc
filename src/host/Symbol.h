#pragma once
// The host's symbols: markers, lines, fills (simple, multi-layer, and the marker, picture and
// line fills a legend may meet), text, and the bar chart marker symbol whose symbol array holds
// one fill symbol per bar. Sizes and widths are points. Symbols are shared objects: one fill
// symbol may colour the bars of many charts.
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/Color.h"
#include "host/Geometry.h"
#include "runtime/Object.h"

namespace host {

class Symbol : public runtime::Object {
public:
    // A deep copy (nested symbols copied too).
    virtual std::shared_ptr<Symbol> cloneSymbol() const = 0;
};
using SymbolPtr = std::shared_ptr<Symbol>;

// ---- markers -----------------------------------------------------------------------------------

class MarkerSymbol : public Symbol {
public:
    double size() const { return size_; }
    void setSize(double points) { size_ = points; }
    const RgbColor& color() const { return color_; }
    void setColor(const RgbColor& c) { color_ = c; }
    double angle() const { return angle_; }
    void setAngle(double degrees) { angle_ = degrees; }
    double xOffset() const { return xOffset_; }
    double yOffset() const { return yOffset_; }
    void setOffset(double x, double y) {
        xOffset_ = x;
        yOffset_ = y;
    }

protected:
    double size_ = 8.0;
    RgbColor color_;
    double angle_ = 0.0, xOffset_ = 0.0, yOffset_ = 0.0;
};
using MarkerSymbolPtr = std::shared_ptr<MarkerSymbol>;

enum class SimpleMarkerStyle : int { Circle = 0, Square = 1, Cross = 2, X = 3, Diamond = 4 };

class SimpleMarkerSymbol final : public MarkerSymbol {
public:
    std::string className() const override { return "SimpleMarkerSymbol"; }
    SymbolPtr cloneSymbol() const override { return std::make_shared<SimpleMarkerSymbol>(*this); }

    SimpleMarkerStyle style() const { return style_; }
    void setStyle(SimpleMarkerStyle s) { style_ = s; }
    bool outline() const { return outline_; }
    void setOutline(bool on) { outline_ = on; }
    const RgbColor& outlineColor() const { return outlineColor_; }
    void setOutlineColor(const RgbColor& c) { outlineColor_ = c; }
    double outlineSize() const { return outlineSize_; }
    void setOutlineSize(double points) { outlineSize_ = points; }

private:
    SimpleMarkerStyle style_ = SimpleMarkerStyle::Circle;
    bool outline_ = false;
    RgbColor outlineColor_;
    double outlineSize_ = 1.0;
};

// ---- lines -------------------------------------------------------------------------------------

class LineSymbol : public Symbol {
public:
    double width() const { return width_; }
    void setWidth(double points) { width_ = points; }
    const RgbColor& color() const { return color_; }
    void setColor(const RgbColor& c) { color_ = c; }

protected:
    double width_ = 1.0;
    RgbColor color_;
};
using LineSymbolPtr = std::shared_ptr<LineSymbol>;

// Line style codes of the host: 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 none.
enum class SimpleLineStyle : int { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, Null = 5 };

class SimpleLineSymbol final : public LineSymbol {
public:
    std::string className() const override { return "SimpleLineSymbol"; }
    SymbolPtr cloneSymbol() const override { return std::make_shared<SimpleLineSymbol>(*this); }
    SimpleLineStyle style() const { return style_; }
    // Codes outside 0..5 are refused with a host error.
    void setStyle(int code);
    void setStyle(SimpleLineStyle s) { style_ = s; }

private:
    SimpleLineStyle style_ = SimpleLineStyle::Solid;
};

// ---- fills -------------------------------------------------------------------------------------

class FillSymbol : public Symbol {
public:
    virtual const RgbColor& color() const { return color_; }
    virtual void setColor(const RgbColor& c) { color_ = c; }
    // The outline; may be empty (no outline).
    const LineSymbolPtr& outline() const { return outline_; }
    void setOutline(LineSymbolPtr line) { outline_ = std::move(line); }

protected:
    void copyOutlineFrom(const FillSymbol& other);
    RgbColor color_;
    LineSymbolPtr outline_;
};
using FillSymbolPtr = std::shared_ptr<FillSymbol>;

// Simple fill style codes: 0 solid, 1 hollow, 2 horizontal, 3 vertical, 4 forward diagonal,
// 5 backward diagonal, 6 cross, 7 diagonal cross.
enum class SimpleFillStyle : int { Solid = 0, Null = 1, Horizontal = 2, Vertical = 3, ForwardDiagonal = 4,
                                   BackwardDiagonal = 5, Cross = 6, DiagonalCross = 7 };

class SimpleFillSymbol final : public FillSymbol {
public:
    std::string className() const override { return "SimpleFillSymbol"; }
    SymbolPtr cloneSymbol() const override;
    SimpleFillStyle style() const { return style_; }
    void setStyle(SimpleFillStyle s) { style_ = s; }

private:
    SimpleFillStyle style_ = SimpleFillStyle::Solid;
};

// Layers drawn bottom (last) to top (first), as the host orders them.
class MultiLayerFillSymbol final : public FillSymbol {
public:
    std::string className() const override { return "MultiLayerFillSymbol"; }
    SymbolPtr cloneSymbol() const override;
    const std::vector<FillSymbolPtr>& layers() const { return layers_; }
    void addLayer(FillSymbolPtr layer) { layers_.push_back(std::move(layer)); }
    void clearLayers() { layers_.clear(); }
    // The colour of the top layer (black when there is none).
    const RgbColor& color() const override;
    void setColor(const RgbColor& c) override;

private:
    std::vector<FillSymbolPtr> layers_;
};

class MarkerFillSymbol final : public FillSymbol {
public:
    std::string className() const override { return "MarkerFillSymbol"; }
    SymbolPtr cloneSymbol() const override;
    const MarkerSymbolPtr& markerSymbol() const { return marker_; }
    void setMarkerSymbol(MarkerSymbolPtr m) { marker_ = std::move(m); }
    double separation() const { return separation_; }
    void setSeparation(double points) { separation_ = points; }

private:
    MarkerSymbolPtr marker_;
    double separation_ = 8.0;
};

class LineFillSymbol final : public FillSymbol {
public:
    std::string className() const override { return "LineFillSymbol"; }
    SymbolPtr cloneSymbol() const override;
    const LineSymbolPtr& lineSymbol() const { return line_; }
    void setLineSymbol(LineSymbolPtr l) { line_ = std::move(l); }
    double angle() const { return angle_; }
    void setAngle(double degrees) { angle_ = degrees; }
    double separation() const { return separation_; }
    void setSeparation(double points) { separation_ = points; }

private:
    LineSymbolPtr line_;
    double angle_ = 45.0, separation_ = 5.0;
};

// A fill with a picture; without the picture bytes the host draws it as a tint of its colour.
class PictureFillSymbol final : public FillSymbol {
public:
    std::string className() const override { return "PictureFillSymbol"; }
    SymbolPtr cloneSymbol() const override;
    const std::string& pictureName() const { return pictureName_; }
    void setPictureName(std::string name) { pictureName_ = std::move(name); }

private:
    std::string pictureName_;
};

// ---- text --------------------------------------------------------------------------------------

struct FontSpec {
    std::string name = "Arial";
    double size = 8.0;  // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Alignment codes of the host: horizontal 0 left, 1 centre, 2 right; vertical 0 top, 1 centre,
// 2 baseline, 3 bottom.
enum class HorizontalAlignment : int { Left = 0, Center = 1, Right = 2 };
enum class VerticalAlignment : int { Top = 0, Center = 1, Baseline = 2, Bottom = 3 };

class TextSymbol final : public Symbol {
public:
    std::string className() const override { return "TextSymbol"; }
    SymbolPtr cloneSymbol() const override { return std::make_shared<TextSymbol>(*this); }

    const FontSpec& font() const { return font_; }
    void setFont(FontSpec f) { font_ = std::move(f); }
    // The symbol's size wins over the font's size (the host keeps them in step).
    double size() const { return font_.size; }
    void setSize(double points) { font_.size = points; }
    const RgbColor& color() const { return color_; }
    void setColor(const RgbColor& c) { color_ = c; }
    HorizontalAlignment horizontalAlignment() const { return hAlign_; }
    VerticalAlignment verticalAlignment() const { return vAlign_; }
    // Codes outside the host's ranges are refused with a host error.
    void setHorizontalAlignment(int code);
    void setVerticalAlignment(int code);
    double angle() const { return angle_; }
    void setAngle(double degrees) { angle_ = degrees; }

private:
    FontSpec font_;
    RgbColor color_;
    HorizontalAlignment hAlign_ = HorizontalAlignment::Left;
    VerticalAlignment vAlign_ = VerticalAlignment::Baseline;
    double angle_ = 0.0;
};
using TextSymbolPtr = std::shared_ptr<TextSymbol>;

// ---- callout and bar chart --------------------------------------------------------------------

// The background of a chart marker: a leader line from an anchor point (the feature) to the
// chart, with a gap before the chart, not drawn while the anchor lies within the tolerance.
class LineCallout final : public runtime::Object {
public:
    std::string className() const override { return "LineCallout"; }
    std::shared_ptr<LineCallout> clone() const { return std::make_shared<LineCallout>(*this); }

    double leaderWidth() const { return leaderWidth_; }
    void setLeaderWidth(double points) { leaderWidth_ = points; }
    const RgbColor& leaderColor() const { return leaderColor_; }
    void setLeaderColor(const RgbColor& c) { leaderColor_ = c; }
    double gap() const { return gap_; }
    void setGap(double points) { gap_ = points; }
    double leaderTolerance() const { return tolerance_; }
    void setLeaderTolerance(double points) { tolerance_ = points; }
    // None when unset, or set to a point that is not one (a coordinate not a number).
    std::optional<XY> anchorPoint() const {
        return std::isnan(anchor_.x) || std::isnan(anchor_.y) ? std::nullopt : std::optional<XY>(anchor_);
    }
    void setAnchorPoint(std::optional<XY> p) { anchor_ = p.value_or(kNoAnchor); }

private:
    // Without the flag of an optional point a chart's callout fits a smaller allocation (every
    // chart of a map has one).
    static constexpr XY kNoAnchor{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
    double leaderWidth_ = 1.0;
    RgbColor leaderColor_;
    double gap_ = 0.0;
    double tolerance_ = 0.0;
    XY anchor_ = kNoAnchor;
};
using LineCalloutPtr = std::shared_ptr<LineCallout>;

// A list of symbols with a count and access by index; the bar chart symbol is one, and the
// dialogs use bare bar chart symbols as plain symbol containers.
class SymbolArray {
public:
    virtual ~SymbolArray() = default;
    std::size_t symbolCount() const { return symbols_ ? symbols_->size() : 0; }
    // Error 9 (subscript out of range) outside 0..count − 1.
    const SymbolPtr& symbol(std::size_t index) const;
    void addSymbol(SymbolPtr symbol) { own().push_back(std::move(symbol)); }
    void setSymbol(std::size_t index, SymbolPtr symbol);
    void insertSymbol(std::size_t index, SymbolPtr symbol);
    void removeSymbol(std::size_t index);
    void swapSymbols(std::size_t a, std::size_t b);
    void clearSymbols() { symbols_.reset(); }
    void reserveSymbols(std::size_t count) { own().reserve(count); }
    const std::vector<SymbolPtr>& symbols() const { return symbols_ ? *symbols_ : noSymbols(); }
    // Takes the same symbols in the same order as `other`. The list itself is shared until one
    // of the two changes it: a million charts of one run carry one list of their field symbols.
    void shareSymbols(const SymbolArray& other) { symbols_ = other.symbols_; }
    // Whether another array holds this list too: its symbols are then reached through every one
    // of them, though the list alone holds each (saving numbers them for that).
    bool symbolsShared() const { return symbols_.use_count() > 1; }

protected:
    // The list to change: a copy of its own first when another array shares it.
    std::vector<SymbolPtr>& own();

private:
    static const std::vector<SymbolPtr>& noSymbols();
    std::shared_ptr<std::vector<SymbolPtr>> symbols_;
};

class BarChartSymbol final : public MarkerSymbol, public SymbolArray {
public:
    BarChartSymbol() { size_ = 32.0; }
    BarChartSymbol(const BarChartSymbol& other);
    BarChartSymbol& operator=(const BarChartSymbol&) = delete;
    std::string className() const override { return "BarChartSymbol"; }
    // Copies the settings, the values and the callout; the bar symbols are shared with the
    // original (the host's chart symbols hold references to their fill symbols).
    SymbolPtr cloneSymbol() const override;

    bool showAxes() const { return showAxes_; }
    void setShowAxes(bool on) { showAxes_ = on; }
    double spacing() const { return spacing_; }
    void setSpacing(double points) { spacing_ = points; }
    bool verticalBars() const { return verticalBars_; }
    void setVerticalBars(bool on) { verticalBars_ = on; }
    double width() const { return width_; }
    void setWidth(double points) { width_ = points; }
    bool display3D() const { return display3D_; }
    void setDisplay3D(bool on) { display3D_ = on; }
    double thickness() const { return thickness_; }
    void setThickness(double t) { thickness_ = t; }

    double maxValue() const { return maxValue_; }
    void setMaxValue(double v) { maxValue_ = v; }
    std::size_t valueCount() const { return valueCount_; }
    double value(std::size_t index) const;
    // Setting value k grows the list as needed (missing values are 0).
    void setValue(std::size_t index, double v);
    std::span<const double> values() const { return {values_.get(), valueCount_}; }
    // The values as a list of their own.
    std::vector<double> valueList() const { return {values_.get(), values_.get() + valueCount_}; }
    void clearValues() {
        values_.reset();
        valueCount_ = 0;
    }
    // Sets all values at once (the list takes exactly their room).
    void setValues(std::span<const double> values);
    void setValues(std::initializer_list<double> values) { setValues(std::span<const double>(values)); }

    // The marker background (leader callout); empty when none.
    const LineCalloutPtr& background() const { return background_; }
    void setBackground(LineCalloutPtr callout) { background_ = std::move(callout); }

private:
    double spacing_ = 0.0;
    double width_ = 8.0;
    double thickness_ = 0.0;
    double maxValue_ = 0.0;
    bool showAxes_ = false;
    bool verticalBars_ = true;
    bool display3D_ = false;
    // A bare array and its length (beside the flags): a vector's capacity would make every
    // chart's symbol take a larger allocation.
    std::uint32_t valueCount_ = 0;
    std::unique_ptr<double[]> values_;
    LineCalloutPtr background_;
};
using BarChartSymbolPtr = std::shared_ptr<BarChartSymbol>;

}  // namespace host
