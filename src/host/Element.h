#pragma once
// Graphic elements: markers (a feature marker or a whole bar chart), texts, lines, polygons and
// groups. Every element has a geometry, a name and a custom property (the chart data a chart
// carries lives there). Bounds are measured in map units on a display, and they equal what the
// display draws.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/Display.h"
#include "host/Geometry.h"
#include "host/Symbol.h"
#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace host {

class Element : public runtime::Object {
public:
    virtual const GeometryPtr& geometry() const { return geometry_; }
    virtual void setGeometry(GeometryPtr geometry) { geometry_ = std::move(geometry); }
    const std::string& name() const { return name_ ? *name_ : noName(); }
    void setName(std::string name);
    // Empty unless set; the chart data is a PropertySet object here.
    const runtime::Variant& customProperty() const { return customProperty_ ? *customProperty_ : noValue(); }
    void setCustomProperty(runtime::Variant value);
    bool locked() const { return locked_; }
    void setLocked(bool on) { locked_ = on; }

    // The element's extent in map units as drawn on `display` (empty when it draws nothing).
    virtual Envelope queryBounds(const Display& display) const = 0;
    virtual void move(double dx, double dy);

protected:
    Element() = default;
    GeometryPtr geometry_;
    // A chart's labels and break marks carry neither a name nor data: both are kept apart and
    // only when set, which keeps such an element at half its size.
    std::unique_ptr<std::string> name_;
    std::unique_ptr<runtime::Variant> customProperty_;
    bool locked_ = false;
    bool scaleText_ = true;  // a text element's (here, where it takes no room of its own)

private:
    static const std::string& noName();
    static const runtime::Variant& noValue();
};
using ElementPtr = std::shared_ptr<Element>;

// An element that stands at a point: a marker or a text. A point given to it is kept inside the
// element (as the host keeps a copy of an element's geometry), since a map of a million charts
// has millions of labels whose points would otherwise each be an object of their own. The
// geometry handed out is that point itself, valid while the element lives; other geometries are
// held as given.
class AnchoredElement : public Element {
public:
    void setGeometry(GeometryPtr geometry) override;
    // setGeometry with a point, without making one first.
    void setPoint(XY p);

protected:
    AnchoredElement() = default;
    // Elements are not copied (a copy is written and read back): the point would be shared.
    AnchoredElement(const AnchoredElement&) = delete;
    AnchoredElement& operator=(const AnchoredElement&) = delete;

private:
    Point anchor_;
};

class MarkerElement final : public AnchoredElement {
public:
    std::string className() const override { return "MarkerElement"; }
    const MarkerSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(MarkerSymbolPtr symbol) { symbol_ = std::move(symbol); }
    Envelope queryBounds(const Display& display) const override;

private:
    MarkerSymbolPtr symbol_;
};

class TextElement final : public AnchoredElement {
public:
    std::string className() const override { return "TextElement"; }
    const std::string& text() const { return text_; }
    void setText(std::string text) { text_ = std::move(text); }
    const TextSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(TextSymbolPtr symbol) { symbol_ = std::move(symbol); }
    // On: the text keeps its size relative to the map at the reference scale.
    bool scaleText() const { return scaleText_; }
    void setScaleText(bool on) { scaleText_ = on; }
    Envelope queryBounds(const Display& display) const override;

private:
    std::string text_;
    TextSymbolPtr symbol_;
};

class LineElement final : public Element {
public:
    std::string className() const override { return "LineElement"; }
    const LineSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(LineSymbolPtr symbol) { symbol_ = std::move(symbol); }
    Envelope queryBounds(const Display& display) const override;

private:
    LineSymbolPtr symbol_;
};

class PolygonElement final : public Element {
public:
    std::string className() const override { return "PolygonElement"; }
    const FillSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(FillSymbolPtr symbol) { symbol_ = std::move(symbol); }
    Envelope queryBounds(const Display& display) const override;

private:
    FillSymbolPtr symbol_;
};

class GroupElement final : public Element {
public:
    std::string className() const override { return "GroupElement"; }
    // The envelope of the members' geometries, as a geometry.
    const GeometryPtr& geometry() const override;
    void setGeometry(GeometryPtr) override {}

    std::size_t elementCount() const { return members_.size(); }
    // Error 9 outside 0..count − 1.
    const ElementPtr& element(std::size_t index) const;
    const std::vector<ElementPtr>& elements() const { return members_; }
    // Refuses the group itself and any group that holds this one (a cycle would walk forever).
    void addElement(ElementPtr element);
    // Whether `element` is somewhere beneath this group.
    bool contains(const Element& element) const;
    // Every element beneath the group once, depth first in drawing order, groups included. A
    // member shared by several groups is visited at its first place only, so deep nesting and
    // much sharing cost time linear in the distinct elements (and no stack).
    void visitMembers(const std::function<void(const Element&)>& visit) const;
    // Removes the member (by identity); false when it is not a member.
    bool deleteElement(const Element* element);
    void clearElements() { members_.clear(); }
    // Gives back the room the member list grew beyond its members (a finished chart's group).
    void compactElements() { members_.shrink_to_fit(); }

    Envelope queryBounds(const Display& display) const override;
    void move(double dx, double dy) override;

private:
    std::vector<ElementPtr> members_;
    mutable GeometryPtr envelopeGeometry_;
};

// Where a text stands on a display: its box in map units and the baseline start of each line,
// so drawing and bounds agree. Sizes: the symbol's points times the display's map units per
// point (with scale-text off, points at the map scale). A text turned by its symbol's angle
// turns about its anchor; the box is then the envelope of the turned block.
struct TextLayout {
    Envelope box;
    std::vector<XY> baselines;  // one per line, map units
    std::vector<std::string> lines;
    double mapUnitsPerPoint = 0.0;
    TextExtent lineExtent;  // of the widest line, points
    double angle = 0.0;     // degrees, counter-clockwise
};
TextLayout layoutText(const TextElement& element, const Display& display);

// Where the block of a text stands relative to its anchor, in points (y up): the left edge and
// the top of a block `width` wide and `height` high whose first line has `ascent` above its
// baseline, for the symbol's alignments. The first baseline lies `ascent` below the top.
struct TextBlockOffset {
    double left = 0.0;
    double top = 0.0;
};
TextBlockOffset alignTextBlock(HorizontalAlignment horizontal, VerticalAlignment vertical, double width, double ascent,
                               double height);
// The left edge of one line of `lineWidth` inside a block aligned as above.
double alignTextLine(HorizontalAlignment horizontal, double blockLeft, double lineWidth);

// Map units per point for a text element (scale-text on: the display's; off: at the map scale).
double textMapUnitsPerPoint(const TextElement& element, const Display& display);

}  // namespace host
