#include "host/GraphicsContainer.h"

#include <algorithm>

#include "host/Error.h"

namespace host {

std::vector<std::string> GraphicsContainer::namesOf(const Element& element) {
    std::vector<std::string> names;
    if (auto group = dynamic_cast<const GroupElement*>(&element)) {
        for (const auto& m : group->elements()) {
            if (m && std::find(names.begin(), names.end(), m->name()) == names.end()) names.push_back(m->name());
        }
    } else {
        names.push_back(element.name());
    }
    return names;
}

void GraphicsContainer::index(const Element* element, Entry& entry) {
    entry.names = namesOf(*element);
    for (const auto& n : entry.names) {
        auto& list = byName_[n];
        auto at = std::lower_bound(list.begin(), list.end(), std::make_pair(entry.sequence, element));
        list.emplace(at, entry.sequence, element);
    }
}

void GraphicsContainer::unindex(const Element* element, Entry& entry) {
    for (const auto& n : entry.names) {
        auto it = byName_.find(n);
        if (it == byName_.end()) continue;
        auto& list = it->second;
        auto at = std::lower_bound(list.begin(), list.end(), std::make_pair(entry.sequence, element));
        if (at != list.end() && at->first == entry.sequence) list.erase(at);
        if (list.empty()) byName_.erase(it);
    }
    (void)element;
    entry.names.clear();
}

void GraphicsContainer::addElement(ElementPtr element) {
    if (!element) raiseRuntime(runtime::err::ObjectNotSet, "GraphicsContainer.AddElement", runtime::standardDescription(91));
    if (entries_.count(element.get())) raiseHost(20, "GraphicsContainer.AddElement", "The element is already in the graphics layer.");
    const Element* key = element.get();
    order_.push_back(std::move(element));
    Entry entry{std::prev(order_.end()), nextSequence_++, {}};
    index(key, entry);
    entries_.emplace(key, std::move(entry));
}

void GraphicsContainer::deleteElement(const Element* element) {
    auto it = entries_.find(element);
    if (it == entries_.end()) raiseHost(21, "GraphicsContainer.DeleteElement", "The element is not in the graphics layer.");
    unindex(element, it->second);
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
    if (onRemoved_) {
        for (const auto& e : old) onRemoved_(e.get());
    }
}

void GraphicsContainer::updateElement(const Element* element) {
    auto it = entries_.find(element);
    if (it == entries_.end()) return;  // not ours: nothing to re-index
    unindex(element, it->second);
    index(element, it->second);
}

void GraphicsContainer::moveElementIntoGroup(const ElementPtr& element, const std::shared_ptr<GroupElement>& group) {
    if (!element || !group) raiseRuntime(runtime::err::ObjectNotSet, "GraphicsContainer.MoveElementToGroup", runtime::standardDescription(91));
    if (entries_.count(element.get())) deleteElement(element.get());
    group->addElement(element);
    updateElement(group.get());
}

ElementPtr GraphicsContainer::findElementByName(const std::string& name) const {
    auto it = byName_.find(name);
    if (it == byName_.end() || it->second.empty()) return nullptr;
    const Element* first = it->second.front().second;
    return *entries_.at(first).position;
}

}  // namespace host
