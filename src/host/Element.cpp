#include "host/Element.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <typeinfo>
#include <unordered_set>

#include "host/ChartGeometry.h"
#include "host/Error.h"
#include "runtime/Text.h"

namespace host {
namespace {

XY anchorOf(const Element& element) {
    const auto& g = element.geometry();
    if (!g || g->isEmpty()) return {std::nan(""), std::nan("")};
    if (const auto* p = runtime::exactCast<Point>(g.get())) return p->xy();
    return g->envelope().centre();
}

bool finite(XY p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Groups up to this size are checked for members held twice when they change.
constexpr std::size_t kFlatMost = 64;

// A multi-layer fill draws the outline of every layer, so its widest one sets the bounds.
double widestOutline(const FillSymbol& symbol, int depth = 0) {
    double width = 0.0;
    if (symbol.outline() && std::isfinite(symbol.outline()->width())) width = std::max(0.0, symbol.outline()->width());
    if (const auto* multi = dynamic_cast<const MultiLayerFillSymbol*>(&symbol); multi && depth < 16) {
        for (const auto& layer : multi->layers()) {
            if (layer) width = std::max(width, widestOutline(*layer, depth + 1));
        }
    }
    return width;
}

}  // namespace

const std::string& Element::noName() {
    static const std::string none;
    return none;
}

const runtime::Variant& Element::noValue() {
    static const runtime::Variant none;
    return none;
}

// A name or value once set keeps its place (a reference handed out stays good).
void Element::setName(std::string name) {
    if (name_) *name_ = std::move(name);
    else if (!name.empty()) name_ = std::make_unique<std::string>(std::move(name));
}

void Element::setCustomProperty(runtime::Variant value) {
    if (customProperty_) *customProperty_ = std::move(value);
    else if (!value.isEmpty()) customProperty_ = std::make_unique<runtime::Variant>(std::move(value));
}

void Element::move(double dx, double dy) {
    if (geometry_) geometry_->move(dx, dy);
}

void AnchoredElement::setGeometry(GeometryPtr geometry) {
    if (const auto* point = runtime::exactCast<Point>(geometry.get())) {
        anchor_ = *point;
        // Not owning: the point is part of this element.
        geometry_ = GeometryPtr(GeometryPtr(), &anchor_);
    } else {
        geometry_ = std::move(geometry);
    }
}

void AnchoredElement::setPoint(XY p) {
    anchor_.putCoords(p.x, p.y);
    geometry_ = GeometryPtr(GeometryPtr(), &anchor_);
}

Envelope MarkerElement::queryBounds(const Display& display) const {
    const XY p = anchorOf(*this);
    if (!finite(p) || !symbol_) return {};
    const double k = display.mapUnitsPerPoint();
    // Not a copy of the pointer: a document may be saved while it is drawn, and saving tells a
    // chart's own symbol from a shared one by the number of its holders.
    if (const auto* chart = runtime::exactCast<BarChartSymbol>(symbol_.get())) {
        Envelope box = chartBox(*chart, p, k);
        if (chart->background()) {
            if (auto leader = leaderSegment(*chart->background(), box, k)) box.include(leader->from);
        }
        return box;
    }
    return markerBox(*symbol_, p, k);
}

double textMapUnitsPerPoint(const TextElement& element, const Display& display) {
    const DisplayTransformation& t = display.displayTransformation();
    if (element.scaleText()) return t.mapUnitsPerPoint();
    return t.mapUnitsPerPointAtMapScale();
}

TextBlockOffset alignTextBlock(HorizontalAlignment horizontal, VerticalAlignment vertical, double width, double ascent,
                               double height) {
    TextBlockOffset o;
    switch (horizontal) {
    case HorizontalAlignment::Left: o.left = 0.0; break;
    case HorizontalAlignment::Center: o.left = -width / 2; break;
    case HorizontalAlignment::Right: o.left = -width; break;
    }
    switch (vertical) {
    case VerticalAlignment::Top: o.top = 0.0; break;
    case VerticalAlignment::Center: o.top = height / 2; break;
    case VerticalAlignment::Baseline: o.top = ascent; break;
    case VerticalAlignment::Bottom: o.top = height; break;
    }
    return o;
}

double alignTextLine(HorizontalAlignment horizontal, double blockLeft, double lineWidth) {
    switch (horizontal) {
    case HorizontalAlignment::Center: return -lineWidth / 2;
    case HorizontalAlignment::Right: return -lineWidth;
    case HorizontalAlignment::Left: break;
    }
    return blockLeft;
}

TextLayout layoutText(const TextElement& element, const Display& display) {
    TextLayout layout;
    const XY p = anchorOf(element);
    if (!finite(p) || !element.symbol()) return layout;
    const TextSymbol& symbol = *element.symbol();
    const double k = textMapUnitsPerPoint(element, display);
    if (!std::isfinite(k)) return layout;
    layout.mapUnitsPerPoint = k;
    layout.lines = runtime::split(runtime::replaceAll(element.text(), "\r\n", "\n"), "\n");
    std::vector<double> widths;
    widths.reserve(layout.lines.size());
    TextExtent lineExtent;
    for (const auto& line : layout.lines) {
        const TextExtent e = display.measureText(symbol.font(), line);
        widths.push_back(e.width);
        lineExtent.width = std::max(lineExtent.width, e.width);
        lineExtent.ascent = std::max(lineExtent.ascent, e.ascent);
        lineExtent.descent = std::max(lineExtent.descent, e.descent);
    }
    layout.lineExtent = lineExtent;
    const double lineHeight = lineExtent.ascent + lineExtent.descent;
    const double height = lineHeight * static_cast<double>(layout.lines.size());
    const TextBlockOffset o =
        alignTextBlock(symbol.horizontalAlignment(), symbol.verticalAlignment(), lineExtent.width, lineExtent.ascent, height);

    // Offsets in points from the anchor, turned by the angle, then scaled to map units.
    const double angle = std::isfinite(symbol.angle()) ? symbol.angle() : 0.0;
    layout.angle = angle;
    const double c = std::cos(angle * std::numbers::pi / 180.0), s = std::sin(angle * std::numbers::pi / 180.0);
    const auto place = [&](double x, double y) { return XY{p.x + (x * c - y * s) * k, p.y + (x * s + y * c) * k}; };
    for (const XY corner : {XY{o.left, o.top - height}, XY{o.left + lineExtent.width, o.top - height},
                            XY{o.left, o.top}, XY{o.left + lineExtent.width, o.top}}) {
        layout.box.include(place(corner.x, corner.y));
    }
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const double baseline = o.top - lineExtent.ascent - lineHeight * static_cast<double>(i);
        layout.baselines.push_back(place(alignTextLine(symbol.horizontalAlignment(), o.left, widths[i]), baseline));
    }
    return layout;
}

Envelope TextElement::queryBounds(const Display& display) const {
    // One straight line (a chart's value label): the box of layoutText's arithmetic, without
    // its lists of lines and baselines; a million labels are measured to index a map.
    const double angle = symbol_ && std::isfinite(symbol_->angle()) ? symbol_->angle() : 0.0;
    if (angle != 0.0 || text_.find('\n') != std::string::npos) return layoutText(*this, display).box;
    const XY p = anchorOf(*this);
    if (!finite(p) || !symbol_) return {};
    const double k = textMapUnitsPerPoint(*this, display);
    if (!std::isfinite(k)) return {};
    const TextExtent measured = display.measureText(symbol_->font(), text_);
    TextExtent e;  // as layoutText takes the widest line: never below zero
    e.width = std::max(e.width, measured.width);
    e.ascent = std::max(e.ascent, measured.ascent);
    e.descent = std::max(e.descent, measured.descent);
    const double height = e.ascent + e.descent;
    const TextBlockOffset o = alignTextBlock(symbol_->horizontalAlignment(), symbol_->verticalAlignment(), e.width, e.ascent, height);
    Envelope box;
    for (const XY corner : {XY{o.left, o.top - height}, XY{o.left + e.width, o.top - height}, XY{o.left, o.top},
                            XY{o.left + e.width, o.top}}) {
        box.include(XY{p.x + corner.x * k, p.y + corner.y * k});
    }
    return box;
}

Envelope LineElement::queryBounds(const Display& display) const {
    if (!geometry_ || geometry_->isEmpty()) return {};
    Envelope e = geometry_->envelope();
    if (symbol_ && std::isfinite(symbol_->width())) e.expand(std::max(0.0, symbol_->width()) * display.mapUnitsPerPoint() / 2);
    return e;
}

Envelope PolygonElement::queryBounds(const Display& display) const {
    if (!geometry_ || geometry_->isEmpty()) return {};
    Envelope e = geometry_->envelope();
    if (symbol_) e.expand(widestOutline(*symbol_) * display.mapUnitsPerPoint() / 2);
    return e;
}

Envelope GroupElement::extent() const {
    // Member groups are visited through, not asked for their own envelope: asking would walk
    // their members again at every level.
    Envelope e;
    forEachMember([&](const Element& m) {
        if (isElement<GroupElement>(m)) return;
        if (const GeometryPtr& g = m.geometry()) e.include(g->envelope());
    });
    return e;
}

const GeometryPtr& GroupElement::geometry() const {
    const Envelope e = extent();
    // A geometry once handed out is never changed here (a caller may keep it): a new one is
    // made when the extent moved, the old one kept when it did not, so asking costs no
    // allocation for a group that stays put.
    // It is kept where other elements keep their geometry, which a group has no other use for
    // (every chart is a group). Groups are never made const, so the cache may be written here.
    auto& kept = const_cast<GeometryPtr&>(geometry_);
    const auto* cached = static_cast<const Envelope*>(kept.get());
    const bool same = cached && cached->isEmpty() == e.isEmpty() &&
                      (e.isEmpty() || (cached->xMin() == e.xMin() && cached->yMin() == e.yMin() &&
                                       cached->xMax() == e.xMax() && cached->yMax() == e.yMax()));
    if (!same) kept = std::make_shared<Envelope>(e);
    return kept;
}

void GroupElement::checkFlat() {
    // A member held twice is visited once; the quadratic look for one is for small groups only.
    flat_ = members_.size() <= kFlatMost;
    for (std::size_t i = 0; i < members_.size() && flat_; ++i) {
        const Element* m = members_[i].get();
        if (!m || isElement<GroupElement>(*m)) flat_ = false;
        for (std::size_t j = 0; j < i && flat_; ++j) {
            if (members_[j].get() == m) flat_ = false;
        }
    }
}

void GroupElement::visitMembers(const std::function<void(const Element&)>& visit) const {
    if (flat_) {
        forEachOwnMember(visit);
        return;
    }
    std::unordered_set<const Element*> seen{this};
    std::vector<std::pair<const GroupElement*, std::size_t>> stack{{this, 0}};
    while (!stack.empty()) {
        const GroupElement* group = stack.back().first;
        const std::size_t i = stack.back().second++;
        if (i >= group->members_.size()) {
            stack.pop_back();
            continue;
        }
        const Element* member = group->members_[i].get();
        if (!member || !seen.insert(member).second) continue;
        visit(*member);
        const auto* sub = elementAs<GroupElement>(*member);
        if (!sub) continue;
        // A group with compact labels is flat: its members are walked here, no deeper.
        if (sub->labels_) {
            sub->forEachOwnMember([&](const ElementPtr& m) { if (seen.insert(m.get()).second) visit(*m); },
                                  [&](const TextElement& view) { visit(view); });
        } else {
            stack.emplace_back(sub, 0);
        }
    }
}

bool GroupElement::contains(const Element& element) const {
    bool found = false;
    forEachMember([&](const Element& m) { found = found || &m == &element; });
    return found;
}

const ElementPtr& GroupElement::element(std::size_t index) const {
    thaw();
    if (index >= members_.size())
        raiseRuntime(runtime::err::SubscriptOutOfRange, "GroupElement.Element", "Subscript out of range");
    return members_[index];
}

void GroupElement::addElement(ElementPtr element) {
    if (!element) raiseRuntime(runtime::err::ObjectNotSet, "GroupElement.AddElement", runtime::standardDescription(91));
    if (element.get() == this) raiseHost(10, "GroupElement.AddElement", "A group cannot contain itself.");
    if (const auto* group = elementAs<GroupElement>(*element); group && group->contains(*this))
        raiseHost(10, "GroupElement.AddElement", "A group cannot contain a group it belongs to.");
    // Compact labels stand only in a flat group (of at most 64 members, none a group, none
    // held twice).
    if (labels_ && (isElement<GroupElement>(*element) || elementCount() >= kFlatMost ||
                    std::any_of(members_.begin(), members_.end(), [&](const ElementPtr& m) { return m == element; })))
        thaw();
    members_.push_back(std::move(element));
    if (flat_) {
        const Element* added = members_.back().get();
        if (isElement<GroupElement>(*added) || members_.size() > kFlatMost) flat_ = false;
        for (std::size_t j = 0; j + 1 < members_.size() && flat_; ++j) {
            if (members_[j].get() == added) flat_ = false;
        }
    }
}

bool GroupElement::deleteElement(const Element* element) {
    if (!element) return false;
    // A compact label has no identity to be asked for by: only elements of their own are.
    auto it = std::find_if(members_.begin(), members_.end(), [&](const ElementPtr& m) { return m.get() == element; });
    if (it == members_.end()) return false;
    if (labels_) {
        // The compact labels after the member move up one place with the rest.
        std::size_t own = static_cast<std::size_t>(it - members_.begin()), place = 0;
        for (;; ++place) {
            if (labels_->places >> place & 1U) continue;
            if (own-- == 0) break;
        }
        const std::uint64_t below = (std::uint64_t{1} << place) - 1;
        const std::uint64_t above = place + 1 < 64 ? (labels_->places >> (place + 1)) << place : 0;
        labels_->places = (labels_->places & below) | above;
    }
    members_.erase(it);
    if (!flat_) checkFlat();
    return true;
}

Envelope GroupElement::queryBounds(const Display& display) const {
    Envelope e;
    forEachMember([&](const Element& m) {
        if (!isElement<GroupElement>(m)) e.include(m.queryBounds(display));
    });
    return e;
}

void GroupElement::move(double dx, double dy) {
    // A shared member moves once, however many of the groups beneath hold it.
    if (flat_) {
        for (const ElementPtr& m : members_) m->move(dx, dy);
        if (labels_) labels_->move(dx, dy);
        return;
    }
    std::vector<Element*> leaves;
    std::vector<const GroupElement*> withLabels;
    visitMembers([&](const Element& m) {
        if (const auto* group = elementAs<GroupElement>(m)) {
            if (group->labels_) withLabels.push_back(group);
        } else if (!m.isView()) {
            leaves.push_back(const_cast<Element*>(&m));
        }
    });
    for (Element* m : leaves) m->move(dx, dy);
    for (const GroupElement* group : withLabels) group->labels_->move(dx, dy);
}

const TextSymbolPtr& GroupElement::compactLabelSymbol() const {
    static const TextSymbolPtr none;
    return labels_ ? labels_->symbol : none;
}

namespace {

// The label a group may keep compactly: see compactLabels.
const TextElement* compactable(const ElementPtr& member, const TextSymbolPtr& symbol) {
    const auto* text = elementAs<TextElement>(*member);
    if (!text || member.use_count() != 1 || text->locked() || !text->name().empty() ||
        !text->customProperty().isEmpty() || !text->scaleText() || !text->symbol() ||
        (symbol && text->symbol() != symbol) || text->text().size() > 15)
        return nullptr;
    const auto* point = runtime::exactCast<Point>(text->geometry().get());
    return point && !point->isEmpty() ? text : nullptr;
}

}  // namespace

void GroupElement::compactLabels() {
    members_.shrink_to_fit();
    if (labels_ || !flat_ || members_.size() > kFlatMost) return;
    TextSymbolPtr symbol;
    std::uint64_t places = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (const TextElement* text = compactable(members_[i], symbol)) {
            if (!symbol) symbol = text->symbol();
            places |= std::uint64_t{1} << i;
            ++count;
        }
    }
    if (count == 0) return;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (places >> i & 1U)
            bytes += CompactLabels::kLabelHead + static_cast<const TextElement&>(*members_[i]).text().size();
    }
    auto labels = CompactLabels::make(bytes);
    labels->symbol = std::move(symbol);
    labels->places = places;
    std::vector<ElementPtr> own;
    own.reserve(members_.size() - count);
    std::byte* record = labels->records();
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (!(places >> i & 1U)) {
            own.push_back(members_[i]);
            continue;
        }
        const auto& text = static_cast<const TextElement&>(*members_[i]);
        const XY at = static_cast<const Point&>(*text.geometry()).xy();
        std::memcpy(record, &at, sizeof at);
        record[sizeof at] = static_cast<std::byte>(text.text().size());
        std::memcpy(record + CompactLabels::kLabelHead, text.text().data(), text.text().size());
        record += CompactLabels::kLabelHead + text.text().size();
    }
    members_ = std::move(own);
    labels_ = std::move(labels);
}

void GroupElement::thaw() const {
    if (!labels_) return;
    std::vector<ElementPtr> all;
    all.reserve(elementCount());
    forEachOwnMember([&](const ElementPtr& m) { all.push_back(m); },
                     [&](const TextElement& view) {
                         auto text = std::make_shared<TextElement>();
                         text->setPoint(static_cast<const Point&>(*view.geometry()).xy());
                         text->setText(view.text());
                         text->setSymbol(labels_->symbol);
                         all.push_back(std::move(text));
                     });
    members_ = std::move(all);
    labels_.reset();
}

void GroupElement::prepareView(TextElement& view) const {
    view.view_ = true;
    // Not owning: saving tells a shared symbol by the number of its holders, and views are
    // made by drawing threads while the document may be saved.
    view.symbol_ = TextSymbolPtr(TextSymbolPtr(), labels_->symbol.get());
}

const std::byte* GroupElement::showLabel(const std::byte* record, TextElement& view) {
    XY at;
    std::memcpy(&at, record, sizeof at);
    const auto size = static_cast<std::size_t>(record[sizeof at]);
    view.setPoint(at);
    view.text_.assign(reinterpret_cast<const char*>(record + CompactLabels::kLabelHead), size);
    return record + CompactLabels::kLabelHead + size;
}

std::unique_ptr<GroupElement::CompactLabels, GroupElement::CompactLabels::Free> GroupElement::CompactLabels::make(
    std::size_t bytes) {
    static_assert(sizeof(CompactLabels) % alignof(XY) == 0);
    void* block = ::operator new(sizeof(CompactLabels) + bytes);
    auto* labels = new (block) CompactLabels;
    return std::unique_ptr<CompactLabels, Free>(labels);
}

void GroupElement::CompactLabels::Free::operator()(CompactLabels* labels) const noexcept {
    labels->~CompactLabels();
    ::operator delete(labels);
}

void GroupElement::CompactLabels::move(double dx, double dy) {
    std::byte* record = records();
    for (std::size_t k = count(); k > 0; --k) {
        XY at;
        std::memcpy(&at, record, sizeof at);
        at.x += dx;
        at.y += dy;
        std::memcpy(record, &at, sizeof at);
        record += kLabelHead + static_cast<std::size_t>(record[sizeof at]);
    }
}

}  // namespace host
