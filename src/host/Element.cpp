#include "host/Element.h"

#include <algorithm>
#include <cmath>

#include "host/ChartGeometry.h"
#include "host/Error.h"
#include "runtime/Text.h"

namespace host {
namespace {

XY anchorOf(const Element& element) {
    const auto& g = element.geometry();
    if (!g || g->isEmpty()) return {std::nan(""), std::nan("")};
    if (auto p = std::dynamic_pointer_cast<Point>(g)) return p->xy();
    return g->envelope().centre();
}

bool finite(XY p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

void Element::move(double dx, double dy) {
    if (geometry_) geometry_->move(dx, dy);
}

Envelope MarkerElement::queryBounds(const Display& display) const {
    const XY p = anchorOf(*this);
    if (!finite(p) || !symbol_) return {};
    const double k = display.mapUnitsPerPoint();
    if (auto chart = std::dynamic_pointer_cast<BarChartSymbol>(symbol_)) {
        Envelope box = chartBox(*chart, p, k);
        if (chart->background()) {
            if (auto leader = leaderSegment(*chart->background(), box, k)) box.include(leader->from);
        }
        return box;
    }
    const double half = std::max(0.0, symbol_->size()) * k / 2;
    const XY c{p.x + symbol_->xOffset() * k, p.y + symbol_->yOffset() * k};
    return Envelope(c.x - half, c.y - half, c.x + half, c.y + half);
}

double textMapUnitsPerPoint(const TextElement& element, const Display& display) {
    const DisplayTransformation& t = display.displayTransformation();
    if (element.scaleText()) return t.mapUnitsPerPoint();
    return t.mapScale() * 0.0254 / 72.0 / t.metresPerUnit();
}

TextLayout layoutText(const TextElement& element, const Display& display) {
    TextLayout layout;
    const XY p = anchorOf(element);
    if (!finite(p) || !element.symbol()) return layout;
    const TextSymbol& symbol = *element.symbol();
    const double k = textMapUnitsPerPoint(element, display);
    layout.mapUnitsPerPoint = k;
    layout.lines = runtime::split(runtime::replaceAll(element.text(), "\r\n", "\n"), "\n");
    double width = 0.0;
    TextExtent lineExtent;
    for (const auto& line : layout.lines) {
        const TextExtent e = display.measureText(symbol.font(), line);
        width = std::max(width, e.width);
        lineExtent.ascent = std::max(lineExtent.ascent, e.ascent);
        lineExtent.descent = std::max(lineExtent.descent, e.descent);
    }
    lineExtent.width = width;
    layout.lineExtent = lineExtent;
    const double lineHeight = lineExtent.ascent + lineExtent.descent;
    const double height = lineHeight * static_cast<double>(layout.lines.size());

    double left = 0.0;  // points, relative to the anchor
    switch (symbol.horizontalAlignment()) {
    case HorizontalAlignment::Left: left = 0.0; break;
    case HorizontalAlignment::Center: left = -width / 2; break;
    case HorizontalAlignment::Right: left = -width; break;
    }
    double top = 0.0;
    switch (symbol.verticalAlignment()) {
    case VerticalAlignment::Top: top = 0.0; break;
    case VerticalAlignment::Center: top = height / 2; break;
    case VerticalAlignment::Baseline: top = lineExtent.ascent; break;
    case VerticalAlignment::Bottom: top = height; break;
    }
    layout.box = Envelope(p.x + left * k, p.y + (top - height) * k, p.x + (left + width) * k, p.y + top * k);
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const TextExtent e = display.measureText(symbol.font(), layout.lines[i]);
        double lineLeft = left;
        if (symbol.horizontalAlignment() == HorizontalAlignment::Center) lineLeft = -e.width / 2;
        if (symbol.horizontalAlignment() == HorizontalAlignment::Right) lineLeft = -e.width;
        const double baseline = top - lineExtent.ascent - lineHeight * static_cast<double>(i);
        layout.baselines.push_back({p.x + lineLeft * k, p.y + baseline * k});
    }
    return layout;
}

Envelope TextElement::queryBounds(const Display& display) const { return layoutText(*this, display).box; }

Envelope LineElement::queryBounds(const Display& display) const {
    if (!geometry_ || geometry_->isEmpty()) return {};
    Envelope e = geometry_->envelope();
    if (symbol_) e.expand(std::max(0.0, symbol_->width()) * display.mapUnitsPerPoint() / 2);
    return e;
}

Envelope PolygonElement::queryBounds(const Display& display) const {
    if (!geometry_ || geometry_->isEmpty()) return {};
    Envelope e = geometry_->envelope();
    if (symbol_ && symbol_->outline()) e.expand(std::max(0.0, symbol_->outline()->width()) * display.mapUnitsPerPoint() / 2);
    return e;
}

const GeometryPtr& GroupElement::geometry() const {
    Envelope e;
    for (const auto& m : members_) {
        if (m && m->geometry()) e.include(m->geometry()->envelope());
    }
    envelopeGeometry_ = std::make_shared<Envelope>(e);
    return envelopeGeometry_;
}

const ElementPtr& GroupElement::element(std::size_t index) const {
    if (index >= members_.size())
        raiseRuntime(runtime::err::SubscriptOutOfRange, "GroupElement.Element", "Subscript out of range");
    return members_[index];
}

void GroupElement::addElement(ElementPtr element) {
    if (!element) raiseRuntime(runtime::err::ObjectNotSet, "GroupElement.AddElement", runtime::standardDescription(91));
    if (element.get() == this) raiseHost(10, "GroupElement.AddElement", "A group cannot contain itself.");
    members_.push_back(std::move(element));
}

bool GroupElement::deleteElement(const Element* element) {
    auto it = std::find_if(members_.begin(), members_.end(), [&](const ElementPtr& m) { return m.get() == element; });
    if (it == members_.end()) return false;
    members_.erase(it);
    return true;
}

Envelope GroupElement::queryBounds(const Display& display) const {
    Envelope e;
    for (const auto& m : members_) {
        if (m) e.include(m->queryBounds(display));
    }
    return e;
}

void GroupElement::move(double dx, double dy) {
    for (const auto& m : members_) {
        if (m) m->move(dx, dy);
    }
}

}  // namespace host
