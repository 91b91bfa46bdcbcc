#pragma once
// The host's property set: named values kept in the order in which they were first set. Names
// are matched without regard to case (as the host does) and keep the case they were set with.
#include <string>
#include <utility>
#include <vector>

#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace host {

class PropertySet final : public runtime::Object {
public:
    std::string className() const override { return "PropertySet"; }

    std::size_t count() const { return items_.size(); }
    bool isPropertyPresent(const std::string& name) const { return find(name) != npos; }
    // Replaces the value of an existing name (keeping its place) or appends a new one.
    void setProperty(const std::string& name, runtime::Variant value);
    // Sets name i to value i, in order; both lists must have the same length (error 5).
    void setProperties(const std::vector<std::string>& names, const std::vector<runtime::Variant>& values);
    // The value of a name; a host error naming it when the set has no such property.
    const runtime::Variant& getProperty(const std::string& name) const;
    // The values for a list of names, empty for each missing name.
    std::vector<runtime::Variant> getProperties(const std::vector<std::string>& names) const;
    // All names and values in insertion order.
    void getAllProperties(std::vector<std::string>& names, std::vector<runtime::Variant>& values) const;
    const std::vector<std::pair<std::string, runtime::Variant>>& items() const { return items_; }
    void removeProperty(const std::string& name);
    void clear() { items_.clear(); }

private:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t find(const std::string& name) const;
    std::vector<std::pair<std::string, runtime::Variant>> items_;
};

using PropertySetPtr = std::shared_ptr<PropertySet>;

// Compares names as the property set does: case folded for Latin and Cyrillic letters.
bool samePropertyName(const std::string& a, const std::string& b);

}  // namespace host
