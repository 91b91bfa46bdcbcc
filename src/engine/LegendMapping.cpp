#include "engine/LegendMapping.h"

#include <memory>

#include "fieldtools/FrmRelaFields.h"

namespace plotlet {

FieldMappingList MapLegendFields(const LegendFieldList& chartFields, const LegendFieldList& legendFields, bool skip,
                                 bool NewFieldsOrder, const std::string& language) {
    FieldMappingList mapping;
    // Unpaired until a pair says otherwise, so a failure half-way never hands a field a
    // symbol it was not paired with.
    for (const LegendField& f : chartFields)
        mapping.push_back({f.name, f.index, {}, UnmappedBase + static_cast<int>(mapping.size())});
    try {
        auto dialog = std::make_unique<FrmRelaFields>();
        dialog->Language = language;
        dialog->PopulateArrays(chartFields, legendFields);
        const int paired = dialog->AutoMapping(NewFieldsOrder);
        if (!(skip && paired == static_cast<int>(chartFields.size()) - 1)) dialog->showModal();
        std::vector<FieldPair> pairs;
        dialog->GetMappingArray(pairs);
        for (std::size_t i = 0; i < mapping.size(); ++i) {
            FieldMapping& row = mapping[i];
            for (const FieldPair& p : pairs) {
                if (p.chartIndex != row.chartIndex) continue;
                // A pair names a legend row by its index; one the list does not hold pairs nothing.
                for (const LegendField& l : legendFields) {
                    if (l.index != p.legendIndex) continue;
                    row.legendField = l.name;
                    row.symbolIndex = l.index;
                    break;
                }
                break;
            }
        }
        dialog->unload();
    } catch (...) {
        // The mapping as far as it was filled.
    }
    return mapping;
}

}  // namespace plotlet
