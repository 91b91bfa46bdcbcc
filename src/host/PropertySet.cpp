#include "host/PropertySet.h"

#include "host/Error.h"
#include "runtime/Text.h"

namespace host {

bool samePropertyName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        // Case folding can change byte lengths only outside ASCII.
        bool ascii = true;
        for (char c : a) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        for (char c : b) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii) return false;
        return runtime::upperCase(a) == runtime::upperCase(b);
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 0x80 || y >= 0x80) return runtime::upperCase(a) == runtime::upperCase(b);
        const auto fx = (x >= 'a' && x <= 'z') ? x - 32 : x;
        const auto fy = (y >= 'a' && y <= 'z') ? y - 32 : y;
        if (fx != fy) return false;
    }
    return true;
}

std::size_t PropertySet::find(const std::string& name) const {
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (samePropertyName(items_[i].first, name)) return i;
    }
    return npos;
}

void PropertySet::setProperty(const std::string& name, runtime::Variant value) {
    const std::size_t i = find(name);
    if (i == npos) items_.emplace_back(name, std::move(value));
    else items_[i].second = std::move(value);
}

void PropertySet::setProperties(const std::vector<std::string>& names, const std::vector<runtime::Variant>& values) {
    if (names.size() != values.size())
        raiseRuntime(runtime::err::InvalidCall, "PropertySet.SetProperties", "The name and value lists differ in length.");
    for (std::size_t i = 0; i < names.size(); ++i) setProperty(names[i], values[i]);
}

const runtime::Variant& PropertySet::getProperty(const std::string& name) const {
    const std::size_t i = find(name);
    if (i == npos) raiseHost(30, "PropertySet.GetProperty", "The property set has no property \"" + name + "\".");
    return items_[i].second;
}

std::vector<runtime::Variant> PropertySet::getProperties(const std::vector<std::string>& names) const {
    std::vector<runtime::Variant> values;
    values.reserve(names.size());
    for (const auto& n : names) {
        const std::size_t i = find(n);
        values.push_back(i == npos ? runtime::Variant() : items_[i].second);
    }
    return values;
}

void PropertySet::getAllProperties(std::vector<std::string>& names, std::vector<runtime::Variant>& values) const {
    names.clear();
    values.clear();
    for (const auto& [n, v] : items_) {
        names.push_back(n);
        values.push_back(v);
    }
}

void PropertySet::removeProperty(const std::string& name) {
    const std::size_t i = find(name);
    if (i != npos) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

}  // namespace host
