#pragma once
// The host's property set: named values kept in the order in which they were first set. Names
// are matched without regard to case (as the host does) and keep the case they were set with.
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace host {

class PropertySet final : public runtime::Object {
public:
    using NameList = std::vector<std::string>;
    // A list of names several sets may share (every chart of a run carries the same keys).
    using SharedNames = std::shared_ptr<const NameList>;

    std::string className() const override { return "PropertySet"; }

    std::size_t count() const { return values_.size(); }
    bool isPropertyPresent(const std::string& name) const { return find(name) != npos; }
    // Replaces the value of an existing name (keeping its place) or appends a new one.
    void setProperty(const std::string& name, runtime::Variant value);
    // Sets name i to value i, in order; both lists must have the same length (error 5).
    void setProperties(const std::vector<std::string>& names, const std::vector<runtime::Variant>& values);
    // The same into an empty set, keeping `names` shared with whoever else holds them (they
    // are copied only when this set's names change). The names must be distinct as the set
    // compares them (see distinctNames); error 5 when the lengths differ.
    void assignShared(SharedNames names, std::vector<runtime::Variant> values);
    // Whether no two names are the same to a property set.
    static bool distinctNames(const NameList& names);
    // The value of a name; a host error naming it when the set has no such property.
    const runtime::Variant& getProperty(const std::string& name) const;
    // The values for a list of names, empty for each missing name.
    std::vector<runtime::Variant> getProperties(const std::vector<std::string>& names) const;
    // All names and values in insertion order.
    void getAllProperties(std::vector<std::string>& names, std::vector<runtime::Variant>& values) const;
    void removeProperty(const std::string& name);
    void clear();

    // The properties in insertion order, each as a name and a value (item.first, item.second).
    struct Item {
        const std::string& first;
        const runtime::Variant& second;
        operator std::pair<std::string, runtime::Variant>() const { return {first, second}; }
    };
    class Items {
    public:
        class iterator {
        public:
            using difference_type = std::ptrdiff_t;
            using value_type = Item;
            iterator(const PropertySet* set, std::size_t i) : set_(set), i_(i) {}
            Item operator*() const { return (*set_)[i_]; }
            iterator& operator++() {
                ++i_;
                return *this;
            }
            bool operator==(const iterator& other) const { return i_ == other.i_; }

        private:
            const PropertySet* set_;
            std::size_t i_;
        };
        explicit Items(const PropertySet& set) : set_(set) {}
        std::size_t size() const { return set_.count(); }
        bool empty() const { return size() == 0; }
        Item operator[](std::size_t i) const { return set_[i]; }
        iterator begin() const { return {&set_, 0}; }
        iterator end() const { return {&set_, size()}; }

    private:
        const PropertySet& set_;
    };
    Items items() const { return Items(*this); }
    Item operator[](std::size_t i) const { return {(*names_)[i], values_[i]}; }

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t find(const std::string& name) const;
    // The names, copied first when shared with another set.
    NameList& ownNames();
    SharedNames names_ = emptyNames();
    std::vector<runtime::Variant> values_;
    static const SharedNames& emptyNames();
};

using PropertySetPtr = std::shared_ptr<PropertySet>;

// Compares names as the property set does: case folded for Latin and Cyrillic letters.
bool samePropertyName(const std::string& a, const std::string& b);

}  // namespace host
