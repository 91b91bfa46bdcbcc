#include "engine/ElementData.h"

#include "host/PropertySet.h"
#include "runtime/Error.h"

namespace plotlet {

void SetElementData(const host::ElementPtr& element, const std::vector<std::string>& keys,
                    const std::vector<runtime::Variant>& values) {
    if (!element) runtime::raise(runtime::err::ObjectNotSet);
    auto set = std::make_shared<host::PropertySet>();
    set->setProperties(keys, values);
    element->setCustomProperty(runtime::Variant(std::move(set)));
}

void SetElementData(const host::ElementPtr& element, const host::PropertySet::SharedNames& keys,
                    std::vector<runtime::Variant> values) {
    if (!element) runtime::raise(runtime::err::ObjectNotSet);
    auto set = std::make_shared<host::PropertySet>();
    set->assignShared(keys, std::move(values));
    element->setCustomProperty(runtime::Variant(std::move(set)));
}

bool GetElementData(const host::ElementPtr& element, std::vector<std::string>& names,
                    std::vector<runtime::Variant>& values) {
    if (!element) runtime::raise(runtime::err::ObjectNotSet);
    const runtime::Variant& custom = element->customProperty();
    if (custom.isEmpty()) return false;
    auto set = custom.as<host::PropertySet>();
    if (!set) return false;
    set->getAllProperties(names, values);
    return true;
}

}  // namespace plotlet
