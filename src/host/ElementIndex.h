#pragma once
// Where the elements of a graphics container stand, so a view of a few hundred charts out of a
// million draws only those. The container tells the index of every element it gains, loses or
// is told changed (a moved chart is an update); the index itself is built at the first query
// that needs it and then kept up to date piece by piece: elements added or changed since the
// last build are measured one by one at each query until there are enough of them to pay for
// a rebuild.
//
// What an element draws reaches beyond its geometry (bars, labels, leaders), by lengths in
// points that scale with the view. Each element is indexed by the box of its geometry and of
// what it draws on the display of the build, and by how far its drawing reaches beyond its
// geometry, counted in points at the smaller of that display's two point sizes (symbols and
// texts that do not follow the reference scale). A query grows the reach by the larger of its
// display's point sizes, so at any scale an element's drawing lies inside what it is indexed by.
#include <cstdint>
#include <mutex>
#include <vector>

#include "host/Display.h"
#include "host/Geometry.h"
#include "host/SpatialIndex.h"

namespace host {

class Element;

class ElementIndex {
public:
    ElementIndex() = default;
    ElementIndex(const ElementIndex&) = delete;
    ElementIndex& operator=(const ElementIndex&) = delete;

    // `sequence` numbers the container's elements in drawing order (ascending, never reused).
    void added(const Element* element, std::uint64_t sequence);
    void removed(std::uint64_t sequence);
    void changed(std::uint64_t sequence);
    void cleared();
    // Elements changed in ways nobody told: everything is measured again at the next query.
    void invalidate();

    // The elements that may show within `area` (map units) drawn on `display`, in drawing
    // order. False, with `out` empty, when no index is built yet and the area shows most of the
    // elements: walking them all then costs less than building the index.
    bool query(const Envelope& area, const Display& display, std::vector<const Element*>& out) const;

    bool built() const;

private:
    void rebuild(const Display& display) const;
    bool broadView(const Envelope& area) const;
    std::size_t looseCount() const;

    mutable std::mutex mutex_;
    // Elements by sequence − base_; removed ones are null.
    mutable std::vector<const Element*> slots_;
    mutable std::uint64_t base_ = 0;
    std::size_t live_ = 0;
    // The packed index holds slots below builtEnd_ as they were measured at the build; slots
    // changed since are listed (and flagged) and measured at each query with those added since.
    mutable SpatialIndex packed_;
    mutable bool built_ = false;
    mutable std::size_t builtEnd_ = 0;
    mutable std::vector<std::uint8_t> changedFlags_;
    mutable std::vector<std::uint32_t> changed_;
};

}  // namespace host
