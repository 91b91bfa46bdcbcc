#pragma once
// `plotlet draw --legend FILE [--pair CHART=LEGEND]...`: the chart fields take their fill
// symbols and their order from a legend (.leg) or a layer file that draws charts (.lyr),
// through the dialog's own load-legend command and its field-mapping dialog, as a user would.
#include <string>
#include <vector>

#include "plotlet/ChartOnMap.h"
#include "plotlet/Context.h"

namespace ui {
class Form;
}

namespace plotlet::cli {

struct FieldPairOption {
    std::string chart;
    std::string legend;
};

// "CHART=LEGEND" per --pair; std::invalid_argument for anything else.
std::vector<FieldPairOption> parseFieldPairs(const std::vector<std::string>& pairs);

// Loads the legend onto the dialog's chart fields. Fields automatic mapping pairs need nothing;
// each --pair pairs a chart field with a legend field by hand in the mapping dialog (replacing
// an automatic pair of that chart field). Returns the chart fields left without a legend field,
// which the load gives a black fill. Throws CommandFailure: InputError when the legend is
// missing or refused or a --pair names a field that is not there (the fields then unchanged).
std::vector<std::string> applyLegend(Context& context, ui::Form& dialog, const std::string& file,
                                     const std::vector<FieldPairOption>& pairs);

}  // namespace plotlet::cli
