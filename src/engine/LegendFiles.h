#pragma once
// Legends: which fill symbol a chart drew for which field, so that the charts of another layer
// or map can be drawn in the same colours. A legend is saved from one chart element into a
// legend file (*.leg, a property-set file) and read back from such a file or from a layer file
// (*.lyr) whose layer draws charts through a chart renderer.
//
// A legend file holds "SymbolsPropertis" (the symbol set: "SymbolCount", then per symbol i
// "Field"i, "Symbol"i and "SymbolType"i) and "ValsPropertis" (a caller's set, written empty by
// the legend commands and never read back).
//
// Reading keeps the legend field list and the symbol array aligned: row i of the list always
// goes with symbol i of the array, whatever kind of fill (or no symbol) the file holds for it.
// A file from elsewhere is untrusted: a count that is negative, zero or beyond the symbols
// present, a missing key or a symbol of the wrong class is a host error naming the file, and
// nothing has been handed back then.
#include <cstdint>
#include <string>
#include <vector>

#include "host/Element.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"

namespace plotlet {

// One row of a legend field list: the field's name and its row's own index, which is also the
// index of its symbol in the symbol array read with it.
struct LegendField {
    std::string name;
    std::int16_t index = 0;
    friend bool operator==(const LegendField&, const LegendField&) = default;
};
using LegendFieldList = std::vector<LegendField>;

// The symbol set of a chart element: "SymbolCount" and per fill symbol i "Field"i (the field
// name at position i + 3 of the attached data) and, for simple and multi-layer fills, the
// symbol and its type. An element without attached data shows "No data was saved with this
// graphic element" (title "GetChartMarkerSymbols") and gives nothing; an element that is not
// a chart marker, or any other failure, gives nothing silently.
host::PropertySetPtr GetChartMarkerSymbols(const host::ElementPtr& element);

// Writes the legend of the chart element to `path`. `values` (may be empty) is stored as
// "ValsPropertis"; an empty one is created and handed back. When the element gives no symbol
// set, "No data for legend" (title "SaveLegendFromMarkerElement") is shown, nothing is
// written and false returned. Write failures go to the caller.
bool SaveLegendFromMarkerElement(const host::ElementPtr& element, const std::string& path, host::PropertySetPtr& values);

// Reads the legend of a *.leg or *.lyr file (the ending in any case) into `list` and
// `symbolArray`; any other ending reads nothing and gives an empty list. Nothing is changed
// when the read fails (the failure goes to the caller). A layer file without a chart renderer
// shows "Это не слой диаграмм" and gives an empty list.
void LoadLegendFile(const std::string& path, LegendFieldList& list, host::BarChartSymbolPtr& symbolArray);

// The rows and symbols of a symbol set; the symbols are appended to `symbolArray`, one per
// counted symbol: the file's own simple, multi-layer, marker, picture or line fill, or a black
// fill where the file holds none. `fileName` names the file in messages.
void GetSymbolsFromPropertySet(const host::PropertySetPtr& symbols, host::SymbolArray& symbolArray,
                               LegendFieldList& list, const std::string& fileName);

// The rows and symbols of a layer file's chart renderer: `symbolArray` becomes the renderer's
// chart symbol, the rows its fields.
void GetSymbolsFromLayerFile(const std::string& path, host::BarChartSymbolPtr& symbolArray, LegendFieldList& list);

}  // namespace plotlet
