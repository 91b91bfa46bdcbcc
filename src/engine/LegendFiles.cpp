#include "engine/LegendFiles.h"

#include <filesystem>

#include "engine/ChartData.h"
#include "engine/ElementData.h"
#include "engine/PropertySetFiles.h"
#include "host/Error.h"
#include "host/Layer.h"
#include "host/LayerFile.h"
#include "host/Renderer.h"
#include "preview/basMakeSymbols.h"
#include "runtime/Text.h"
#include "ui/Shell.h"

namespace plotlet {

namespace {

constexpr const char* SymbolsKey = "SymbolsPropertis";
constexpr const char* ValuesKey = "ValsPropertis";
// Names of the attached data before the first chart field: layer name, Vmax, Vmin.
constexpr std::size_t FirstFieldName = 3;

struct Bilingual {
    const char* en;
    const char* ru;
    std::string text() const { return MessagesInRussian() ? ru : en; }
};

// A refused legend: a host error whose description names the file first.
[[noreturn]] void refuse(const std::string& path, const Bilingual& problem, const std::string& detail = {}) {
    const Bilingual file{"Legend file ", "Файл легенды "};
    host::raiseHost(1101, "LoadLegendFile", file.text() + path + ": " + problem.text() + detail);
}

const runtime::Variant& requiredKey(const host::PropertySet& set, const std::string& key, const std::string& path) {
    if (!set.isPropertyPresent(key)) refuse(path, {"the key is missing: ", "нет ключа "}, key);
    return set.getProperty(key);
}

// The number of symbols the set counts, refused unless it lies in 1..32767 (the list's row
// index is a 16-bit integer) and is a whole number.
std::int16_t symbolCount(const host::PropertySet& set, const std::string& path) {
    const runtime::Variant& value = requiredKey(set, "SymbolCount", path);
    double count = 0;
    try {
        count = value.toDouble();
    } catch (const runtime::Error&) {
        refuse(path, {"SymbolCount is not a number", "SymbolCount не является числом"});
    }
    if (!(count >= 1 && count <= 32767) || count != static_cast<double>(static_cast<long>(count)))
        refuse(path, {"SymbolCount must be a whole number from 1 to 32767, not ", "SymbolCount должен быть целым числом от 1 до 32767, а не "},
               runtime::Variant(count).toString());
    return static_cast<std::int16_t>(count);
}

}  // namespace

host::PropertySetPtr GetChartMarkerSymbols(const host::ElementPtr& element) {
    try {
        std::vector<std::string> names;
        std::vector<runtime::Variant> values;
        const bool hasData = GetElementData(element, names, values);
        auto marker = std::dynamic_pointer_cast<host::MarkerElement>(element);
        if (!marker) return nullptr;
        if (!hasData) {
            ui::msgBox(Message(13), ui::mb::Exclamation, "GetChartMarkerSymbols");
            return nullptr;
        }
        auto chart = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
        if (!chart) return nullptr;
        auto set = std::make_shared<host::PropertySet>();
        set->setProperty("SymbolCount", runtime::Variant(static_cast<std::int32_t>(chart->symbolCount())));
        for (std::size_t i = 0; i < chart->symbolCount(); ++i) {
            const host::SymbolPtr& symbol = chart->symbol(i);
            if (!std::dynamic_pointer_cast<host::FillSymbol>(symbol)) continue;
            const std::string n = std::to_string(i);
            // A chart with more bars than data names is no chart this system made.
            if (FirstFieldName + i >= names.size()) return nullptr;
            set->setProperty("Field" + n, runtime::Variant(names[FirstFieldName + i]));
            const std::string type = symbol->className();
            if (type == "SimpleFillSymbol" || type == "MultiLayerFillSymbol") {
                set->setProperty("Symbol" + n, runtime::Variant(runtime::ObjectPtr(symbol)));
                set->setProperty("SymbolType" + n, runtime::Variant(type));
            }
        }
        return set;
    } catch (...) {
        return nullptr;
    }
}

bool SaveLegendFromMarkerElement(const host::ElementPtr& element, const std::string& path, host::PropertySetPtr& values) {
    auto legend = std::make_shared<host::PropertySet>();
    const host::PropertySetPtr symbols = GetChartMarkerSymbols(element);
    if (!symbols) {
        ui::msgBox(Message(12), ui::mb::Exclamation, "SaveLegendFromMarkerElement");
        return false;
    }
    legend->setProperty(SymbolsKey, runtime::Variant(runtime::ObjectPtr(symbols)));
    if (!values) values = std::make_shared<host::PropertySet>();
    legend->setProperty(ValuesKey, runtime::Variant(runtime::ObjectPtr(values)));
    SavePropertySetToFile(legend, path);
    return true;
}

void LoadLegendFile(const std::string& path, LegendFieldList& list, host::BarChartSymbolPtr& symbolArray) {
    const std::string ending = path.size() >= 3 ? runtime::upperCase(path.substr(path.size() - 3)) : std::string();
    LegendFieldList rows;
    if (ending == "LEG") {
        // Read whole before anything is handed back, so a refused file changes nothing.
        if (!std::filesystem::is_regular_file(path)) host::raiseRuntime(runtime::err::FileNotFound, "LoadLegendFile", "File not found: " + path);
        const host::PropertySetPtr set = LoadPropertySetFromFile(path);
        if (!set) host::raiseHost(1102, "LoadLegendFile", "The legend file " + path + " could not be read");
        const runtime::Variant& symbolsValue = requiredKey(*set, SymbolsKey, path);
        auto symbols = symbolsValue.as<host::PropertySet>();
        if (!symbols) refuse(path, {"SymbolsPropertis holds no property set", "SymbolsPropertis не является набором свойств"});
        auto read = std::make_shared<host::BarChartSymbol>();
        GetSymbolsFromPropertySet(symbols, *read, rows, path);
        if (!symbolArray) symbolArray = std::make_shared<host::BarChartSymbol>();
        for (const host::SymbolPtr& s : read->symbols()) symbolArray->addSymbol(s);
    } else if (ending == "LYR") {
        host::BarChartSymbolPtr read = symbolArray;
        GetSymbolsFromLayerFile(path, read, rows);
        symbolArray = read;
    }
    list = std::move(rows);
}

void GetSymbolsFromPropertySet(const host::PropertySetPtr& symbols, host::SymbolArray& symbolArray,
                               LegendFieldList& list, const std::string& fileName) {
    if (!symbols) runtime::raise(runtime::err::ObjectNotSet);
    const std::int16_t n = symbolCount(*symbols, fileName);
    LegendFieldList rows;
    std::vector<host::SymbolPtr> read;
    rows.reserve(static_cast<std::size_t>(n));
    for (std::int16_t i = 0; i < n; ++i) {
        const std::string k = std::to_string(i);
        const runtime::Variant& field = requiredKey(*symbols, "Field" + k, fileName);
        if (!field.isString()) refuse(fileName, {"the field name is no text: ", "имя поля не является текстом: "}, "Field" + k);
        rows.push_back({field.stringValue(), i});

        // Row i goes with symbol i whatever the file holds for it: a legend that skipped the
        // symbols it could not store would hand every later field its neighbour's colour.
        host::SymbolPtr symbol;
        if (symbols->isPropertyPresent("Symbol" + k)) {
            const std::string type = symbols->isPropertyPresent("SymbolType" + k)
                                         ? symbols->getProperty("SymbolType" + k).toString()
                                         : std::string();
            auto fill = symbols->getProperty("Symbol" + k).as<host::FillSymbol>();
            if (!fill || (!type.empty() && fill->className() != type))
                refuse(fileName, {"the symbol is not the fill symbol its type names: ", "символ не является указанным заливочным символом: "},
                       "Symbol" + k);
            symbol = fill;
        }
        // Fields whose fill the file does not hold get the colour unpaired fields get.
        if (!symbol) symbol = basMakeSymbols::MakeFillSymbol(0, 0);
        read.push_back(std::move(symbol));
    }
    for (host::SymbolPtr& s : read) symbolArray.addSymbol(std::move(s));
    list = std::move(rows);
}

void GetSymbolsFromLayerFile(const std::string& path, host::BarChartSymbolPtr& symbolArray, LegendFieldList& list) {
    const host::LayerPtr layer = host::readLayerFile(path);
    auto featureLayer = std::dynamic_pointer_cast<host::FeatureLayer>(layer);
    if (!featureLayer) host::raiseRuntime(runtime::err::TypeMismatch, "GetSymbolsFromLayerFile", "The layer of " + path + " is no feature layer");
    auto renderer = std::dynamic_pointer_cast<host::ChartRenderer>(featureLayer->renderer());
    if (!renderer) {
        ui::msgBox("Это не слой диаграмм");
        list.clear();
        return;
    }
    const host::BarChartSymbolPtr& chart = renderer->chartSymbol();
    const std::size_t symbolsPresent = chart ? chart->symbolCount() : 0;
    if (renderer->fieldCount() == 0 || renderer->fieldCount() > symbolsPresent || renderer->fieldCount() > 32767) {
        const Bilingual problem{"the chart renderer has more fields than symbols, or none", "у отображения диаграмм полей больше, чем символов, или нет полей"};
        const Bilingual file{"Layer file ", "Файл слоя "};
        host::raiseHost(1103, "GetSymbolsFromLayerFile", file.text() + path + ": " + problem.text());
    }
    LegendFieldList rows;
    for (std::size_t h = 0; h < renderer->fieldCount(); ++h)
        rows.push_back({renderer->field(h).name, static_cast<std::int16_t>(h)});
    symbolArray = chart;
    list = std::move(rows);
}

}  // namespace plotlet
