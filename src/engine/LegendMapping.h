#pragma once
// The chart module's driver of the legend-field mapping: pairs each chart field with a legend
// field through FrmRelaFields and turns the pairs into the field mapping the legend load uses.
#include <string>
#include <vector>

#include "engine/LegendFiles.h"

namespace plotlet {

// One row per chart field, in the chart field array's order.
struct FieldMapping {
    std::string chartField;
    int chartIndex = 0;
    std::string legendField;  // empty when unpaired
    int symbolIndex = 0;      // the legend field's symbol index, or 1000 + the row's index
    friend bool operator==(const FieldMapping&, const FieldMapping&) = default;
};
using FieldMappingList = std::vector<FieldMapping>;

inline constexpr int UnmappedBase = 1000;

// Pairs automatically (NewFieldsOrder as FrmRelaFields::AutoMapping takes it) and shows the
// dialog modally unless `skip` is set and every chart field was paired automatically. A chart
// field with several pairs takes the first. A failure ends the mapping silently with the rows
// as far as they were filled. The dialog speaks `language` (the main dialog's).
FieldMappingList MapLegendFields(const LegendFieldList& chartFields, const LegendFieldList& legendFields, bool skip,
                                 bool NewFieldsOrder, const std::string& language);

}  // namespace plotlet
