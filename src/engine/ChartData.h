#pragma once
// Chart data and messages: the small procedures of the chart engine module that the element
// builder, the dialog's size scaling and the legend and layer-file code share. The bilingual
// message table, a field statistic over a layer, short label texts of numbers, plain text
// replacement, the reference point of a shape and the copy of a host object.
#include <cstdint>
#include <string>

#include "host/Geometry.h"
#include "host/Layer.h"
#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace plotlet {

// The module name failure reports of the engine carry.
inline constexpr const char* EngineModuleName = "Plotlet_v8_2";

// Number of slots of the message table (1-based).
inline constexpr int MessageSlotCount = 23;

// Refills the message table: exactly "Русский" gives the Russian texts, anything else the
// English ones. The table is the module's, one for every dialog: a dialog loads its language
// before it runs the engine.
void LoadMessagesFor(const std::string& language);
// Whether the message table holds the Russian texts (the engine's other bilingual messages
// follow it).
bool MessagesInRussian();
// Message slot 1..23 of the current table; error 9 outside. Until the first LoadMessagesFor the
// table holds the English texts, so no message ever shows empty.
const std::string& Message(int slot);

// A statistic of one field over the layer's display table: "MAX", "MIN", "MEAN", "COUNT",
// "STDEV" or "SUM" (matched without regard to case). COUNT is a 32-bit integer, the others
// doubles; any other name gives empty. With `selectedOnly` only the layer's selection is read.
// Failures are reported (location "DataStatistic ") and give empty.
runtime::Variant DataStatistic(const host::FeatureLayerPtr& layer, const std::string& fieldName,
                               const std::string& statisticName, bool selectedOnly);

// A number in about `signs` characters with "." as decimal separator: 123.456 → "123",
// 12.3456 → "12.3", 0.012345 → "0.01", 5 → "5.0", −12.3456 → "-12" (signs 4). Failures are
// reported (location "CutNumberString ") and give "". Infinite values read "Infinity" and
// "-Infinity" (a label of such a value cannot be shortened).
std::string CutNumberString(double value, std::int16_t signs);

// `source` with every occurrence of `find` replaced (case-sensitive). An empty `find` leaves
// the text as it is.
std::string ReplaceText(const std::string& find, const std::string& source, const std::string& replacement);

// The label point of an area (polygon, envelope); for other shapes the label point of their
// envelope, so a point gives itself. An empty shape gives an empty point. Error 91 without a
// shape.
host::Point GetShapeCenter(const host::GeometryPtr& shape);

// An independent copy through the host's object copy.
runtime::ObjectPtr CloneObject(const runtime::ObjectPtr& object);

}  // namespace plotlet
