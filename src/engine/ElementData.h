#pragma once
// Attached chart data: the property set every chart marker element carries as its custom
// property, with the keys "LayerName", "#Vmax#", "#Vmin#" and one key per chart field in bar
// order (the value as read, or "<Null>"). Written once when the chart is made; read back by
// Recreate, the legends, identify and the label removal.
#include <string>
#include <vector>

#include "host/Element.h"
#include "host/PropertySet.h"
#include "runtime/Variant.h"

namespace plotlet {

inline constexpr const char* NullValueText = "<Null>";

// Stores a new property set holding key i = value i, in order, as the element's custom
// property. Error 5 when the lists differ in length.
void SetElementData(const host::ElementPtr& element, const std::vector<std::string>& keys,
                    const std::vector<runtime::Variant>& values);

// The same with the keys shared by every chart of a run (one list of names for all of them).
void SetElementData(const host::ElementPtr& element, const host::PropertySet::SharedNames& keys,
                    std::vector<runtime::Variant> values);

// Fills `names` and `values` with the element's attached data in its order and returns true;
// false (the lists untouched) when the custom property is empty or holds no property set.
bool GetElementData(const host::ElementPtr& element, std::vector<std::string>& names,
                    std::vector<runtime::Variant>& values);

}  // namespace plotlet
