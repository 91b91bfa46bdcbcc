#include "host/ElementIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

#include "host/Element.h"

namespace host {
namespace {

// Below this many elements a walk over all of them is cheap; no index is built.
constexpr std::size_t kSmallContainer = 2'000;
// Elements looked at to judge whether a view shows most of an unindexed container.
constexpr std::size_t kViewSample = 512;
// An unindexed container whose sampled elements fall this much or more inside a view is walked.
constexpr double kBroadShare = 0.25;
// Elements measured one by one at every query (added or changed since the build) before a
// rebuild pays: this many, or an eighth of the container.
constexpr std::size_t kLooseMinimum = 4'096;

// Where an element stands, cheaply: its geometry's middle; a group's first member's.
bool anchorOf(const Element& element, XY& out, int depth = 0) {
    if (depth > 16) return false;
    if (const auto* group = elementAs<GroupElement>(element)) {
        bool found = false;
        group->forEachOwnMember([&](const Element& member) { found = found || anchorOf(member, out, depth + 1); });
        return found;
    }
    const GeometryPtr& g = element.geometry();
    if (!g || g->isEmpty()) return false;
    out = g->envelope().centre();
    return std::isfinite(out.x) && std::isfinite(out.y);
}

double positiveOr(double v, double otherwise) { return std::isfinite(v) && v > 0 ? v : otherwise; }

// The larger and smaller of a display's point sizes in map units (symbols at the reference
// scale, texts that keep their size at the map scale); 0 when the display has no scale.
void pointSizes(const Display& display, double& smaller, double& larger) {
    const DisplayTransformation& t = display.displayTransformation();
    const double a = positiveOr(t.mapUnitsPerPoint(), 0.0), b = positiveOr(t.mapUnitsPerPointAtMapScale(), a);
    smaller = a > 0 ? std::min(a, b) : b;
    larger = std::max(a, b);
}

IndexBox boxOf(const Envelope& e) { return {e.xMin(), e.yMin(), e.xMax(), e.yMax()}; }

// The entry of one element: the box of its geometry and drawing, and its drawing's reach
// beyond its geometry in points of `pointSize` map units. False when it stands nowhere.
bool entryOf(const Element& element, const Display& display, double pointSize, SpatialIndex::Entry& entry) {
    // A group's extent measured in place: its geometry would be an object kept per group.
    Envelope geometry;
    if (const auto* group = elementAs<GroupElement>(element)) {
        geometry = group->extent();
    } else if (const GeometryPtr& g = element.geometry()) {
        geometry = g->envelope();
    }
    const Envelope drawn = element.queryBounds(display);
    if (geometry.isEmpty() && drawn.isEmpty()) return false;
    Envelope box = geometry;
    box.include(drawn);
    entry.box = boxOf(box);
    entry.reach = {};
    if (!geometry.isEmpty() && !drawn.isEmpty() && pointSize > 0) {
        const double sides[4] = {geometry.xMin() - drawn.xMin(), geometry.yMin() - drawn.yMin(), drawn.xMax() - geometry.xMax(),
                                 drawn.yMax() - geometry.yMax()};
        for (int side = 0; side < 4; ++side) {
            const double r = std::max(0.0, sides[side]) / pointSize;
            // Rounded up a little, so float storage never shrinks it.
            entry.reach[static_cast<std::size_t>(side)] =
                std::isfinite(r) ? static_cast<float>(r * (1 + 1e-6) + 1e-6) : std::numeric_limits<float>::max();
        }
    } else if (geometry.isEmpty()) {
        // Measured only as drawn: a box of fixed map size, grown by a reach for other scales.
        const double r = pointSize > 0 ? std::max(drawn.width(), drawn.height()) / pointSize : 0.0;
        entry.reach.fill(std::isfinite(r) ? static_cast<float>(r) : std::numeric_limits<float>::max());
    }
    return true;
}

}  // namespace

void ElementIndex::added(const Element* element, std::uint64_t sequence) {
    std::lock_guard lock(mutex_);
    if (slots_.empty() && live_ == 0 && !built_) base_ = sequence;
    if (sequence < base_) return;  // never: sequences only grow
    const std::uint64_t slot = sequence - base_;
    if (slots_.size() <= slot) slots_.resize(static_cast<std::size_t>(slot) + 1, nullptr);
    slots_[static_cast<std::size_t>(slot)] = element;
    ++live_;
}

void ElementIndex::removed(std::uint64_t sequence) {
    std::lock_guard lock(mutex_);
    if (sequence < base_ || sequence - base_ >= slots_.size()) return;
    const auto slot = static_cast<std::size_t>(sequence - base_);
    if (!slots_[slot]) return;
    slots_[slot] = nullptr;
    --live_;
}

void ElementIndex::changed(std::uint64_t sequence) {
    std::lock_guard lock(mutex_);
    if (!built_ || sequence < base_ || sequence - base_ >= builtEnd_) return;  // measured at the next query anyway
    const auto slot = static_cast<std::size_t>(sequence - base_);
    if (changedFlags_[slot]) return;
    changedFlags_[slot] = 1;
    changed_.push_back(static_cast<std::uint32_t>(slot));
}

void ElementIndex::cleared() {
    std::lock_guard lock(mutex_);
    slots_.clear();
    slots_.shrink_to_fit();
    live_ = 0;
    built_ = false;
    builtEnd_ = 0;
    packed_.clear();
    changedFlags_.clear();
    changed_.clear();
}

void ElementIndex::invalidate() {
    std::lock_guard lock(mutex_);
    built_ = false;
    builtEnd_ = 0;
    packed_.clear();
    changedFlags_.clear();
    changed_.clear();
}

bool ElementIndex::built() const {
    std::lock_guard lock(mutex_);
    return built_;
}

std::size_t ElementIndex::looseCount() const { return changed_.size() + (slots_.size() - builtEnd_); }

bool ElementIndex::broadView(const Envelope& area) const {
    const std::size_t step = std::max<std::size_t>(1, slots_.size() / kViewSample);
    std::size_t seen = 0, inside = 0;
    for (std::size_t i = 0; i < slots_.size(); i += step) {
        XY p{};
        if (!slots_[i] || !anchorOf(*slots_[i], p)) continue;
        ++seen;
        if (p.x >= area.xMin() && p.x <= area.xMax() && p.y >= area.yMin() && p.y <= area.yMax()) ++inside;
    }
    return seen == 0 || static_cast<double>(inside) >= kBroadShare * static_cast<double>(seen);
}

void ElementIndex::rebuild(const Display& display) const {
    // Removed elements at the front (old charts deleted before new ones were added) are dropped.
    std::size_t lead = 0;
    while (lead < slots_.size() && !slots_[lead]) ++lead;
    if (lead > 0) {
        slots_.erase(slots_.begin(), slots_.begin() + static_cast<std::ptrdiff_t>(lead));
        base_ += lead;
    }
    double smaller = 0, larger = 0;
    pointSizes(display, smaller, larger);
    std::vector<SpatialIndex::Entry> entries;
    entries.reserve(live_);
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i]) continue;
        SpatialIndex::Entry entry;
        if (!entryOf(*slots_[i], display, smaller, entry)) continue;
        entry.item = static_cast<std::uint32_t>(i);
        entries.push_back(entry);
    }
    packed_.build(std::move(entries));
    builtEnd_ = slots_.size();
    changedFlags_.assign(builtEnd_, 0);
    changed_.clear();
    built_ = true;
}

bool ElementIndex::query(const Envelope& area, const Display& display, std::vector<const Element*>& out) const {
    out.clear();
    std::lock_guard lock(mutex_);
    if (area.isEmpty() || live_ == 0) return true;
    if (!built_) {
        if (live_ < kSmallContainer || broadView(area)) return false;
        rebuild(display);
    } else if (looseCount() > std::max(kLooseMinimum, live_ / 8)) {
        rebuild(display);
    }
    double smaller = 0, larger = 0;
    pointSizes(display, smaller, larger);
    std::vector<std::uint32_t> hits;
    packed_.query(boxOf(area), larger, hits);
    std::erase_if(hits, [&](std::uint32_t slot) { return !slots_[slot] || changedFlags_[slot]; });
    // Elements added or changed since the build: measured now, exactly.
    const std::size_t indexed = hits.size();
    const auto look = [&](std::size_t slot) {
        const Element* element = slots_[slot];
        if (!element) return;
        const Envelope drawn = element->queryBounds(display);
        if (!drawn.isEmpty() && drawn.xMin() <= area.xMax() && area.xMin() <= drawn.xMax() && drawn.yMin() <= area.yMax() &&
            area.yMin() <= drawn.yMax())
            hits.push_back(static_cast<std::uint32_t>(slot));
    };
    for (const std::uint32_t slot : changed_) look(slot);
    for (std::size_t slot = builtEnd_; slot < slots_.size(); ++slot) look(slot);
    if (hits.size() > indexed) std::sort(hits.begin(), hits.end());
    out.reserve(hits.size());
    for (const std::uint32_t slot : hits) out.push_back(slots_[slot]);
    return true;
}

}  // namespace host
