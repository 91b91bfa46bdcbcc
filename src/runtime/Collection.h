#pragma once
// The runtime's Collection: items counted from 1.
#include <cstddef>
#include <vector>

#include "runtime/Error.h"

namespace runtime {

template <class T>
class Collection {
public:
    std::size_t count() const { return items_.size(); }
    void add(T item) { items_.push_back(std::move(item)); }
    void clear() { items_.clear(); }
    // Error 9 outside 1..count.
    const T& item(std::size_t index) const {
        if (index < 1 || index > items_.size()) raise(err::SubscriptOutOfRange);
        return items_[index - 1];
    }
    void remove(std::size_t index) {
        if (index < 1 || index > items_.size()) raise(err::SubscriptOutOfRange);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index - 1));
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T> items_;
};

}  // namespace runtime
