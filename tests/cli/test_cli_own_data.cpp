// `plotlet draw` and `render` on a user's own data files, as a first run meets them: pictures
// whose labels stay on their bars at any size, rows without a location, mistakes named as such,
// and Recreate that can be run twice.
#include <gtest/gtest.h>

#include <cairo.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "host/ChartGeometry.h"
#include "host/Element.h"
#include "host/MapDocumentFile.h"
#include "host/gdal/Gdal.h"
#include "host/gdal/GdalFixtures.h"
#include "render/RenderFixtures.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

namespace {

class OwnData : public ::testing::Test {
protected:
    OwnData() { host::gdal::install(); }

    std::string write(const std::string& name, const std::string& text) { return folder.write(name, text).string(); }
    std::string path(const std::string& name) const { return (folder / name).string(); }

    testing_support::CliResult run(const std::string& subcommand, std::vector<std::string> extra) {
        std::vector<std::string> args{"--plugins", PLOTLET_PLUGIN_DIR, subcommand};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    }

    testing_support::TempFolder folder;
};

rendertest::Image readPicture(const std::string& file) {
    render::SurfacePtr surface(cairo_image_surface_create_from_png(file.c_str()));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cannot read " + file);
    return rendertest::Image(std::move(surface));
}

// Where a one-bar chart stands in a picture of a single feature: the bar is the widest run of
// ink in any row; its top the first row where a run nearly as wide begins. The label of a
// positive bar stands on that top: its lowest ink above the bar lies within a few pixels.
struct BarAndLabel {
    int barTop = -1, barLeft = -1, barRight = -1;
    int labelBottom = -1;  // the lowest row with ink above the bar, over the bar's columns
};

BarAndLabel probeBarAndLabel(const rendertest::Image& image) {
    auto inkAt = [&](int x, int y) { return !image.isWhite(x, y, 40); };
    int widest = 0;
    std::vector<std::pair<int, int>> longest(image.height(), {-1, -1});
    for (int y = 0; y < image.height(); ++y) {
        int start = -1;
        for (int x = 0; x <= image.width(); ++x) {
            const bool ink = x < image.width() && inkAt(x, y);
            if (ink && start < 0) start = x;
            if (!ink && start >= 0) {
                if (x - start > longest[y].second - longest[y].first) longest[y] = {start, x};
                start = -1;
            }
        }
        widest = std::max(widest, longest[y].second - longest[y].first);
    }
    BarAndLabel found;
    for (int y = 0; y < image.height() && found.barTop < 0; ++y) {
        if (longest[y].second - longest[y].first >= widest * 9 / 10) {
            found.barTop = y;
            found.barLeft = longest[y].first;
            found.barRight = longest[y].second;
        }
    }
    for (int y = found.barTop - 1; y >= 0 && found.labelBottom < 0; --y) {
        for (int x = found.barLeft; x < found.barRight && found.labelBottom < 0; ++x)
            if (inkAt(x, y)) found.labelBottom = y;
    }
    return found;
}

void expectLabelOnBar(const std::string& file) {
    SCOPED_TRACE(file);
    const rendertest::Image image = readPicture(file);
    const BarAndLabel chart = probeBarAndLabel(image);
    ASSERT_GE(chart.barTop, 0);
    const int barWidth = chart.barRight - chart.barLeft;
    ASSERT_GE(barWidth, 4);
    // The label exists and stands on its bar: no further above it than a fraction of the bar's
    // width (a 6-point label over a 10-point bar), at any picture size.
    ASSERT_GE(chart.labelBottom, 0) << "no label above the bar (top " << chart.barTop << ")";
    EXPECT_LE(chart.barTop - chart.labelBottom, std::max(3, barWidth / 3))
        << "bar top " << chart.barTop << ", label bottom " << chart.labelBottom << ", bar width " << barWidth;
}

const char* onePoint = R"({"type":"FeatureCollection","features":[
    {"type":"Feature","properties":{"name":"Kings Cross","bikes":100},"geometry":{"type":"Point","coordinates":[-0.1233,51.5309]}}]})";

}  // namespace

TEST_F(OwnData, LabelsStayOnTheirBarsInPicturesOfAnySize) {
    const std::string data = write("stations.geojson", onePoint);
    const std::string saved = path("stations.pmx");
    // The map legend would be one more bar to the probe: left out.
    auto r = run("draw", {data, "--layer", "stations", "--fields", "bikes", "--set", "ChkShowLeader=0", "--save", saved,
                          "--out", path("draw.png"), "--width", "2000", "--no-map-legend"});
    ASSERT_EQ(r.code, 0) << r.err;
    expectLabelOnBar(path("draw.png"));
    for (const char* width : {"500", "1800"}) {
        r = run("render", {saved, "--out", path(std::string("render") + width + ".png"), "--width", width, "--no-map-legend"});
        ASSERT_EQ(r.code, 0) << r.err;
        expectLabelOnBar(path(std::string("render") + width + ".png"));
    }

    // A map document without a reference scale draws its charts as at its own scale, and says so.
    auto document = host::readMapDocument(saved);
    document->focusMap()->setReferenceScale(0);
    const std::string unreferenced = path("unreferenced.pmx");
    host::writeMapDocument(*document, unreferenced);
    for (const char* width : {"500", "1800"}) {
        r = run("render",
                {unreferenced, "--out", path(std::string("plain") + width + ".png"), "--width", width, "--no-map-legend"});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("no reference scale"), std::string::npos) << r.err;
        expectLabelOnBar(path(std::string("plain") + width + ".png"));
    }
    EXPECT_EQ(host::readMapDocument(unreferenced)->focusMap()->referenceScale(), 0);
}

TEST_F(OwnData, FeaturesWithoutALocationGetNoChartAndANote) {
    const std::string data = write("stations.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"name":"Kings Cross","bikes":10},"geometry":{"type":"Point","coordinates":[-0.1233,51.5309]}},
        {"type":"Feature","properties":{"name":"Nowhere","bikes":20},"geometry":null},
        {"type":"Feature","properties":{"name":"Waterloo","bikes":30},"geometry":{"type":"Point","coordinates":[-0.1131,51.5031]}}]})");
    const std::string saved = path("stations.pmx");
    const auto r = run("draw", {data, "--layer", "stations", "--fields", "bikes", "--key", "name", "--save", saved, "--out",
                                path("stations.png")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("note: 1 feature of stations without a location"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("charts: 2 "), std::string::npos) << r.out;
    auto document = host::readMapDocument(saved);
    auto charts = document->focusMap()->basicGraphicsLayer()->findLayerOrNull("stations_charts");
    ASSERT_TRUE(charts);
    EXPECT_FALSE(charts->container().findElementByName("Nowhere"));
    // Nothing stands near 0,0: the charts' extent stays in London.
    EXPECT_GT(charts->extent().yMin(), 51.0);
    const rendertest::Image picture = readPicture(path("stations.png"));
    EXPECT_LT(picture.height(), 3 * picture.width());
}

TEST_F(OwnData, MistakesAreNamedWithWhatThereIsInstead) {
    const std::string polygons = write("eire.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"A":1.5},"geometry":{"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,0]]]}}]})");
    const std::string multipoints = write("pumps.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"A":1.5},"geometry":{"type":"MultiPoint","coordinates":[[0,0],[1,1]]}}]})");
    const std::string points = write("stations.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"name":"A","bikes":10,"docks":3},"geometry":{"type":"Point","coordinates":[-0.12,51.53]}}]})");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::vector<std::string> says;
    };
    const std::vector<Case> cases = {
        {{"draw", polygons, "--layer", "eire", "--fields", "A"}, 1, {"eire is a polygon layer", "pass --yes"}},
        {{"draw", multipoints, "--layer", "pumps", "--fields", "A"}, 2, {"pumps is a multipoint layer"}},
        {{"draw", points, "--layer", "station", "--fields", "bikes"}, 2, {"no layer station (did you mean stations?)"}},
        {{"draw", points, "--layer", "stations", "--fields", "bkes"}, 2,
         {"bkes is no field of stations (did you mean bikes?)", "bikes (Long Integer), docks (Long Integer)"}},
        {{"draw", points, "--layer", "stations", "--fields", "name"}, 2, {"name is not a numeric field of stations (it is a Text field)"}},
        {{"draw", points, "--layer", "stations", "--fields", "bikes,bikes"}, 1, {"bikes is named twice"}},
        {{"draw", points, "--layer", "stations", "--fields", "bikes", "--key", "nme"}, 2, {"(did you mean name?)"}},
        {{"draw", points, "--layer", "stations", "--fields", "bikes", "--recreate", "--placement", "over-old", "--old-layer",
          "stations_chart"},
         2,
         {"--old-layer stations_chart", "graphics layers: none"}},
        {{"drw", points}, 1, {"unknown subcommand drw (did you mean draw?)"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (args[0] == "draw") args.insert(args.end(), {"--save", path("never.pmx")});
        if (args[1] == polygons && ::isatty(STDIN_FILENO)) continue;  // on a terminal the offer is asked
        const auto r = run(args[0], {args.begin() + 1, args.end()});
        SCOPED_TRACE(args[1] + " " + (args.size() > 3 ? args[3] + " " + args[5] : ""));
        EXPECT_EQ(r.code, c.code) << r.err;
        for (const std::string& text : c.says) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("internal error"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("never.pmx")));
        EXPECT_FALSE(std::filesystem::exists(path("eire_points.gpkg")));
    }
}

TEST_F(OwnData, NumbersOutOfRangeAreUsageErrorsAndUnknownIdentifiersAreNamed) {
    const std::string points = write("stations.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"bikes":10},"geometry":{"type":"Point","coordinates":[-0.12,51.53]}},
        {"type":"Feature","properties":{"bikes":20},"geometry":{"type":"Point","coordinates":[-0.11,51.50]}}]})");
    const std::vector<std::string> base{points, "--layer", "stations", "--fields", "bikes", "--save", path("s.pmx")};
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--selected", "0,99999999999999999999"}, "--selected 99999999999999999999: out of range"},
        {{"--placement", "99999999999999999999"}, "--placement 99999999999999999999: out of range"},
        {{"--placement", "99999999999"}, "codes are 0 to 13 (5 excepted)"},
        {{"--placement", "5"}, "codes are 0 to 13 (5 excepted)"},
        {{"--seed", "99999999999999999999"}, "--seed 99999999999999999999: out of range"},
        {{"--seed=-1"}, "--seed -1: out of range"},
        {{"--seed", "12x"}, "--seed 12x: not a whole number"},
    };
    for (const auto& [extra, says] : cases) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run("draw", args);
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("s.pmx")));
    }
    std::vector<std::string> args = base;
    args.insert(args.end(), {"--selected", "0,1,999"});
    const auto r = run("draw", args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: --selected: stations has no feature 999"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("charts: 2 "), std::string::npos) << r.out;
}

namespace {

std::string readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* keyedStations = R"({"type":"FeatureCollection","features":[
    {"type":"Feature","properties":{"name":"Angel","bikes":10},"geometry":{"type":"Point","coordinates":[-0.1057,51.5322]}},
    {"type":"Feature","properties":{"name":null,"bikes":20},"geometry":{"type":"Point","coordinates":[-0.1100,51.5000]}},
    {"type":"Feature","properties":{"name":"","bikes":30},"geometry":{"type":"Point","coordinates":[-0.1000,51.5200]}},
    {"type":"Feature","properties":{"name":null,"bikes":5},"geometry":{"type":"Point","coordinates":[-0.1300,51.5100]}}]})";

std::size_t chartCount(const std::string& document, const std::string& layer) {
    return host::readMapDocument(document)->focusMap()->basicGraphicsLayer()->findLayerOrNull(layer)->container().elementCount();
}

}  // namespace

TEST_F(OwnData, RecreateTwiceLeavesTheSameCharts) {
    const std::string data = write("stations.geojson", keyedStations);
    const std::vector<std::string> fields{"--layer", "stations", "--fields", "bikes", "--seed", "7"};
    auto draw = [&](const std::string& from, const std::string& to, std::vector<std::string> extra) {
        std::vector<std::string> args{from};
        args.insert(args.end(), fields.begin(), fields.end());
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"--save", to});
        return run("draw", args);
    };
    ASSERT_EQ(draw(data, path("first.pmx"), {"--key", "name"}).code, 0);
    ASSERT_EQ(chartCount(path("first.pmx"), "stations_charts"), 4u);
    for (const char* placement : {"e", "old"}) {
        SCOPED_TRACE(placement);
        auto r = draw(path("first.pmx"), path("second.pmx"), {"--key", "name", "--recreate", "--placement", placement});
        ASSERT_EQ(r.code, 0) << r.err;
        r = draw(path("second.pmx"), path("third.pmx"), {"--key", "name", "--recreate", "--placement", placement});
        ASSERT_EQ(r.code, 0) << r.err;
        // Features without a key value find their charts again by their points.
        EXPECT_EQ(chartCount(path("second.pmx"), "stations_charts"), 4u);
        EXPECT_EQ(readAll(path("second.pmx")), readAll(path("third.pmx")));
    }

    // Without --key, Recreate takes the key the old charts were named by.
    auto r = draw(path("first.pmx"), path("keyless.pmx"), {"--recreate"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("takes the key name"), std::string::npos) << r.err;
    EXPECT_EQ(chartCount(path("keyless.pmx"), "stations_charts"), 4u);
}

TEST_F(OwnData, RecreateWithoutAKeyRefusesWhenTheOldChartsDoNotTell) {
    // Two fields name the charts equally well: the run cannot tell which one was the key.
    const std::string data = write("twins.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"code":"A","copy":"A","v":1},"geometry":{"type":"Point","coordinates":[0,0]}},
        {"type":"Feature","properties":{"code":"B","copy":"B","v":2},"geometry":{"type":"Point","coordinates":[1,1]}}]})");
    ASSERT_EQ(run("draw", {data, "--layer", "twins", "--fields", "v", "--key", "code", "--save", path("t.pmx")}).code, 0);
    const auto r = run("draw", {path("t.pmx"), "--layer", "twins", "--fields", "v", "--recreate", "--save", path("t2.pmx")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("any of the keys code, copy; give --key"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("t2.pmx")));
}

namespace {

// Zero line and left edge of each chart of a saved document, in map units, from the bars as
// the host lays them out for drawing.
std::map<std::string, std::pair<double, double>> zeroLines(const std::string& document, const std::string& layer) {
    const auto doc = host::readMapDocument(document);
    const host::MapPtr& map = doc->focusMap();
    const double mapUnitsPerPoint = map->referenceScale() * 0.0254 / 72 / map->spatialReference()->metresPerUnit();
    std::map<std::string, std::pair<double, double>> lines;
    for (const host::ElementPtr& chart : map->basicGraphicsLayer()->findLayerOrNull(layer)->container().elements()) {
        const auto marker = std::dynamic_pointer_cast<host::MarkerElement>(std::dynamic_pointer_cast<host::GroupElement>(chart)->element(0));
        const auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
        const host::BarChartLayout layout = host::layoutBarChart(*symbol);
        const host::XY at = marker->geometry()->envelope().centre();
        lines[marker->name()] = {at.x + layout.box.x0 * mapUnitsPerPoint, at.y + layout.zeroY * mapUnitsPerPoint};
    }
    return lines;
}

}  // namespace

TEST_F(OwnData, RecreateAtTheOldPlaceKeepsZeroLinesAndLeftEdges) {
    // Charts that hold a 0 draw it at the minimum height; their zero line must not move by it.
    const std::string data = write("values.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"id":"a","pos":5,"zero":0,"neg":-3},"geometry":{"type":"Point","coordinates":[500000,4000000]}},
        {"type":"Feature","properties":{"id":"b","pos":8,"zero":0,"neg":-6},"geometry":{"type":"Point","coordinates":[530000,4020000]}}]})");
    const std::vector<std::string> scale{"--key", "id", "--set", "TxtMaxValue=10", "--set", "TxtMinValue=1"};
    auto draw = [&](const std::string& from, const std::string& fieldList, const std::string& to, bool recreate) {
        std::vector<std::string> args{from, "--layer", "values", "--fields", fieldList, "--save", to};
        args.insert(args.end(), scale.begin(), scale.end());
        if (recreate) args.insert(args.end(), {"--recreate", "--placement", "old"});
        const auto r = run("draw", args);
        EXPECT_EQ(r.code, 0) << r.err;
    };
    draw(data, "pos", path("first.pmx"), false);
    const auto before = zeroLines(path("first.pmx"), "values_charts");
    for (const char* fields : {"zero", "neg,zero", "zero,pos", "pos"}) {
        SCOPED_TRACE(fields);
        draw(path("first.pmx"), fields, path("again.pmx"), true);
        const auto after = zeroLines(path("again.pmx"), "values_charts");
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [name, line] : before) {
            EXPECT_NEAR(after.at(name).first, line.first, 1e-6) << name << " left edge";
            EXPECT_NEAR(after.at(name).second, line.second, 1e-6) << name << " zero line";
        }
    }
}

namespace {

host::BarChartSymbolPtr chartSymbolOf(const std::string& document, const std::string& layer, const std::string& name) {
    const auto doc = host::readMapDocument(document);
    const auto chart = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull(layer)->container().findElementByName(name);
    const auto marker = std::dynamic_pointer_cast<host::MarkerElement>(std::dynamic_pointer_cast<host::GroupElement>(chart)->element(0));
    return std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
}

std::uint32_t fillOf(const host::BarChartSymbolPtr& symbol, std::size_t k) {
    return std::dynamic_pointer_cast<host::FillSymbol>(symbol->symbol(k))->color().rgb();
}

}  // namespace

TEST_F(OwnData, ScaleAndLookOptionsInAnyOrder) {
    const std::string data = write("values.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"id":"a","x":40000,"y":5},"geometry":{"type":"Point","coordinates":[500000,4000000]}},
        {"type":"Feature","properties":{"id":"b","x":80000,"y":7},"geometry":{"type":"Point","coordinates":[530000,4020000]}}]})");
    auto draw = [&](const std::string& to, std::vector<std::string> extra) {
        std::vector<std::string> args{data, "--layer", "values", "--fields", "x,y", "--key", "id", "--seed", "3", "--save", path(to)};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run("draw", args);
        EXPECT_EQ(r.code, 0) << r.err;
        return r;
    };
    // The README's own example: a maximum typed keeps the chart size.
    draw("max.pmx", {"--set", "TxtMaxValue=100000"});
    EXPECT_EQ(chartSymbolOf(path("max.pmx"), "values_charts", "b")->size(), 45);
    EXPECT_EQ(chartSymbolOf(path("max.pmx"), "values_charts", "b")->maxValue(), 100000);
    draw("size.pmx", {"--set", "TxtChartMarkerSize=90"});
    EXPECT_EQ(chartSymbolOf(path("size.pmx"), "values_charts", "b")->size(), 90);

    // Named options, in either order, give the same document.
    draw("one.pmx", {"--max", "50000", "--size", "60", "--bar-width", "7", "--no-leaders", "--colors", "red,#0072B2"});
    draw("two.pmx", {"--colors", "red,#0072B2", "--no-leaders", "--bar-width", "7", "--size", "60", "--max", "50000"});
    EXPECT_EQ(readAll(path("one.pmx")), readAll(path("two.pmx")));
    const auto symbol = chartSymbolOf(path("one.pmx"), "values_charts", "b");
    EXPECT_EQ(symbol->size(), 60);
    EXPECT_EQ(symbol->width(), 7);
    EXPECT_EQ(symbol->maxValue(), 50000);
    EXPECT_FALSE(symbol->background());
    EXPECT_EQ(fillOf(symbol, 0), host::RgbColor::fromRgb(0xE4, 0x1A, 0x1C).rgb());
    EXPECT_EQ(fillOf(symbol, 1), host::RgbColor::fromRgb(0x00, 0x72, 0xB2).rgb());

    // The smallest bar in millimetres makes the size follow, whatever the order.
    draw("mm1.pmx", {"--min-mm", "2", "--min", "4", "--max", "80000"});
    draw("mm2.pmx", {"--max", "80000", "--min", "4", "--min-mm", "2"});
    EXPECT_EQ(readAll(path("mm1.pmx")), readAll(path("mm2.pmx")));
    EXPECT_NE(chartSymbolOf(path("mm1.pmx"), "values_charts", "b")->size(), 45);

    // The default palette is colour-blind safe; --colors wins over --palette.
    draw("palette.pmx", {});
    EXPECT_EQ(fillOf(chartSymbolOf(path("palette.pmx"), "values_charts", "a"), 0), host::RgbColor::fromRgb(0xE6, 0x9F, 0x00).rgb());
    draw("wins.pmx", {"--palette", "random", "--colors", "black,white"});
    EXPECT_EQ(fillOf(chartSymbolOf(path("wins.pmx"), "values_charts", "a"), 1), host::RgbColor::fromRgb(255, 255, 255).rgb());

    const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
        {{"--colors", "red"}, "1 colours for 2 fields"},
        {{"--colors", "red,blurple"}, "blurple is no colour"},
        {{"--palette", "rainbow"}, "--palette rainbow"},
        {{"--min", "1", "--min-mm", "1", "--size", "20"}, "give at most two"},
        {{"--labels", "--no-labels"}, "excludes"},
    };
    for (const auto& [extra, says] : refused) {
        std::vector<std::string> args{data, "--layer", "values", "--fields", "x,y", "--save", path("refused.pmx")};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = run("draw", args);
        EXPECT_EQ(r.code, 1) << says << ": " << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
}

TEST_F(OwnData, DialogListsItsControlsAndRefusesWhereTheCommandIsDisabled) {
    const std::string points = write("stations.geojson", onePoint);
    auto r = run("dialog", {points, "--controls"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("TxtMaxValue=8  (text)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("TxtChartMarkerSize=45  (text) disabled"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ChkShowLeader=1  (check box (1/0))"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CmbKey=FID  (choice of [\"FID\",\"name\",\"bikes\"])"), std::string::npos) << r.out;

    // A map without any layer: a person could not click the command.
    const std::string empty = path("empty.pmx");
    host::writeMapDocument(host::MxDocument(), empty);
    r = run("dialog", {empty, "--dump"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("the command is disabled"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    // Without a point layer the max and min buttons have no values to take: they write 0.
    const std::string polygons = write("eire.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"A":1.5},"geometry":{"type":"Polygon","coordinates":[[[0,0],[1,0],[1,1],[0,0]]]}}]})");
    r = run("dialog", {polygons, "--click", "CmdCalcMax", "--click", "CmdCalcMin", "--controls"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("TxtMaxValue=0  (text)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("TxtMinValue=0  (text)"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("Subscript"), std::string::npos) << r.err;
}

TEST_F(OwnData, OtherMistakesAndLossesAreSaid) {
    // Fields named like the keys each chart keeps its layer name and extremes under.
    const std::string reserved = write("reserved.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"LayerName":3,"v":1e300},"geometry":{"type":"Point","coordinates":[0,0]}},
        {"type":"Feature","properties":{"LayerName":4,"v":9007199254740993},"geometry":{"type":"Point","coordinates":[1,1]}}]})");
    auto r = run("draw", {reserved, "--layer", "reserved", "--fields", "v,LayerName", "--save", path("r.pmx")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("LayerName cannot be a chart field"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("r.pmx")));

    // Load warnings reach draw's user as they reach info's.
    const std::string big = write("big.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"id":9007199254740993,"v":1},"geometry":{"type":"Point","coordinates":[0,0]}}]})");
    r = run("draw", {big, "--layer", "big", "--fields", "v", "--save", path("big.pmx")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("warning: big: 1 64-bit integer value(s) are beyond 2^53"), std::string::npos) << r.err;

    // A map document is not saved under a picture's name.
    r = run("draw", {reserved, "--layer", "reserved", "--fields", "v", "--save", path("m.png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("that is a picture's name"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("m.png")));

    // render names the layers it leaves out.
    const std::string data = write("stations.geojson", onePoint);
    ASSERT_EQ(run("draw", {data, "--layer", "stations", "--fields", "bikes", "--save", path("s.pmx")}).code, 0);
    std::filesystem::remove(data);
    r = run("render", {path("s.pmx"), "--out", path("s.png")});
    EXPECT_NE(r.err.find("layer stations is left out"), std::string::npos) << r.err;
}

TEST_F(OwnData, DialogKeepsItsListsAndCaptionsUpToDate) {
    // Two point layers, each with its chart layer; two features of the second selected.
    const std::string data = path("two.gpkg");
    fixtures::makeLayer(data, "GPKG", "north", wkbPoint, 4326, {{"v", OFTReal}}, {{"POINT (0 1)", {"1"}}, {"POINT (1 1)", {"2"}}});
    fixtures::makeLayer(data, "GPKG", "south", wkbPoint, 4326, {{"v", OFTReal}}, {{"POINT (0 0)", {"3"}}, {"POINT (1 0)", {"4"}}});
    ASSERT_EQ(run("draw", {data, "--layer", "north", "--fields", "v", "--save", path("a.pmx")}).code, 0);
    ASSERT_EQ(run("draw", {path("a.pmx"), "--layer", "south", "--fields", "v", "--save", path("b.pmx")}).code, 0);
    {
        auto document = host::readMapDocument(path("b.pmx"));
        auto south = document->focusMap()->findFeatureLayer("south");
        south->selectionSet()->add(south->featureClass()->oid(0));
        south->selectionSet()->add(south->featureClass()->oid(1));
        host::writeMapDocument(*document, path("b.pmx"));
    }
    auto r = run("dialog", {path("b.pmx"), "--set", "CmbLayers=north", "--set", "CmbLayers=south", "--set", "OpChartPosition=2",
                            "--set", "CmbLanguage=Русский", "--dump"});
    ASSERT_EQ(r.code, 0) << r.err;
    // The old-chart list of the south layer offers the north charts, never the south layer's own.
    EXPECT_NE(r.out.find("ComboBox CmbOldChartLayer items=[\"north_charts\"]"), std::string::npos) << r.out;
    // The language switch keeps the selected count and the placement name.
    EXPECT_NE(r.out.find("OpAllObjects(1) caption=\"выбранные (2)\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("FrameChartPosition caption=\"положение относительно маркера - СВ\""), std::string::npos) << r.out;
}

TEST_F(OwnData, RenderShowsTheProgressOfReadingALargeLayer) {
    std::string csv = "x,y,v\n";
    for (int i = 0; i < 20000; ++i) csv += std::to_string(i % 200) + "," + std::to_string(i / 200) + ",1\n";
    const std::string data = write("grid.csv", csv);
    const auto r = run("render", {data, "--out", path("grid.png"), "--width", "300", "--progress"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("plotlet: Reading grid 81% (16384 of 20000)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("plotlet: Reading grid 100% (20000 of 20000)"), std::string::npos) << r.err;
}

TEST_F(OwnData, PolygonLayersAreChartedThroughPointsInsideThem) {
    const std::vector<std::string> shapes = {"POLYGON ((0 0,10 0,10 10,8 10,8 2,2 2,2 10,0 10,0 0))",
                                             "POLYGON ((20 0,24 0,24 4,20 4,20 0))"};
    const std::string parcels = write("parcels.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"NAME":"Подкова","A":4.5},"geometry":{"type":"Polygon","coordinates":[[[0,0],[10,0],[10,10],[8,10],[8,2],[2,2],[2,10],[0,10],[0,0]]]}},
        {"type":"Feature","properties":{"NAME":"Square","A":2},"geometry":{"type":"Polygon","coordinates":[[[20,0],[24,0],[24,4],[20,4],[20,0]]]}}]})");
    std::filesystem::create_directories(path("maps"));
    const std::string map = path("maps/parcels.pmx"), points = path("maps/parcels_points.gpkg");
    const std::vector<std::string> args{"--layer", "parcels", "--fields", "A", "--key", "NAME", "--placement", "center", "--yes"};
    auto draw = [&](const std::string& from, std::vector<std::string> extra) {
        std::vector<std::string> all{from};
        all.insert(all.end(), args.begin(), args.end());
        all.insert(all.end(), extra.begin(), extra.end());
        all.insert(all.end(), {"--save", map});
        return run("draw", all);
    };
    auto r = draw(parcels, {});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("2 points of layer parcels written to " + points), std::string::npos) << r.err;

    // Beside the document that names them, which reopens with them; each chart stands inside
    // its polygon.
    auto charted = [&] {
        const host::MxDocumentPtr document = host::readMapDocument(map);
        const host::MapPtr m = document->focusMap();
        const host::FeatureLayerPtr layer = m->findFeatureLayer("parcels_points");
        EXPECT_TRUE(layer && layer->valid());
        if (!layer || !layer->valid()) return std::size_t{0};
        EXPECT_EQ(layer->featureClass()->shapeType(), host::GeometryType::Point);
        EXPECT_EQ(layer->featureClass()->value(0, layer->featureClass()->findField("NAME")), runtime::Variant(std::string("Подкова")));
        EXPECT_TRUE(m->findFeatureLayer("parcels"));
        std::size_t count = 0;
        for (const host::FeatureLayerPtr& l : m->featureLayers()) count += l->name() == "parcels_points";
        EXPECT_EQ(count, 1u);
        const auto& charts = m->basicGraphicsLayer()->findLayerOrNull("parcels_points_charts")->container();
        EXPECT_EQ(charts.elementCount(), 2u);
        std::size_t inside = 0;
        for (const host::ElementPtr& chart : charts.elements()) {
            const host::Envelope box = chart->geometry()->envelope();
            OGRPoint centre((box.xMin() + box.xMax()) / 2, (box.yMin() + box.yMax()) / 2);
            for (const std::string& wkt : shapes) {
                OGRGeometry* g = nullptr;
                OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &g);
                host::gdal::GeometryHandle shape(g);
                inside += centre.Within(shape.get());
            }
        }
        return inside;
    };
    EXPECT_EQ(charted(), 2u);

    // A rerun on the saved map replaces the file and keeps one layer of points.
    const auto before = std::filesystem::last_write_time(points);
    r = draw(map, {"--recreate"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_GE(std::filesystem::last_write_time(points), before);
    EXPECT_EQ(charted(), 2u);

    // A line layer is charted at the midpoints of its lines.
    const std::string roads = write("roads.geojson", R"({"type":"FeatureCollection","features":[
        {"type":"Feature","properties":{"A":3},"geometry":{"type":"LineString","coordinates":[[0,0],[6,0],[6,2]]}}]})");
    r = run("draw", {roads, "--layer", "roads", "--fields", "A", "--yes", "--save", path("roads.pmx")});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto midpoints = host::readMapDocument(path("roads.pmx"))->focusMap()->findFeatureLayer("roads_points");
    ASSERT_TRUE(midpoints && midpoints->valid());
    const auto midpoint = std::dynamic_pointer_cast<const host::Point>(midpoints->featureClass()->shape(0));
    ASSERT_TRUE(midpoint);
    EXPECT_NEAR(midpoint->x(), 4, 1e-9);
    EXPECT_NEAR(midpoint->y(), 0, 1e-9);
}
