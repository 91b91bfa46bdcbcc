#include "host/GraphicsContainer.h"

#include <algorithm>

#include "host/Error.h"

namespace host {

std::vector<std::string> GraphicsContainer::namesOf(const Element& element) {
    std::vector<std::string> names;
    if (const auto* group = elementAs<GroupElement>(element)) {
        group->forEachOwnMember([&](const Element& m) {
            if (std::find(names.begin(), names.end(), m.name()) == names.end()) names.push_back(m.name());
        });
    } else {
        names.push_back(element.name());
    }
    return names;
}

void GraphicsContainer::index(const Element* element, Entry& entry) const {
    const std::vector<std::string> names = namesOf(*element);
    entry.names = std::make_unique<NameNode*[]>(names.size());
    entry.nameCount = 0;  // grows name by name, so a failure midway leaves no empty slot counted
    const auto key = std::make_pair(entry.sequence, element);
    for (std::size_t k = 0; k < names.size(); ++k) {
        NameNode& node = *byName_.try_emplace(names[k]).first;
        entry.names[k] = &node;
        ++entry.nameCount;
        NameList& list = node.second;
        if (list.items.empty() || list.items.back().first < entry.sequence) {
            list.items.push_back(key);  // the common case: a new element on top
            continue;
        }
        // Re-indexing an older element: it goes back to its place in sequence order.
        auto at = std::lower_bound(list.items.begin(), list.items.end(), key,
                                   [](const auto& a, const auto& b) { return a.first < b.first; });
        const auto position = static_cast<std::size_t>(at - list.items.begin());
        if (at != list.items.end() && at->first == entry.sequence && at->second == nullptr) {
            at->second = element;  // its own entry, removed a moment ago: revive it
            --list.dead;
        } else {
            list.items.insert(at, key);
        }
        if (position < list.head) list.head = position;
    }
}

void GraphicsContainer::unindex(const Element* element, Entry& entry) const {
    for (std::uint32_t k = 0; k < entry.nameCount; ++k) {
        NameNode* node = entry.names[k];
        NameList& list = node->second;
        auto at = std::lower_bound(list.items.begin() + static_cast<std::ptrdiff_t>(list.head), list.items.end(),
                                   entry.sequence, [](const auto& a, std::uint64_t s) { return a.first < s; });
        if (at == list.items.end() || at->first != entry.sequence || at->second != element) continue;
        at->second = nullptr;
        ++list.dead;
        if (list.live() == 0) {
            byName_.erase(byName_.find(node->first));
            continue;
        }
        while (list.items[list.head].second == nullptr) ++list.head;
        if (list.dead * 2 > list.items.size()) {
            std::erase_if(list.items, [](const auto& item) { return item.second == nullptr; });
            list.dead = 0;
            list.head = 0;
        }
    }
    entry.names.reset();
    entry.nameCount = 0;
}

void GraphicsContainer::reserve(std::size_t count) {
    entries_.reserve(entries_.size() + count);
    if (namesIndexed_) byName_.reserve(byName_.size() + count);
}

void GraphicsContainer::addElement(ElementPtr element) {
    if (!element) raiseRuntime(runtime::err::ObjectNotSet, "GraphicsContainer.AddElement", runtime::standardDescription(91));
    // One look into the index by identity: with a million elements it lies far outside the
    // caches, and reading a map adds every chart here.
    const Element* key = element.get();
    const auto [it, added] = entries_.try_emplace(key);
    if (!added) raiseHost(20, "GraphicsContainer.AddElement", "The element is already in the graphics layer.");
    try {
        order_.push_back(std::move(element));
    } catch (...) {
        entries_.erase(it);
        throw;
    }
    Entry& entry = it->second;
    entry.position = std::prev(order_.end());
    entry.sequence = nextSequence_++;
    if (namesIndexed_) index(key, entry);
    spatialIndex_.added(key, entry.sequence);
}

void GraphicsContainer::deleteElement(const Element* element) {
    auto it = entries_.find(element);
    if (it == entries_.end()) raiseHost(21, "GraphicsContainer.DeleteElement", "The element is not in the graphics layer.");
    if (namesIndexed_) unindex(element, it->second);
    spatialIndex_.removed(it->second.sequence);
    ElementPtr keep = *it->second.position;  // keep it alive until observers have seen it go
    order_.erase(it->second.position);
    entries_.erase(it);
    if (onRemoved_) onRemoved_(element);
}

void GraphicsContainer::deleteAllElements() {
    std::list<ElementPtr> old;
    old.swap(order_);
    entries_.clear();
    byName_.clear();
    namesIndexed_ = false;
    spatialIndex_.cleared();
    if (onRemoved_) {
        for (const auto& e : old) onRemoved_(e.get());
    }
}

void GraphicsContainer::updateElement(const Element* element) {
    auto it = entries_.find(element);
    if (it == entries_.end()) return;  // not ours: nothing to re-index
    if (namesIndexed_) {
        unindex(element, it->second);
        index(element, it->second);
    }
    spatialIndex_.changed(it->second.sequence);
}

void GraphicsContainer::moveElementIntoGroup(const ElementPtr& element, const std::shared_ptr<GroupElement>& group) {
    if (!element || !group) raiseRuntime(runtime::err::ObjectNotSet, "GraphicsContainer.MoveElementToGroup", runtime::standardDescription(91));
    if (entries_.count(element.get())) deleteElement(element.get());
    group->addElement(element);
    updateElement(group.get());
}

// Drawing, saving and reading a map never look an element up by name; Recreate and the label
// tools do. The index by name (a hash entry per chart name) is built when first asked for and
// kept up to date from then on.
void GraphicsContainer::indexNames() const {
    if (namesIndexed_) return;
    byName_.reserve(entries_.size());
    for (const ElementPtr& e : order_) {
        Entry& entry = entries_.find(e.get())->second;
        index(e.get(), entry);
    }
    namesIndexed_ = true;
}

ElementPtr GraphicsContainer::findElementByName(const std::string& name) const {
    indexNames();
    auto it = byName_.find(name);
    if (it == byName_.end() || it->second.live() == 0) return nullptr;
    const Element* first = it->second.items[it->second.head].second;
    return *entries_.at(first).position;
}

}  // namespace host
