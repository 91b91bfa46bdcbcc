// Legend files: a chart's legend written and read back with every field keeping its own
// symbol, legends read from layer files, and foreign or broken files refused whole.
#include "EngineFixture.h"
#include "engine/ElementData.h"
#include "engine/LegendFiles.h"
#include "host/Element.h"
#include "host/LayerFile.h"
#include "host/PropertySetFile.h"
#include "support/RuntimeErrors.h"
#include "support/TempFolder.h"

#include <filesystem>
#include <functional>

using namespace plotlet;
using runtime::Variant;

namespace {

std::shared_ptr<host::SimpleFillSymbol> fill(std::uint32_t colour, std::uint32_t outline = 0) {
    auto s = std::make_shared<host::SimpleFillSymbol>();
    s->setColor(host::RgbColor(colour));
    auto line = std::make_shared<host::SimpleLineSymbol>();
    line->setColor(host::RgbColor(outline));
    line->setWidth(0.7);
    s->setOutline(line);
    return s;
}

std::uint32_t colourOf(const host::SymbolPtr& s) { return std::dynamic_pointer_cast<host::FillSymbol>(s)->color().rgb(); }

class LegendFileTest : public engine_test::EngineTest {
protected:
    // A chart marker element drawn with these bar symbols for fields A, B and C.
    host::ElementPtr chartElement(std::vector<host::SymbolPtr> bars) {
        auto chart = std::make_shared<host::BarChartSymbol>();
        for (auto& b : bars) chart->addSymbol(b);
        auto element = std::make_shared<host::MarkerElement>();
        element->setSymbol(chart);
        element->setGeometry(std::make_shared<host::Point>(10, 10));
        element->setName("Raleigh");
        SetElementData(element, {"LayerName", "#Vmax#", "#Vmin#", "A", "B", "C"},
                       {Variant("Towns"), Variant(10.0), Variant(0.0), Variant(5.0), Variant(2.0), Variant(1.0)});
        return element;
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }
    // Writes a legend file whose symbol set is `symbols`.
    std::string legendWith(const host::PropertySetPtr& symbols, const std::string& name = "foreign.leg") {
        auto legend = std::make_shared<host::PropertySet>();
        legend->setProperty("SymbolsPropertis", Variant(runtime::ObjectPtr(symbols)));
        host::writePropertySetFile(*legend, path(name));
        return path(name);
    }

    testing_support::TempFolder folder;
};

}  // namespace

TEST_F(LegendFileTest, ChartLegendRoundTripKeepsEveryFieldWithItsOwnSymbol) {
    auto picture = std::make_shared<host::PictureFillSymbol>();
    picture->setColor(host::RgbColor(0x00FF00));
    auto multi = std::make_shared<host::MultiLayerFillSymbol>();
    multi->addLayer(fill(0x0000FF, 0x111111));
    const auto first = fill(0xFF0000, 0x222222);
    host::PropertySetPtr values;
    ASSERT_TRUE(SaveLegendFromMarkerElement(chartElement({first, picture, multi}), path("towns.leg"), values));
    ASSERT_TRUE(values);  // an empty values set is made and handed back
    EXPECT_EQ(values->count(), 0u);

    // What the file holds: the picture fill gets its field name only.
    const auto raw = host::readPropertySetFile(path("towns.leg"));
    const auto symbols = raw->getProperty("SymbolsPropertis").as<host::PropertySet>();
    ASSERT_TRUE(symbols);
    std::vector<std::string> keys;
    for (const auto& [k, v] : symbols->items()) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"SymbolCount", "Field0", "Symbol0", "SymbolType0", "Field1", "Field2", "Symbol2",
                                              "SymbolType2"}));
    EXPECT_EQ(symbols->getProperty("SymbolCount").toInt32(), 3);
    EXPECT_EQ(symbols->getProperty("SymbolType2").toString(), "MultiLayerFillSymbol");
    EXPECT_TRUE(raw->isPropertyPresent("ValsPropertis"));

    LegendFieldList list;
    auto array = std::make_shared<host::BarChartSymbol>();
    LoadLegendFile(path("towns.leg"), list, array);
    EXPECT_EQ(list, (LegendFieldList{{"A", 0}, {"B", 1}, {"C", 2}}));
    ASSERT_EQ(array->symbolCount(), 3u);
    // Row 2 keeps its own colour although the picture fill before it could not be stored.
    EXPECT_EQ(colourOf(array->symbol(0)), 0xFF0000u);
    EXPECT_EQ(std::dynamic_pointer_cast<host::FillSymbol>(array->symbol(0))->outline()->color().rgb(), 0x222222u);
    EXPECT_EQ(colourOf(array->symbol(1)), 0u);  // the black fill unpaired fields get
    EXPECT_EQ(array->symbol(2)->className(), "MultiLayerFillSymbol");
    EXPECT_EQ(colourOf(array->symbol(2)), 0x0000FFu);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(LegendFileTest, ForeignLegendWithOtherFillsColoursEveryOtherFieldRight) {
    auto symbols = std::make_shared<host::PropertySet>();
    symbols->setProperty("SymbolCount", Variant(std::int32_t{3}));
    auto line = std::make_shared<host::LineFillSymbol>();
    line->setColor(host::RgbColor(0x00FF00));
    const std::vector<std::pair<host::SymbolPtr, std::string>> bars = {
        {fill(0xAA0000), "SimpleFillSymbol"}, {line, "LineFillSymbol"}, {fill(0x0000AA), "SimpleFillSymbol"}};
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const std::string n = std::to_string(i);
        symbols->setProperty("Field" + n, Variant("Cities.F" + n));
        symbols->setProperty("Symbol" + n, Variant(runtime::ObjectPtr(bars[i].first)));
        symbols->setProperty("SymbolType" + n, Variant(bars[i].second));
    }
    LegendFieldList list;
    host::BarChartSymbolPtr array = std::make_shared<host::BarChartSymbol>();
    LoadLegendFile(legendWith(symbols, "Foreign.LEG"), list, array);
    ASSERT_EQ(array->symbolCount(), 3u);
    EXPECT_EQ(array->symbol(1)->className(), "LineFillSymbol");
    EXPECT_EQ(colourOf(array->symbol(2)), 0x0000AAu);
    EXPECT_EQ(list[2], (LegendField{"Cities.F2", 2}));
}

TEST_F(LegendFileTest, HostileLegendsAreRefusedNamingTheFileAndChangeNothing) {
    auto base = [] {
        auto s = std::make_shared<host::PropertySet>();
        s->setProperty("SymbolCount", Variant(std::int32_t{2}));
        s->setProperty("Field0", Variant("A"));
        s->setProperty("Symbol0", Variant(runtime::ObjectPtr(fill(0xFF))));
        s->setProperty("SymbolType0", Variant("SimpleFillSymbol"));
        s->setProperty("Field1", Variant("B"));
        return s;
    };
    struct Case {
        const char* name;
        std::function<void(host::PropertySet&)> spoil;
    };
    const std::vector<Case> cases = {
        {"negative count", [](host::PropertySet& s) { s.setProperty("SymbolCount", Variant(std::int32_t{-3})); }},
        {"zero count", [](host::PropertySet& s) { s.setProperty("SymbolCount", Variant(std::int32_t{0})); }},
        {"count beyond the symbols", [](host::PropertySet& s) { s.setProperty("SymbolCount", Variant(std::int32_t{3})); }},
        {"huge count", [](host::PropertySet& s) { s.setProperty("SymbolCount", Variant(std::int32_t{2000000000})); }},
        {"count as text", [](host::PropertySet& s) { s.setProperty("SymbolCount", Variant("many")); }},
        {"count missing", [](host::PropertySet& s) { s.removeProperty("SymbolCount"); }},
        {"field missing", [](host::PropertySet& s) { s.removeProperty("Field1"); }},
        {"field not text", [](host::PropertySet& s) { s.setProperty("Field1", Variant(runtime::ObjectPtr(fill(1)))); }},
        {"symbol of the wrong class", [](host::PropertySet& s) { s.setProperty("Symbol0", Variant(runtime::ObjectPtr(std::make_shared<host::TextSymbol>()))); }},
        {"symbol not its type", [](host::PropertySet& s) { s.setProperty("SymbolType0", Variant("MultiLayerFillSymbol")); }},
        {"symbol a number", [](host::PropertySet& s) { s.setProperty("Symbol0", Variant(5.0)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto symbols = base();
        c.spoil(*symbols);
        const std::string file = legendWith(symbols);
        LegendFieldList list{{"kept", 0}};
        host::BarChartSymbolPtr array = std::make_shared<host::BarChartSymbol>();
        array->addSymbol(fill(0x123456));
        const auto before = array;
        const std::string message = testing_support::descriptionOf([&] { LoadLegendFile(file, list, array); });
        EXPECT_NE(message.find(file), std::string::npos) << message;
        EXPECT_EQ(list, (LegendFieldList{{"kept", 0}}));
        EXPECT_EQ(array, before);
        EXPECT_EQ(array->symbolCount(), 1u);
        // Each refusal in Russian too.
        LoadMessagesFor("Русский");
        const std::string russian = testing_support::descriptionOf([&] { LoadLegendFile(file, list, array); });
        EXPECT_EQ(russian.rfind("Файл легенды " + file + ": ", 0), 0u) << russian;
        EXPECT_EQ(russian.find("SymbolCount must"), std::string::npos) << russian;
        LoadMessagesFor("English");
    }

    // No symbol set at all, a set of the wrong kind, and files that are no legend.
    auto legend = std::make_shared<host::PropertySet>();
    legend->setProperty("SymbolsPropertis", Variant("text"));
    host::writePropertySetFile(*legend, path("text.leg"));
    auto empty = std::make_shared<host::PropertySet>();
    host::writePropertySetFile(*empty, path("empty.leg"));
    folder.write("truncated.leg", host::propertySetToText(*legend).substr(0, 20));
    folder.write("zero.leg", "");
    folder.write("deep.leg", std::string(100000, '[') + std::string(100000, ']'));
    for (const char* name : {"text.leg", "empty.leg", "truncated.leg", "zero.leg", "deep.leg", "missing.leg"}) {
        SCOPED_TRACE(name);
        LegendFieldList list{{"kept", 0}};
        host::BarChartSymbolPtr array = std::make_shared<host::BarChartSymbol>();
        const std::string message = testing_support::descriptionOf([&] { LoadLegendFile(path(name), list, array); });
        EXPECT_NE(message.find(path(name)), std::string::npos) << message;
        EXPECT_EQ(list.size(), 1u);
        EXPECT_EQ(array->symbolCount(), 0u);
    }
}

TEST_F(LegendFileTest, RefusalsSpeakTheMessagesLanguage) {
    auto symbols = std::make_shared<host::PropertySet>();
    symbols->setProperty("SymbolCount", Variant(std::int32_t{-1}));
    const std::string file = legendWith(symbols);
    LegendFieldList list;
    host::BarChartSymbolPtr array;
    EXPECT_EQ(testing_support::descriptionOf([&] { LoadLegendFile(file, list, array); }),
              "Legend file " + file + ": SymbolCount must be a whole number from 1 to 32767, not -1");
    LoadMessagesFor("Русский");
    EXPECT_EQ(testing_support::descriptionOf([&] { LoadLegendFile(file, list, array); }),
              "Файл легенды " + file + ": SymbolCount должен быть целым числом от 1 до 32767, а не -1");
}

TEST_F(LegendFileTest, OtherEndingsReadNothing) {
    LegendFieldList list{{"old", 0}};
    host::BarChartSymbolPtr array = std::make_shared<host::BarChartSymbol>();
    LoadLegendFile(path("legend.xyz"), list, array);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(array->symbolCount(), 0u);
}

TEST_F(LegendFileTest, ElementsWithoutChartDataGiveNoLegend) {
    auto element = chartElement({fill(1)});
    element->setCustomProperty(Variant());
    host::PropertySetPtr values;
    EXPECT_FALSE(SaveLegendFromMarkerElement(element, path("none.leg"), values));
    ASSERT_EQ(shell.messages().size(), 2u);
    EXPECT_EQ(shell.messages()[0].text, "No data was saved with this graphic element");
    EXPECT_EQ(shell.messages()[0].title, "GetChartMarkerSymbols");
    EXPECT_EQ(shell.messages()[1].text, "No data for legend");
    EXPECT_EQ(shell.messages()[1].title, "SaveLegendFromMarkerElement");
    EXPECT_EQ(shell.messages()[1].icon, ui::mb::Exclamation);
    EXPECT_FALSE(std::filesystem::exists(path("none.leg")));

    // A text element is no chart: silently nothing from the symbols, then the legend's box.
    auto text = std::make_shared<host::TextElement>();
    EXPECT_FALSE(GetChartMarkerSymbols(text));
    EXPECT_EQ(shell.messages().size(), 2u);
}

TEST_F(LegendFileTest, LayerFilesGiveTheirChartRenderersLegend) {
    auto chart = std::make_shared<host::BarChartSymbol>();
    chart->addSymbol(fill(0x010203));
    chart->addSymbol(fill(0x040506));
    auto renderer = std::make_shared<host::ChartRenderer>();
    renderer->setChartSymbol(chart);
    renderer->addField("A");
    renderer->addField("B");
    auto copy = engine_test::pointLayer("Towns", towns->featureClass());
    copy->setRenderer(renderer);
    host::writeLayerFile(path("towns.Lyr"), copy);  // the ending in any case

    LegendFieldList list;
    host::BarChartSymbolPtr array = std::make_shared<host::BarChartSymbol>();
    LoadLegendFile(path("towns.Lyr"), list, array);
    EXPECT_EQ(list, (LegendFieldList{{"A", 0}, {"B", 1}}));
    ASSERT_EQ(array->symbolCount(), 2u);
    EXPECT_EQ(colourOf(array->symbol(1)), 0x040506u);

    // More fields than symbols: refused, nothing handed back.
    renderer->addField("C");
    host::writeLayerFile(path("broken.lyr"), copy);
    list = {{"kept", 0}};
    array = std::make_shared<host::BarChartSymbol>();
    EXPECT_NE(testing_support::descriptionOf([&] { LoadLegendFile(path("broken.lyr"), list, array); }).find("broken.lyr"),
              std::string::npos);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(array->symbolCount(), 0u);

    // A layer file that draws no charts says so and gives no rows.
    host::writeLayerFile(path("plain.lyr"), engine_test::pointLayer("Towns", towns->featureClass()));
    LoadLegendFile(path("plain.lyr"), list, array);
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "Это не слой диаграмм");
}
