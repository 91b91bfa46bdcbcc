// The map document file: what a document holds comes back equal, broken data sources survive a
// round trip, and bad documents are refused without touching the open map.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "host/Application.h"
#include "host/Element.h"
#include "host/Error.h"
#include "host/MapDocumentFile.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "host/TaskProgress.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/GdalFixtures.h"
#include "support/JsonIds.h"
#include "support/RuntimeErrors.h"

using namespace host;
namespace fs = std::filesystem;

namespace {

using testing_support::descriptionOf;

class MapDocument : public ::testing::Test {
protected:
    void SetUp() override {
        gdal::install();
        data = dir.file("data/cities.gpkg");
        fs::create_directories(dir.path() / "data");
        fixtures::makeLayer(data, "GPKG", "cities", wkbPoint, 32119, {{"NAME", OFTString}, {"A", OFTReal}, {"B", OFTReal}},
                            {{"POINT (600000 200000)", {"Raleigh", "1", "2"}},
                             {"POINT (500000 150000)", {"Charlotte", "3", "4"}},
                             {"POINT (700000 250000)", {"Wilmington", "5", "6"}}});
        fixtures::makeLayer(data, "GPKG", "counties", wkbPolygon, 32119, {{"NAME", OFTString}},
                            {{"POLYGON ((400000 100000, 800000 100000, 800000 300000, 400000 100000))", {"All"}}});
    }

    // A chart as the builder makes it: a group of the chart marker (bar chart symbol, attached
    // data) and its value labels.
    static std::shared_ptr<GroupElement> chart(const std::string& name, double x, double y, const std::vector<SymbolPtr>& bars,
                                               const TextSymbolPtr& font) {
        auto symbol = std::make_shared<BarChartSymbol>();
        for (std::size_t k = 0; k < bars.size(); ++k) {
            symbol->addSymbol(bars[k]);
            symbol->setValue(k, 1.5 * static_cast<double>(k + 1));
        }
        symbol->setMaxValue(8);
        auto callout = std::make_shared<LineCallout>();
        callout->setAnchorPoint(XY{x, y});
        symbol->setBackground(callout);
        auto marker = std::make_shared<MarkerElement>();
        marker->setGeometry(std::make_shared<Point>(x, y));
        marker->setSymbol(symbol);
        marker->setName(name);
        auto data = std::make_shared<PropertySet>();
        data->setProperty("LayerName", "cities");
        data->setProperty("#Vmax#", 8.0);
        data->setProperty("#Vmin#", 0.0);
        data->setProperty("A", runtime::Variant::null());
        marker->setCustomProperty(runtime::Variant(data));
        auto group = std::make_shared<GroupElement>();
        group->addElement(marker);
        for (int k = 0; k < 2; ++k) {
            auto label = std::make_shared<TextElement>();
            label->setText("значение " + std::to_string(k));
            label->setSymbol(font);
            label->setGeometry(std::make_shared<Point>(x + k, y + 1));
            group->addElement(label);
        }
        return group;
    }

    // A document with everything a document holds.
    MxDocumentPtr richDocument() {
        auto doc = gdal::newDocumentFromDataFile(data);
        const MapPtr& map = doc->focusMap();
        map->setReferenceScale(1500000);
        map->setMapScale(1750000);
        map->setExtent(Envelope(400000, 100000, 800000, 300000));
        auto cities = map->findFeatureLayer("cities");
        cities->selectionSet()->addList({1, 3});
        // Counties go into a nested group and are hidden.
        auto counties = map->findFeatureLayer("counties");
        map->deleteLayer(counties.get());
        counties->setVisible(false);
        auto inner = std::make_shared<GroupLayer>();
        inner->setName("Границы");
        inner->addLayer(counties);
        auto outer = std::make_shared<GroupLayer>();
        outer->setName("Base");
        outer->addLayer(inner);
        map->insertLayer(map->layerCount(), outer);
        // A layer whose file is gone.
        auto lost = std::make_shared<FeatureLayer>();
        lost->setName("lost");
        lost->setBroken(R"({"driver":"GPKG","layer":"x","path":"data/lost.gpkg"})", "missing", dir.path().string());
        lost->selectionSet()->addList({4, 5});
        map->insertLayer(map->layerCount(), lost);

        auto fill1 = std::make_shared<SimpleFillSymbol>(), fill2 = std::make_shared<SimpleFillSymbol>();
        fill2->setColor(RgbColor::fromRgb(10, 200, 30));
        auto font = std::make_shared<TextSymbol>();
        auto charts = map->basicGraphicsLayer()->addLayer("cities_charts", cities);
        charts->container().addElement(chart("Raleigh", 600000, 200000, {fill1, fill2}, font));
        charts->container().addElement(chart("Charlotte", 500000, 150000, {fill1, fill2}, font));
        auto notes = map->basicGraphicsLayer()->addLayer("notes", nullptr);
        auto note = std::make_shared<TextElement>();
        note->setText("North Carolina");
        note->setSymbol(font);
        note->setGeometry(std::make_shared<Point>(450000, 280000));
        notes->container().addElement(note);
        auto basicNote = std::make_shared<TextElement>();
        basicNote->setText("basic");
        basicNote->setSymbol(font);
        basicNote->setGeometry(std::make_shared<Point>(1, 1));
        map->basicGraphicsLayer()->container().addElement(basicNote);
        map->setActiveGraphicsLayer(charts);
        auto second = charts->container().elementsSnapshot()[1];
        map->selectElement(second);
        map->selectElement(std::static_pointer_cast<GroupElement>(charts->container().elementsSnapshot()[0])->element(1));
        map->selectElement(basicNote);
        return doc;
    }

    fixtures::TempDir dir;
    std::string data;
};

}  // namespace

TEST_F(MapDocument, OpenThenSaveGivesBackAnEqualDocument) {
    const std::string path = dir.file("map.pmx");
    writeMapDocument(*richDocument(), path);
    const std::string first = fixtures::readBytes(path);
    auto doc = readMapDocument(path);
    // The same objects shared the same way (what the reading shares among its objects, the
    // coordinate system of the map and its layers, is numbered then).
    const auto sharing = [](const std::string& text) { return fixtures::withSharingOnly(nlohmann::json::parse(text)); };
    EXPECT_EQ(sharing(mapDocumentToText(*doc, dir.path())), sharing(first));
    // Reformatted by another tool (members sorted, other spacing), it reads the same.
    fixtures::writeText(dir.path() / "reformatted.pmx", nlohmann::json::parse(first).dump(3));
    EXPECT_EQ(sharing(mapDocumentToText(*readMapDocument(dir.file("reformatted.pmx")), dir.path())), sharing(first));

    const MapPtr& map = doc->focusMap();
    EXPECT_EQ(doc->path(), path);
    EXPECT_DOUBLE_EQ(map->referenceScale(), 1500000);
    EXPECT_DOUBLE_EQ(map->mapScale(), 1750000);
    EXPECT_EQ(map->extent(), Envelope(400000, 100000, 800000, 300000));
    EXPECT_EQ(map->spatialReference()->epsg(), 32119);
    // Layers: data sources relative to the document, groups, visibility, selection.
    EXPECT_NE(first.find("\"path\": \"data/cities.gpkg\""), std::string::npos);
    auto cities = map->findFeatureLayer("cities");
    ASSERT_TRUE(cities && cities->valid());
    EXPECT_EQ(cities->selectionSet()->oids(), (std::vector<std::int64_t>{1, 3}));
    EXPECT_TRUE(std::dynamic_pointer_cast<SimpleMarkerSymbol>(std::static_pointer_cast<SimpleRenderer>(cities->renderer())->symbol()));
    auto outer = std::dynamic_pointer_cast<GroupLayer>(map->layer(1));
    ASSERT_TRUE(outer);
    auto inner = std::dynamic_pointer_cast<GroupLayer>(outer->layer(0));
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->name(), "Границы");
    EXPECT_FALSE(inner->layer(0)->visible());
    // Both layers of one file share one class (read once).
    auto counties = std::static_pointer_cast<FeatureLayer>(inner->layer(0));
    EXPECT_EQ(counties->featureClass()->featureCount(), 1u);
    // The broken layer keeps its entry and selection.
    auto lost = map->findFeatureLayer("lost");
    ASSERT_TRUE(lost);
    EXPECT_FALSE(lost->valid());
    EXPECT_EQ(lost->selectionCount(), 2u);
    EXPECT_NE(lost->brokenReason().find("lost.gpkg"), std::string::npos);
    // Graphics: association, active layer, element selection by position.
    auto charts = map->basicGraphicsLayer()->findLayer("cities_charts");
    EXPECT_EQ(charts->associatedLayer(), cities);
    EXPECT_EQ(map->activeGraphicsLayer(), charts);
    ASSERT_EQ(map->selectedElementCount(), 3u);
    EXPECT_EQ(map->selectedElement(0), charts->container().elementsSnapshot()[1]);
    auto firstChart = std::static_pointer_cast<GroupElement>(charts->container().elementsSnapshot()[0]);
    EXPECT_EQ(map->selectedElement(1), firstChart->element(1));
    EXPECT_EQ(map->selectedElement(2), map->basicGraphicsLayer()->container().elementsSnapshot()[0]);
    // Charts keep their data and share their bar symbols.
    auto marker = std::static_pointer_cast<MarkerElement>(firstChart->element(0));
    auto attached = marker->customProperty().as<PropertySet>();
    ASSERT_TRUE(attached);
    EXPECT_TRUE(attached->getProperty("A").isNull());
    auto secondMarker = std::static_pointer_cast<MarkerElement>(
        std::static_pointer_cast<GroupElement>(charts->container().elementsSnapshot()[1])->element(0));
    EXPECT_EQ(std::static_pointer_cast<BarChartSymbol>(marker->symbol())->symbol(1),
              std::static_pointer_cast<BarChartSymbol>(secondMarker->symbol())->symbol(1));
}

TEST_F(MapDocument, BrokenDataSourceIsSavedBackUnchangedAndRebasedElsewhere) {
    const std::string path = dir.file("map.pmx");
    writeMapDocument(*richDocument(), path);
    fs::remove(data);  // now every layer of the document is broken
    auto doc = readMapDocument(path);
    for (const auto& layer : doc->focusMap()->featureLayers()) EXPECT_FALSE(layer->valid()) << layer->name();
    writeMapDocument(*doc, dir.file("again.pmx"));
    const auto sharing = [](const std::string& text) { return fixtures::withSharingOnly(nlohmann::json::parse(text)); };
    EXPECT_EQ(sharing(fixtures::readBytes(dir.file("again.pmx"))), sharing(fixtures::readBytes(path)));

    fs::create_directories(dir.path() / "elsewhere" / "deeper");
    writeMapDocument(*doc, dir.file("elsewhere/deeper/copy.pmx"));
    const std::string moved = fixtures::readBytes(dir.file("elsewhere/deeper/copy.pmx"));
    EXPECT_NE(moved.find("\"path\": \"../../data/cities.gpkg\""), std::string::npos);
    EXPECT_NE(moved.find("\"path\": \"../../data/lost.gpkg\""), std::string::npos);
}

TEST_F(MapDocument, InlineFeaturesKeepTheirOwnShapes) {
    // Shapes are made for the write one at a time; each must be written as itself.
    auto fc = makeFeatureClass<FeatureClass>("memory", GeometryType::Polygon, std::vector<Field>{});
    for (int i = 0; i < 20; ++i) {
        auto p = std::make_shared<Polygon>();
        p->addRing({{double(i), 0}, {double(i) + 1, 0}, {double(i), 1}, {double(i), 0}});
        fc->addFeature(p, {});
    }
    auto doc = std::make_shared<MxDocument>();
    auto layer = std::make_shared<FeatureLayer>();
    layer->setName("memory");
    layer->setFeatureClass(fc);
    doc->focusMap()->addLayer(layer);
    writeMapDocument(*doc, dir.file("inline.pmx"));
    auto back = readMapDocument(dir.file("inline.pmx"))->focusMap()->findFeatureLayer("memory")->featureClass();
    ASSERT_EQ(back->featureCount(), 20u);
    for (std::size_t r = 0; r < 20; ++r) EXPECT_DOUBLE_EQ(back->shape(r)->envelope().xMin(), double(r));
}

TEST_F(MapDocument, BadDocumentsAreRefusedAndLeaveTheOpenMapAlone) {
    Application app;
    gdal::openInApplication(app, dir.file("../") + fs::path(dir.path()).filename().string() + "/data/cities.gpkg");
    const MxDocumentPtr open = app.document();
    const std::string good = mapDocumentToText(*richDocument(), dir.path());

    auto replace = [&](std::string text, const std::string& from, const std::string& to) {
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        std::string name, text, says;
    };
    const std::vector<Case> cases{
        {"truncated", good.substr(0, good.size() / 2), "not valid JSON"},
        {"empty", "", "empty"},
        {"version", replace(good, "\"version\": 1", "\"version\": 7"), "version 7"},
        {"format", replace(good, "\"format\": \"plotlet.map\"", "\"format\": \"plotlet.layer\""), "not a plotlet.map file"},
        {"vsicurl", replace(good, "\"path\": \"data/cities.gpkg\"", "\"path\": \"/vsicurl/http://example.invalid/x.gpkg\""), "virtual file"},
        {"url", replace(good, "\"path\": \"data/cities.gpkg\"", "\"path\": \"https://example.invalid/x.gpkg\""), "URLs"},
        {"vrt", replace(good, "\"driver\": \"GPKG\"", "\"driver\": \"OGR_VRT\""), "not allowed"},
        {"device", replace(good, "\"path\": \"data/cities.gpkg\"", "\"path\": \"/dev/zero.gpkg\""), "does not exist"},
        {"selection", [&] {
             auto doc = nlohmann::json::parse(good);
             doc["maps"][0]["selectedElements"][0]["path"] = {99};
             return doc.dump();
         }(), "is not on graphics layer"},
        {"deep element", replace(good, "\"elements\":[\n", "\"elements\":[\n" + std::string(300, '[') + std::string(300, ']') + ",\n"),
         "nested deeper"},
        {"cut element", replace(good, "\"elements\":[\n", "\"elements\":[\n{\"$class\": \"TextElement\", \"text\": tru},\n"),
         "not valid JSON"},
        {"active", replace(good, "\"activeGraphicsLayer\": \"cities_charts\"", "\"activeGraphicsLayer\": \"nope\""), "does not exist"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file("bad " + c.name + ".pmx");
        fixtures::writeText(path, c.text);
        const std::string message = descriptionOf([&] { gdal::openInApplication(app, path); });
        if (c.name == "device") {
            // A missing file is no refusal: the layer opens broken.
            EXPECT_TRUE(message.empty()) << message;
            app.setDocument(open);
            continue;
        }
        EXPECT_NE(message.find(path), std::string::npos) << c.name << ": " << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << c.name << ": " << message;
        EXPECT_EQ(app.document(), open) << c.name;
    }
}

TEST_F(MapDocument, OpeningSetsTheTemplateListAndDataFilesBecomeNewMaps) {
    Application app;
    gdal::openInApplication(app, data);
    const MapPtr& map = app.document()->focusMap();
    ASSERT_EQ(map->layerCount(), 2u);
    EXPECT_EQ(map->layer(0)->name(), "cities");  // points on top
    EXPECT_EQ(map->layer(1)->name(), "counties");
    auto fill = std::static_pointer_cast<SimpleRenderer>(std::static_pointer_cast<FeatureLayer>(map->layer(1))->renderer())->symbol();
    EXPECT_TRUE(std::dynamic_pointer_cast<SimpleFillSymbol>(fill));
    // 400 km across 1000 px at 96 dpi is about 1 : 1.52 million, rounded up to two digits; the
    // charts are built at that scale, so it is the reference scale too.
    EXPECT_DOUBLE_EQ(map->mapScale(), 1600000);
    EXPECT_DOUBLE_EQ(map->referenceScale(), 1600000);
    EXPECT_EQ(app.templates().size(), 1u);

    const std::string path = dir.file("Карта с пробелом.pmx");
    writeMapDocument(*app.document(), path);
    gdal::openInApplication(app, path);
    EXPECT_EQ(app.templates().back(), path);
    EXPECT_EQ(app.document()->path(), path);
}

// Saving and reading a document of many charts takes seconds: both say how far they have got,
// counted in elements, and both end their report.
TEST_F(MapDocument, SavingAndReadingManyChartsReportTheirProgress) {
    auto doc = std::make_shared<MxDocument>();
    auto fill = std::make_shared<SimpleFillSymbol>();
    auto font = std::make_shared<TextSymbol>();
    auto charts = doc->focusMap()->basicGraphicsLayer()->addLayer("many_charts", nullptr);
    const std::size_t count = 3000;
    for (std::size_t i = 0; i < count; ++i)
        charts->container().addElement(chart("c" + std::to_string(i), static_cast<double>(i), 0, {fill}, font));

    std::vector<TaskProgress> seen;
    setTaskProgressObserver([&](const TaskProgress& p) { seen.push_back(p); });
    const std::string path = dir.file("many.pmx");
    writeMapDocument(*doc, path);
    const auto reopened = readMapDocument(path);
    setTaskProgressObserver({});

    for (const std::string task : {"Saving the map document", "Reading the map document"}) {
        SCOPED_TRACE(task);
        std::vector<TaskProgress> reports;
        for (const auto& p : seen)
            if (p.task == task) reports.push_back(p);
        ASSERT_GE(reports.size(), 3u);  // at least two steps on the way and the end
        EXPECT_EQ(reports.front().total, count);
        EXPECT_GT(reports.front().done, 0u);
        EXPECT_LT(reports.front().done, count);
        EXPECT_TRUE(reports.back().finished);
        for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_GE(reports[i].done, reports[i - 1].done);
    }
    EXPECT_EQ(reopened->focusMap()->basicGraphicsLayer()->findLayerOrNull("many_charts")->container().elementCount(), count);
}

// A document of many pieces is written while the next piece is made; a write that fails on the
// way (a disk that takes no more) fails the save with the file named, and the old file stays.
TEST_F(MapDocument, AWriteThatFailsHalfWayFailsTheSaveAndKeepsTheOldFile) {
    auto doc = std::make_shared<MxDocument>();
    auto charts = doc->focusMap()->basicGraphicsLayer()->addLayer("wordy", nullptr);
    auto font = std::make_shared<TextSymbol>();
    const std::string words(400, 'w');
    for (int i = 0; i < 40'000; ++i) {  // about 20 MB: five pieces and more
        auto text = std::make_shared<TextElement>();
        text->setText(words + std::to_string(i));
        text->setSymbol(font);
        text->setPoint({static_cast<double>(i), 0.0});
        charts->container().addElement(text);
    }
    const std::string path = dir.file("wordy.pmx");
    writeMapDocument(*doc, path);
    EXPECT_EQ(readMapDocument(path)->focusMap()->basicGraphicsLayer()->findLayerOrNull("wordy")->container().elementCount(),
              40'000u);
    const std::string before = fixtures::readBytes(path);

    struct rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // a failed write instead of the end
    struct rlimit small = limit;
    small.rlim_cur = 9u << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    charts->container().deleteElement(charts->container().elements().front().get());
    const std::string message = descriptionOf([&] { writeMapDocument(*doc, path); });
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find("wordy.pmx"), std::string::npos) << message;
    EXPECT_NE(message.find("could not be written (File too large)"), std::string::npos) << message;
    EXPECT_EQ(fixtures::readBytes(path), before);
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << "a temporary file is left: " << entry.path();
}

// Reading bounds the pieces of a document, not its size; saving refuses, before the old file is
// replaced, a document that reading with the same limits would refuse, so that nothing can be
// saved that cannot be opened again. The limits are small here to stand for the real ones.
TEST_F(MapDocument, SavingRefusesWhatReadingWouldRefuse) {
    const std::string path = dir.file("limits.pmx");
    auto doc = richDocument();
    writeMapDocument(*doc, path);
    const std::string before = fixtures::readBytes(path);
    auto charts = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("cities_charts");
    ASSERT_TRUE(charts);
    const std::size_t bytes = before.size();

    struct Case {
        const char* what;
        MapDocumentLimits limits;
        const char* message;
    };
    MapDocumentLimits fewItems, fewObjects, smallElements, shallow, smallHead;
    fewItems.maxListItems = 1;  // the charts layer holds two
    fewObjects.maxObjects = 10;
    smallElements.maxElementBytes = 200;
    shallow.maxDepth = 9;
    smallHead.maxTextOutsideElements = 100;
    for (const Case& c : {Case{"list items", fewItems, "reading accepts at most 1"},
                          Case{"objects", fewObjects, "more than 10 objects"},
                          Case{"element size", smallElements, "reading accepts at most 200"},
                          Case{"nesting", shallow, "nested deeper than the 9 levels"},
                          Case{"text outside the elements", smallHead, "take more than 100 bytes"}}) {
        SCOPED_TRACE(c.what);
        const std::string message = descriptionOf([&] { writeMapDocument(*doc, path, c.limits); });
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
        EXPECT_EQ(fixtures::readBytes(path), before);
        // Reading with the same limits refuses the document saved without them, naming the file.
        const std::string refused = descriptionOf([&] { readMapDocument(path, c.limits); });
        EXPECT_NE(refused.find(path), std::string::npos) << refused;
    }
    // No temporary file is left beside it.
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u);
    // Limits the document keeps within: both sides accept, and the file is the same.
    MapDocumentLimits roomy;
    roomy.maxElementBytes = 4096;
    roomy.maxTextOutsideElements = bytes;
    roomy.maxDepth = 32;
    writeMapDocument(*doc, path, roomy);
    EXPECT_EQ(fixtures::readBytes(path), before);
    EXPECT_EQ(readMapDocument(path, roomy)->focusMap()->basicGraphicsLayer()->findLayerOrNull("cities_charts")->container().elementCount(),
              charts->container().elementCount());
}

// The file streamed element by element holds exactly the text form, and a file is read from its
// mapping as from text.
TEST_F(MapDocument, StreamedFileIsTheTextForm) {
    const std::string path = dir.file("streamed.pmx");
    auto doc = richDocument();
    writeMapDocument(*doc, path);
    const std::string text = fixtures::readBytes(path);
    EXPECT_EQ(text, mapDocumentToText(*doc, dir.path()));
    EXPECT_EQ(mapDocumentToText(*readMapDocument(path), dir.path()), mapDocumentToText(*mapDocumentFromText(text, path), dir.path()));
    const std::string empty = dir.file("empty.pmx");
    std::ofstream{empty};
    EXPECT_NE(descriptionOf([&] { readMapDocument(empty); }).find("is empty"), std::string::npos);
}

namespace {

// What a chart shows, element by element, read through the objects: class, name, position,
// text, and for chart markers the values, sizes, colours and the leader's anchor.
void describe(const ElementPtr& e, std::vector<std::string>& out, const std::string& at) {
    std::ostringstream s;
    s.precision(17);
    s << at << " " << e->className() << " '" << e->name() << "'";
    if (auto point = std::dynamic_pointer_cast<Point>(e->geometry())) s << " at " << point->xy().x << "," << point->xy().y;
    if (auto text = std::dynamic_pointer_cast<TextElement>(e)) s << " text '" << text->text() << "' size " << text->symbol()->font().size;
    if (auto marker = std::dynamic_pointer_cast<MarkerElement>(e)) {
        if (auto chart = std::dynamic_pointer_cast<BarChartSymbol>(marker->symbol())) {
            s << " chart size " << chart->size() << " width " << chart->width() << " max " << chart->maxValue() << " values";
            for (double v : chart->values()) s << " " << v;
            for (const auto& bar : chart->symbols())
                if (auto fill = std::dynamic_pointer_cast<FillSymbol>(bar)) s << " #" << fill->color().rgb();
            if (chart->background() && chart->background()->anchorPoint())
                s << " leader from " << chart->background()->anchorPoint()->x << "," << chart->background()->anchorPoint()->y;
        }
    }
    out.push_back(s.str());
    if (auto group = std::dynamic_pointer_cast<GroupElement>(e))
        for (std::size_t i = 0; i < group->elements().size(); ++i) describe(group->elements()[i], out, at + "." + std::to_string(i));
}

std::vector<std::string> chartsOf(const MxDocument& doc) {
    std::vector<std::string> out;
    const auto& basic = doc.focusMap()->basicGraphicsLayer();
    for (std::size_t l = 0; l < basic->layerCount(); ++l) {
        const auto elements = basic->layer(l)->container().elementsSnapshot();
        for (std::size_t i = 0; i < elements.size(); ++i) describe(elements[i], out, basic->layer(l)->name() + "[" + std::to_string(i) + "]");
    }
    return out;
}

}  // namespace

// A document saved by the writer before it streamed and shortened numbers (the first twelve
// charts of the sample map's demo) reads, is written again with the same values, and holds the same charts at the same
// positions after a save and a read with today's writer and reader.
TEST_F(MapDocument, ChartsSavedBeforeStreamingComeBackTheSame) {
    const fs::path stored = fs::path(PLOTLET_TEST_DATA) / "persistence" / "charts-before-streaming.pmx";
    const auto before = readMapDocument(stored.string());
    const std::vector<std::string> charts = chartsOf(*before);
    ASSERT_EQ(charts.size(), 12u * 4u);  // each chart: its group, the marker and two labels
    EXPECT_NE(charts[1].find("chart size 90 width 14"), std::string::npos) << charts[1];
    // Written again it holds the same objects and values: whole numbers lose their ".0", objects
    // written once their ids, and the other ids are numbered afresh.
    EXPECT_EQ(fixtures::withSharingOnly(nlohmann::json::parse(mapDocumentToText(*before, stored.parent_path()))),
              fixtures::withSharingOnly(nlohmann::json::parse(fixtures::readBytes(stored))));

    const std::string path = dir.file("again.pmx");
    writeMapDocument(*before, path);
    EXPECT_EQ(chartsOf(*readMapDocument(path)), charts);
}

// Every element of a large layer selected, in the reverse of their order: read back in the
// order of selection, each entry found in constant time (a walk of the layer per entry took
// minutes at this size).
TEST_F(MapDocument, ALargeSelectionIsReadBackInItsOrder) {
    auto doc = std::make_shared<MxDocument>();
    const MapPtr& map = doc->focusMap();
    auto layer = map->basicGraphicsLayer()->addLayer("marks", nullptr);
    constexpr int n = 60'000;
    std::vector<ElementPtr> all;
    for (int i = 0; i < n; ++i) {
        auto e = std::make_shared<MarkerElement>();
        e->setPoint({static_cast<double>(i), 0.0});
        all.push_back(e);
        layer->container().addElement(e);
    }
    for (int i = n; i-- > 0;) map->selectElement(all[static_cast<std::size_t>(i)]);
    const std::string path = dir.file("selected.pmx");
    writeMapDocument(*doc, path);
    const auto back = readMapDocument(path);
    const auto& selected = back->focusMap()->selectedElements();
    ASSERT_EQ(selected.size(), static_cast<std::size_t>(n));
    for (int k = 0; k < n; k += 997) {
        ASSERT_EQ(static_cast<const Point&>(*selected[static_cast<std::size_t>(k)]->geometry()).x(), n - 1 - k) << k;
    }
}
