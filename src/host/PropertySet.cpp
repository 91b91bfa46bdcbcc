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

const PropertySet::SharedNames& PropertySet::emptyNames() {
    static const SharedNames none = std::make_shared<const NameList>();
    return none;
}

PropertySet::NameList& PropertySet::ownNames() {
    if (names_.use_count() != 1) names_ = std::make_shared<const NameList>(*names_);
    // Held by this set alone: its list may change.
    return const_cast<NameList&>(*names_);
}

std::size_t PropertySet::find(const std::string& name) const {
    const NameList& names = *names_;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (samePropertyName(names[i], name)) return i;
    }
    return npos;
}

void PropertySet::setProperty(const std::string& name, runtime::Variant value) {
    const std::size_t i = find(name);
    if (i == npos) {
        ownNames().push_back(name);
        values_.push_back(std::move(value));
    } else {
        values_[i] = std::move(value);
    }
}

void PropertySet::setProperties(const std::vector<std::string>& names, const std::vector<runtime::Variant>& values) {
    if (names.size() != values.size())
        raiseRuntime(runtime::err::InvalidCall, "PropertySet.SetProperties", "The name and value lists differ in length.");
    for (std::size_t i = 0; i < names.size(); ++i) setProperty(names[i], values[i]);
}

void PropertySet::assignShared(SharedNames names, std::vector<runtime::Variant> values) {
    if (!names || names->size() != values.size())
        raiseRuntime(runtime::err::InvalidCall, "PropertySet.SetProperties", "The name and value lists differ in length.");
    if (count() != 0) {
        // Into a set that holds properties already: name by name, as setProperties does.
        for (std::size_t i = 0; i < values.size(); ++i) setProperty((*names)[i], std::move(values[i]));
        return;
    }
    names_ = std::move(names);
    values_ = std::move(values);
}

bool PropertySet::distinctNames(const NameList& names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (samePropertyName(names[i], names[j])) return false;
        }
    }
    return true;
}

const runtime::Variant& PropertySet::getProperty(const std::string& name) const {
    const std::size_t i = find(name);
    if (i == npos) raiseHost(30, "PropertySet.GetProperty", "The property set has no property \"" + name + "\".");
    return values_[i];
}

std::vector<runtime::Variant> PropertySet::getProperties(const std::vector<std::string>& names) const {
    std::vector<runtime::Variant> values;
    values.reserve(names.size());
    for (const auto& n : names) {
        const std::size_t i = find(n);
        values.push_back(i == npos ? runtime::Variant() : values_[i]);
    }
    return values;
}

void PropertySet::getAllProperties(std::vector<std::string>& names, std::vector<runtime::Variant>& values) const {
    names = *names_;
    values = values_;
}

void PropertySet::removeProperty(const std::string& name) {
    const std::size_t i = find(name);
    if (i == npos) return;
    NameList& own = ownNames();
    own.erase(own.begin() + static_cast<std::ptrdiff_t>(i));
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
}

void PropertySet::clear() {
    names_ = emptyNames();
    values_.clear();
}

}  // namespace host
