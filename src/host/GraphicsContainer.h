#pragma once
// The elements of one graphics layer, in drawing order. A layer may hold a million elements,
// so adding, deleting, updating and finding by name cost O(1) or O(log n) per call (an index by
// identity and one by name), while enumeration keeps the order in which elements were added.
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/Element.h"
#include "host/ElementIndex.h"

namespace host {

class GroupElement;

class GraphicsContainer {
public:
    GraphicsContainer() = default;
    GraphicsContainer(const GraphicsContainer&) = delete;
    GraphicsContainer& operator=(const GraphicsContainer&) = delete;

    std::size_t elementCount() const { return order_.size(); }
    // Prepares the indexes for `count` more elements, so a run adding a million charts does not
    // rehash them again and again.
    void reserve(std::size_t count);
    bool contains(const Element* element) const { return entries_.count(element) != 0; }

    // Adds on top of the drawing order. Adding an element that is already in the container is
    // a host error.
    void addElement(ElementPtr element);
    // Removes the element (by identity); a host error when it is not in the container.
    void deleteElement(const Element* element);
    void deleteAllElements();
    // Tells the container that the element changed (its name, its place, or for groups their
    // members), so that finding by name and by place sees the change. Whoever moves an element
    // of a container tells it so.
    void updateElement(const Element* element);
    // Takes `element` out of the container's top level (when it is there) and appends it to
    // `group`. The group itself need not be in the container yet.
    void moveElementIntoGroup(const ElementPtr& element, const std::shared_ptr<GroupElement>& group);

    // The first element in drawing order that carries `name`: a group when one of its direct
    // members carries it, any other element when it does itself. Empty when none does.
    ElementPtr findElementByName(const std::string& name) const;

    // The elements that may show within `area` (map units) drawn on `display`, in drawing
    // order, through a spatial index built on first need. False, with `out` empty, when the area
    // shows most of the elements and no index is built yet: the caller walks them all.
    bool elementsWithin(const Envelope& area, const Display& display, std::vector<const Element*>& out) const {
        return spatialIndex_.query(area, display, out);
    }

    // Tells the container that its elements changed in ways it was not told of one by one: its
    // spatial index is built again when next needed.
    void refreshSpatialIndex() { spatialIndex_.invalidate(); }
    // The container's shared pointer of one of its top-level elements (null when not one).
    ElementPtr shared(const Element* element) const {
        const auto it = entries_.find(element);
        return it == entries_.end() ? nullptr : *it->second.position;
    }

    // Drawing order, bottom first.
    const std::list<ElementPtr>& elements() const { return order_; }
    std::vector<ElementPtr> elementsSnapshot() const { return {order_.begin(), order_.end()}; }

    // Called after an element leaves the container (the map uses it to drop it from the
    // element selection).
    void setRemovalObserver(std::function<void(const Element*)> observer) { onRemoved_ = std::move(observer); }

private:
    struct NameList;
    using NameNode = std::pair<const std::string, NameList>;
    struct Entry {
        std::list<ElementPtr>::iterator position;
        std::uint64_t sequence = 0;
        // The names the element was indexed under, as their places in the index by name (nodes
        // of an unordered map stay where they are when it grows), not as copies of the texts.
        // Kept as a bare array: every element of a million has an entry, and most are never
        // indexed by name.
        std::unique_ptr<NameNode*[]> names;
        std::uint32_t nameCount = 0;
    };
    void index(const Element* element, Entry& entry) const;
    void unindex(const Element* element, Entry& entry) const;
    void indexNames() const;
    static std::vector<std::string> namesOf(const Element& element);

    std::list<ElementPtr> order_;
    // Mutable for the index by name only, which is built on first need.
    mutable std::unordered_map<const Element*, Entry> entries_;
    // Per name the elements carrying it, in ascending sequence (appends keep the order; most
    // names are carried by one element, so a small vector beats a tree). A name may also be
    // carried by a million elements (every chart group carries the empty name of its labels),
    // so removal only marks the entry and skips it; the list is compacted once half of it is
    // dead, which keeps removal O(log n) amortised and the first live entry at `head`.
    struct NameList {
        std::vector<std::pair<std::uint64_t, const Element*>> items;  // nullptr: removed
        std::size_t head = 0;                                           // first live entry
        std::size_t dead = 0;
        std::size_t live() const { return items.size() - dead; }
    };
    mutable std::unordered_map<std::string, NameList> byName_;
    mutable bool namesIndexed_ = false;
    std::uint64_t nextSequence_ = 0;
    std::function<void(const Element*)> onRemoved_;
    ElementIndex spatialIndex_;
};

}  // namespace host
