#include "fuzz/FuzzReaders.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/Element.h"
#include "host/ElementLineReader.h"
#include "host/FeatureClass.h"
#include "host/Layer.h"
#include "host/LayerFile.h"
#include "host/Map.h"
#include "host/JsonScanner.h"
#include "host/MapDocumentFile.h"
#include "host/PropertySet.h"
#include "host/PropertySetFile.h"
#include "host/Renderer.h"
#include "host/SpatialReference.h"
#include "host/Symbol.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "plotlet/Cli.h"
#include "runtime/Date.h"
#include "runtime/Error.h"

namespace plotlet::fuzz {
namespace fs = std::filesystem;
using namespace host;

namespace {

[[noreturn]] void fault(Reader reader, const std::string& what) {
    std::fprintf(stderr, "fuzz %s: %s\n", readerName(reader), what.c_str());
    std::fflush(stderr);
    std::abort();
}

const fs::path& folder() {
    static const fs::path path = [] {
        std::string pattern = (fs::temp_directory_path() / "plotlet-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        return fs::path(pattern);
    }();
    return path;
}

std::string writeInput(std::string_view bytes, const std::string& name) {
    const fs::path path = folder() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

const char* dataExtension(unsigned char selector) {
    static const char* const extensions[] = {".geojson", ".csv", ".gpkg"};
    return extensions[selector % 3];
}

// Walks what was read the way the hosts do: measured, written back, groups visited.
void exercise(const MxDocument& document) {
    for (const auto& map : document.maps()) {
        (void)map->extent();
        PlainDisplay display(map->mapScale() > 0 ? map->mapScale() : 1000, map->referenceScale());
        for (const auto& e : map->basicGraphicsLayer()->container().elements()) (void)e->queryBounds(display);
    }
    (void)mapDocumentToText(document, folder());
}

}  // namespace

const std::vector<Reader>& allReaders() {
    static const std::vector<Reader> readers{Reader::MapDocument, Reader::PropertySet, Reader::LayerFile, Reader::DataSource};
    return readers;
}

const char* readerName(Reader reader) {
    switch (reader) {
    case Reader::MapDocument: return "map_document";
    case Reader::PropertySet: return "property_set";
    case Reader::LayerFile: return "layer_file";
    case Reader::DataSource: return "data_source";
    }
    return "?";
}

Outcome feed(Reader reader, std::string_view bytes, const std::string& fileName) {
    static const bool installed = [] {
        gdal::install();
        return true;
    }();
    (void)installed;
    Outcome outcome;
    std::string name = fileName;
    if (name.empty()) {
        switch (reader) {
        case Reader::MapDocument: name = "input.pmx"; break;
        case Reader::PropertySet: name = "input.obj"; break;
        case Reader::LayerFile: name = "input.lyr"; break;
        case Reader::DataSource: name = std::string("input") + dataExtension(bytes.empty() ? 0 : bytes[0]); break;
        }
    }
    if (reader == Reader::DataSource && !bytes.empty() && fileName.empty()) bytes.remove_prefix(1);
    const std::string path = writeInput(bytes, name);

    if (reader == Reader::PropertySet) {
        std::ostringstream out, err;
        const int code = plotlet::cli::run({"inspect", path, "--json"}, out, err);
        if (code == 0) outcome.read = true;
        else if (code == 2) outcome.refusal = err.str();
        else fault(reader, "inspect exited " + std::to_string(code) + ": " + err.str());
        if (!outcome.read && outcome.refusal.find(path) == std::string::npos)
            fault(reader, "the refusal does not name the file: " + outcome.refusal);
        // Group members are read straight from their text, or parsed as JSON when the direct
        // reader is off: both must read the same file alike, and refuse it alike.
        const auto verdict = [&](bool direct) {
            setDirectElementReading(direct);
            std::string v;
            try {
                v = "read " + propertySetToText(*readPropertySetFile(path));
            } catch (const runtime::Error& e) {
                v = "refused " + e.description();
            }
            setDirectElementReading(true);
            return v;
        };
        const std::string direct = verdict(true), general = verdict(false);
        if (direct != general) fault(reader, "direct and general member reading differ:\n" + direct + "\n" + general);
        return outcome;
    }
    try {
        switch (reader) {
        case Reader::MapDocument: {
            // The element lists of a document are walked on two threads only when long, and
            // not at all when laid out one element per line (each line is checked as it is
            // read): here every list is walked on two threads once, and on one thread once, and
            // the three verdicts must agree.
            const auto verdict = [&](bool lines, std::size_t twoThreadsFrom) {
                auto& from = JsonScanner::twoThreadScanFrom();
                const std::size_t saved = from.exchange(twoThreadsFrom);
                setLineSplitting(lines);
                std::string v;
                try {
                    (void)readMapDocument(path);
                    v = "read";
                } catch (const runtime::Error& e) {
                    v = e.description();
                }
                from = saved;
                setLineSplitting(true);
                return v;
            };
            const std::string twoThreads = verdict(false, 0);
            const std::string walked = verdict(false, JsonScanner::twoThreadScanFrom().load());
            if (twoThreads != walked) fault(reader, "walked on two threads: " + twoThreads + "; on one: " + walked);
            MxDocumentPtr document;
            try {
                document = readMapDocument(path);
            } catch (const runtime::Error& e) {
                if (walked != e.description()) fault(reader, "every list walked: " + walked + "; lines taken: " + e.description());
                throw;
            }
            if (walked != "read") fault(reader, "every list walked: " + walked + "; lines taken: read");
            exercise(*document);
            break;
        }
        case Reader::LayerFile: {
            const LayerPtr layer = readLayerFile(path);
            if (!layer) fault(reader, "no layer and no error");
            (void)layer->extent();
            writeLayerFile((folder() / "back.lyr").string(), layer);
            break;
        }
        case Reader::DataSource: exercise(*gdal::newDocumentFromDataFile(path)); break;
        case Reader::PropertySet: break;
        }
        outcome.read = true;
    } catch (const runtime::Error& e) {
        outcome.refusal = e.description();
        if (outcome.refusal.find(path) == std::string::npos) fault(reader, "the refusal does not name the file: " + outcome.refusal);
    } catch (const std::exception& e) {
        fault(reader, std::string("an untyped failure: ") + e.what());
    }
    return outcome;
}

// ---- seeds ------------------------------------------------------------------------------------

namespace {

std::shared_ptr<GroupElement> chart(double x, double y) {
    auto symbol = std::make_shared<BarChartSymbol>();
    for (int k = 0; k < 3; ++k) {
        auto fill = std::make_shared<SimpleFillSymbol>();
        fill->setColor(RgbColor(0x1F77B4u + static_cast<std::uint32_t>(k) * 0x202020u));
        symbol->addSymbol(fill);
        symbol->setValue(static_cast<std::size_t>(k), 1.5 * (k + 1));
    }
    symbol->setMaxValue(8);
    auto callout = std::make_shared<LineCallout>();
    callout->setAnchorPoint(XY{x, y});
    symbol->setBackground(callout);
    auto marker = std::make_shared<MarkerElement>();
    marker->setGeometry(std::make_shared<Point>(x, y));
    marker->setSymbol(symbol);
    marker->setName("Raleigh");
    auto data = std::make_shared<PropertySet>();
    data->setProperty("LayerName", runtime::Variant("cities"));
    data->setProperty("#Vmax#", runtime::Variant(8.0));
    data->setProperty("When", runtime::Variant(runtime::Date::fromCivil(1990, 4, 1)));
    data->setProperty("A", runtime::Variant::null());
    marker->setCustomProperty(runtime::Variant(runtime::ObjectPtr(data)));
    auto group = std::make_shared<GroupElement>();
    group->addElement(marker);
    auto label = std::make_shared<TextElement>();
    label->setText("значение 1,5");
    label->setSymbol(std::make_shared<TextSymbol>());
    label->setGeometry(std::make_shared<Point>(x + 1, y + 1));
    group->addElement(label);
    return group;
}

FeatureLayerPtr citiesLayer() {
    auto sr = std::make_shared<SpatialReference>("NAD83 / North Carolina", "", 1.0, false, 32119);
    auto fc = makeFeatureClass("cities", GeometryType::Point,
                               std::vector<Field>{{"NAME", FieldType::String, "", 20}, {"A", FieldType::Double}, {"B", FieldType::Integer}},
                               sr);
    fc->addFeature(std::make_shared<Point>(600000, 200000), {runtime::Variant("Raleigh"), runtime::Variant(1.5), runtime::Variant(std::int32_t(2))});
    fc->addFeature(std::make_shared<Point>(500000, 150000), {runtime::Variant("Charlotte"), runtime::Variant::null(), runtime::Variant(std::int32_t(4))});
    auto layer = std::make_shared<FeatureLayer>();
    layer->setName("cities");
    layer->setFeatureClass(fc);
    auto renderer = std::make_shared<ChartRenderer>();
    renderer->setChartSymbol(std::dynamic_pointer_cast<BarChartSymbol>(
        std::dynamic_pointer_cast<MarkerElement>(chart(0, 0)->element(0))->symbol()));
    renderer->addField("A", "Первое");
    renderer->addField("B");
    layer->setRenderer(renderer);
    return layer;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> seeds(Reader reader) {
    std::vector<std::pair<std::string, std::string>> out;
    const fs::path dir = folder() / "seeds";
    fs::create_directories(dir);
    auto fileText = [](const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    switch (reader) {
    case Reader::MapDocument: {
        auto doc = std::make_shared<MxDocument>();
        const MapPtr& map = doc->focusMap();
        auto layer = citiesLayer();
        map->addLayer(layer);
        map->setReferenceScale(1500000);
        map->setMapScale(1750000);
        map->setExtent(Envelope(400000, 100000, 800000, 300000));
        auto charts = map->basicGraphicsLayer()->addLayer("cities_charts", layer);
        auto first = chart(600000, 200000);
        charts->container().addElement(first);
        map->basicGraphicsLayer()->container().addElement(chart(500000, 150000));
        map->selectElement(first);
        // The first seed of each reader is the small one the corrupt-file test damages.
        auto small = std::make_shared<MxDocument>();
        auto one = chart(1, 2);
        small->focusMap()->basicGraphicsLayer()->container().addElement(one);
        small->focusMap()->selectElement(one->element(0));
        out.emplace_back("small.pmx", mapDocumentToText(*small, dir));
        out.emplace_back("charts.pmx", mapDocumentToText(*doc, dir));
        break;
    }
    case Reader::PropertySet: {
        PropertySet legend;
        auto fill = std::make_shared<SimpleFillSymbol>();
        legend.setProperty("Symbol0", runtime::Variant(runtime::ObjectPtr(fill)));
        legend.setProperty("Symbol1", runtime::Variant(runtime::ObjectPtr(fill)));  // shared
        legend.setProperty("Label0", runtime::Variant("Население"));
        legend.setProperty("Saved", runtime::Variant(runtime::Date::fromCivil(2024, 2, 29, 13, 30)));
        out.emplace_back("legend.leg", propertySetToText(legend));
        PropertySet set;
        set.setProperty("Graphics", runtime::Variant(runtime::ObjectPtr(chart(1, 2))));
        set.setProperty("Scale", runtime::Variant(250000.0));
        set.setProperty("TxtFontName", runtime::Variant("Arial Narrow"));
        set.setProperty("OpChartPosition", runtime::Variant(std::int16_t(3)));
        set.setProperty("Checked", runtime::Variant(true));
        out.emplace_back("graphics.obj", propertySetToText(set));
        break;
    }
    case Reader::LayerFile: {
        const fs::path path = dir / "cities.lyr";
        writeLayerFile(path.string(), citiesLayer());
        out.emplace_back("cities.lyr", fileText(path));
        break;
    }
    case Reader::DataSource:
        // The first byte picks the format (see feed).
        out.emplace_back("cities.geojson", std::string(1, '\0') +
            R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"NAME":"Raleigh","A":1.5},"geometry":{"type":"Point","coordinates":[-78.6,35.8]}}]})");
        out.emplace_back("cities.csv", std::string(1, '\1') + "NAME,A,WKT\nRaleigh,1.5,POINT (-78.6 35.8)\n");
        break;
    }
    return out;
}

}  // namespace plotlet::fuzz
