#pragma once
// Graphic elements: markers (a feature marker or a whole bar chart), texts, lines, polygons and
// groups. Every element has a geometry, a name and a custom property (the chart data a chart
// carries lives there). Bounds are measured in map units on a display, and they equal what the
// display draws.
#include <bit>
#include <cstddef>
#include <cstdint>
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

// The concrete class of an element. The walks and drawings of a map of a million charts ask it
// several times per element; a typeid comparison that fails compares the classes' names.
enum class ElementKind : std::uint8_t { Marker, Text, Line, Polygon, Group };

class Element : public runtime::Object {
public:
    ElementKind kind() const { return kind_; }
    virtual const GeometryPtr& geometry() const { return geometry_; }
    virtual void setGeometry(GeometryPtr geometry) { geometry_ = std::move(geometry); }
    const std::string& name() const { return name_ ? *name_ : noName(); }
    void setName(std::string name);
    // Empty unless set; the chart data is a PropertySet object here.
    const runtime::Variant& customProperty() const { return customProperty_ ? *customProperty_ : noValue(); }
    void setCustomProperty(runtime::Variant value);
    bool locked() const { return locked_; }
    void setLocked(bool on) { locked_ = on; }
    // A stand-in a group shows one of its compact labels through during a walk: it is no
    // element of the map, and lives only until the walk's visit of it returns.
    bool isView() const { return view_; }

    // The element's extent in map units as drawn on `display` (empty when it draws nothing).
    virtual Envelope queryBounds(const Display& display) const = 0;
    virtual void move(double dx, double dy);

protected:
    explicit Element(ElementKind kind) : kind_(kind) {}
    GeometryPtr geometry_;
    // A chart's labels and break marks carry neither a name nor data: both are kept apart and
    // only when set, which keeps such an element at half its size.
    std::unique_ptr<std::string> name_;
    std::unique_ptr<runtime::Variant> customProperty_;
    bool locked_ = false;
    bool scaleText_ = true;  // a text element's (here, where it takes no room of its own)
    bool view_ = false;

private:
    friend class GroupElement;
    ElementKind kind_;
    static const std::string& noName();
    static const runtime::Variant& noValue();
};
using ElementPtr = std::shared_ptr<Element>;

// The element as a T (one of the final element classes), or null when it is another.
template <class T>
const T* elementAs(const Element& element) {
    return element.kind() == T::kKind ? static_cast<const T*>(&element) : nullptr;
}
template <class T>
bool isElement(const Element& element) {
    return element.kind() == T::kKind;
}

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
    explicit AnchoredElement(ElementKind kind) : Element(kind) {}
    // Elements are not copied (a copy is written and read back): the point would be shared.
    AnchoredElement(const AnchoredElement&) = delete;
    AnchoredElement& operator=(const AnchoredElement&) = delete;

private:
    Point anchor_;
};

class MarkerElement final : public AnchoredElement {
public:
    static constexpr ElementKind kKind = ElementKind::Marker;
    MarkerElement() : AnchoredElement(kKind) {}
    std::string className() const override { return "MarkerElement"; }
    const MarkerSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(MarkerSymbolPtr symbol) { symbol_ = std::move(symbol); }
    Envelope queryBounds(const Display& display) const override;

private:
    MarkerSymbolPtr symbol_;
};

class TextElement final : public AnchoredElement {
public:
    static constexpr ElementKind kKind = ElementKind::Text;
    TextElement() : AnchoredElement(kKind) {}
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
    friend class GroupElement;  // shows its compact labels through a text element
    std::string text_;
    TextSymbolPtr symbol_;
};

class LineElement final : public Element {
public:
    static constexpr ElementKind kKind = ElementKind::Line;
    LineElement() : Element(kKind) {}
    std::string className() const override { return "LineElement"; }
    const LineSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(LineSymbolPtr symbol) { symbol_ = std::move(symbol); }
    Envelope queryBounds(const Display& display) const override;

private:
    LineSymbolPtr symbol_;
};

class PolygonElement final : public Element {
public:
    static constexpr ElementKind kKind = ElementKind::Polygon;
    PolygonElement() : Element(kKind) {}
    std::string className() const override { return "PolygonElement"; }
    const FillSymbolPtr& symbol() const { return symbol_; }
    void setSymbol(FillSymbolPtr symbol) { symbol_ = std::move(symbol); }
    Envelope queryBounds(const Display& display) const override;

private:
    FillSymbolPtr symbol_;
};

class GroupElement final : public Element {
public:
    static constexpr ElementKind kKind = ElementKind::Group;
    GroupElement() : Element(kKind) {}
    std::string className() const override { return "GroupElement"; }
    // The envelope of the members' geometries, as a geometry.
    const GeometryPtr& geometry() const override;
    // The same envelope as a value, measured without any allocation.
    Envelope extent() const;
    void setGeometry(GeometryPtr) override {}

    std::size_t elementCount() const { return members_.size() + compactLabelCount(); }
    // Error 9 outside 0..count − 1. Makes compact labels elements of their own first.
    const ElementPtr& element(std::size_t index) const;
    // Every member as an element of its own: compact labels are made elements first (and stay
    // so). Walks that only look should use forEachOwnMember, which leaves them compact.
    const std::vector<ElementPtr>& elements() const {
        thaw();
        return members_;
    }
    // Refuses the group itself and any group that holds this one (a cycle would walk forever).
    void addElement(ElementPtr element);
    // Whether `element` is somewhere beneath this group.
    bool contains(const Element& element) const;
    // Every element beneath the group once, depth first in drawing order, groups included. A
    // member shared by several groups is visited at its first place only, so deep nesting and
    // much sharing cost time linear in the distinct elements (and no stack). Compact labels
    // are visited as views (see isView).
    void visitMembers(const std::function<void(const Element&)>& visit) const;
    // As visitMembers, without the std::function and, for a group of distinct plain elements
    // (a chart: its marker and labels), without any allocation: the walk of a map's million
    // charts.
    template <class F>
    void forEachMember(F&& visit) const {
        if (!flat_) {
            visitMembers(visit);
            return;
        }
        forEachOwnMember(visit);
    }
    // The group's own members in order (no deeper): `object` gets each element of its own,
    // `label` a view of each compact label. The visits must not ask this group for its members
    // as elements (that would change what is being walked).
    template <class O, class L>
    void forEachOwnMember(O&& object, L&& label) const {
        if (!labels_) {
            for (const ElementPtr& member : members_) object(member);
            return;
        }
        TextElement view;
        prepareView(view);
        std::size_t own = 0;
        const std::byte* record = labels_->records();
        const std::size_t count = elementCount();
        for (std::size_t i = 0; i < count; ++i) {
            if (labels_->places >> i & 1U) {
                record = showLabel(record, view);
                label(static_cast<const TextElement&>(view));
            } else {
                object(members_[own++]);
            }
        }
    }
    template <class F>
    void forEachOwnMember(F&& visit) const {
        forEachOwnMember([&](const ElementPtr& m) { visit(static_cast<const Element&>(*m)); },
                         [&](const TextElement& view) { visit(static_cast<const Element&>(view)); });
    }
    // Whether the group holds only distinct, set, non-group elements.
    bool flat() const { return flat_; }
    // Removes the member (by identity); false when it is not a member.
    bool deleteElement(const Element* element);
    void clearElements() {
        members_.clear();
        labels_.reset();
        flat_ = true;
    }
    // Keeps the group's labels without an object each (a million charts have five million of
    // them), and gives back the room the member list grew. A label is kept so when it is a
    // text with a point, no name, data or lock, scaled with the map, held by this group alone,
    // of at most 15 bytes (what a view's string shows without allocating), in the symbol of
    // the group's first such label. Drawing, measuring, moving and saving read them in place;
    // elements() and element() make them elements of their own again. Only a group of
    // distinct plain elements keeps labels so.
    void compactLabels();
    std::size_t compactLabelCount() const { return labels_ ? labels_->count() : 0; }
    // The symbol the compact labels share (null when there are none).
    const TextSymbolPtr& compactLabelSymbol() const;
    // The members that are elements of their own, in order, compact labels left out.
    const std::vector<ElementPtr>& ownElements() const { return members_; }
    // Whether the member at `position` (in the order of all members) is a compact label.
    bool compactLabelAt(std::size_t position) const {
        return labels_ && position < 64 && (labels_->places >> position & 1U);
    }

    Envelope queryBounds(const Display& display) const override;
    void move(double dx, double dy) override;

private:
    void checkFlat();
    void thaw() const;

    // A group's compact labels in one block: this head, then the labels one after another,
    // each its point (unaligned), the length of its text and the text's bytes. A chart's
    // labels are numbers of a few digits, so a label takes about 20 bytes.
    struct CompactLabels {
        TextSymbolPtr symbol;
        std::uint64_t places = 0;  // bit i: the member at position i is the next compact label

        std::size_t count() const { return static_cast<std::size_t>(std::popcount(places)); }

        struct Free {
            void operator()(CompactLabels* labels) const noexcept;
        };
        // A block with room for `bytes` of labels.
        static std::unique_ptr<CompactLabels, Free> make(std::size_t bytes);
        static constexpr std::size_t kLabelHead = sizeof(XY) + 1;  // point and length
        const std::byte* records() const { return reinterpret_cast<const std::byte*>(this + 1); }
        std::byte* records() { return reinterpret_cast<std::byte*>(this + 1); }
        void move(double dx, double dy);
    };
    void prepareView(TextElement& view) const;
    // Shows the label at `record` through the view; gives the next label's record.
    static const std::byte* showLabel(const std::byte* record, TextElement& view);

    // The members only change through this class, which keeps the flag true to them (first,
    // so it takes the room an element leaves after its own flags). The envelope geometry (in
    // geometry_) is handed out again as long as the members' extent stays the same (members
    // may be moved behind the group's back: the extent is measured at every call). Compact
    // labels only ever stand in a flat group of at most 64 members; asking for the members as
    // elements turns them into elements (hence mutable: that does not change what the group
    // holds).
    bool flat_ = true;
    mutable std::vector<ElementPtr> members_;
    mutable std::unique_ptr<CompactLabels, CompactLabels::Free> labels_;
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
