// Pictures of whole maps: layers in their order and renderers, highlights, the extent and size
// of a picture and how symbols scale with it, the three formats, progress, and every kind of
// bad input ending in a clear error or a sensible drawing with no file half written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include <unistd.h>

#include "host/FeatureClass.h"
#include "host/Map.h"
#include "render/Error.h"
#include "render/Export.h"
#include "render/LayerDrawing.h"
#include "render/Png.h"
#include "render/RenderFixtures.h"
#include "render/ViewDrawing.h"
#include "support/TempFolder.h"

using namespace rendertest;

namespace {

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00C000, kBlue = 0xFF0000;
const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

std::string head(const std::string& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::int32_t renderCode(std::int32_t code) { return host::hostErrorBase + code; }

// A point layer of cities with two numeric fields, drawn by a chart renderer.
host::FeatureLayerPtr cityLayer(const std::vector<std::array<double, 4>>& rows) {
    auto fc =
        host::makeFeatureClass("Cities", host::GeometryType::Point,
                               std::vector<host::Field>{{"Men", host::FieldType::Double}, {"Women", host::FieldType::Double}});
    for (const auto& r : rows)
        fc->addFeature(std::make_shared<host::Point>(r[0], r[1]), {runtime::Variant(r[2]), runtime::Variant(r[3])});
    auto renderer = std::make_shared<host::ChartRenderer>();
    renderer->setChartSymbol(barChart({}, {kRed, kGreen}, 10, 6, 30));
    renderer->addField("Men");
    renderer->addField("Women");
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName("Cities");
    layer->setFeatureClass(fc);
    layer->setRenderer(renderer);
    return layer;
}

host::FeatureLayerPtr markerLayer(const std::vector<host::XY>& points, std::uint32_t colour) {
    auto fc = host::makeFeatureClass("Wells", host::GeometryType::Point, std::vector<host::Field>{});
    for (const auto& p : points) fc->addFeature(std::make_shared<host::Point>(p), {});
    return rendertest::markerLayerOf(fc, "", 9, colour);
}

// The map of most tests: 200 × 200 map units holding two charted cities and a graphics chart.
class MapPicture : public ::testing::Test {
protected:
    void SetUp() override {
        map = std::make_shared<host::Map>();
        cities = cityLayer({{{50, 50, 10, 5}}, {{150, 150, 4, 8}}});
        map->addLayer(cities);
        charts = map->basicGraphicsLayer()->addLayer("Cities_charts", cities);
        chartElement = markerAt({100, 20}, barChart({10, 7}, {kBlue, kRed}, 10));
        charts->container().addElement(chartElement);
    }
    // The whole 200 × 200 units on 200 × 200 pixels at 96 dpi (a point is 4/3 pixel).
    Image picture() {
        render::ExportOptions options;
        options.width = 200;
        options.extent = host::Envelope(0, 0, 200, 200);
        return Image(render::renderImage(*map, render::planExport(*map, options)));
    }

    host::MapPtr map;
    host::FeatureLayerPtr cities;
    host::GraphicsLayerPtr charts;
    std::shared_ptr<host::MarkerElement> chartElement;
    testing_support::TempFolder folder;
    std::string file(const std::string& name) const { return (folder / name).string(); }
};

TEST_F(MapPicture, ChartRendererDrawsEachFeaturesValues) {
    const Image image = picture();
    image.keep("map-chart-renderer");
    // City at (50, 50): Men 10 → 40 px of red from y 150 up; Women 5 → 20 px of green.
    EXPECT_TRUE(image.near(46, 130, rgbOf(kRed)));
    EXPECT_TRUE(image.near(46, 112, rgbOf(kRed)));
    EXPECT_TRUE(image.near(54, 140, rgbOf(kGreen)));
    EXPECT_TRUE(image.isWhite(54, 120));
    // City at (150, 150): Men 4 → 16 px, Women 8 → 32 px.
    EXPECT_TRUE(image.near(146, 45, rgbOf(kRed)));
    EXPECT_TRUE(image.isWhite(146, 30));
    EXPECT_TRUE(image.near(154, 25, rgbOf(kGreen)));
    // The graphics chart.
    EXPECT_TRUE(image.near(96, 170, rgbOf(kBlue)));
}

TEST_F(MapPicture, LayersDrawInOrderAndHiddenOnesNot) {
    // A marker layer added on top covers the chart of the city at (50, 50).
    auto wells = markerLayer({{50, 60}}, 0x808080);
    map->addLayer(wells);
    EXPECT_TRUE(picture().near(50, 140, rgbOf(0x808080)));
    // Moved to the bottom, it is covered by the chart.
    map->deleteLayer(wells.get());
    map->insertLayer(map->layerCount(), wells);
    EXPECT_TRUE(picture().near(47, 140, rgbOf(kRed)));

    // A group layer draws its members; hiding the group hides them.
    map->deleteLayer(wells.get());
    auto group = std::make_shared<host::GroupLayer>();
    group->addLayer(markerLayer({{20, 180}}, 0x808080));
    map->addLayer(group);
    EXPECT_TRUE(picture().near(20, 20, rgbOf(0x808080)));
    group->setVisible(false);
    EXPECT_TRUE(picture().isWhite(20, 20));

    // Charts tied to a hidden feature layer hide with it.
    cities->setVisible(false);
    const Image hidden = picture();
    EXPECT_TRUE(hidden.isWhite(96, 170));
    EXPECT_TRUE(hidden.isWhite(46, 130));
}

// Whether the selection frame of the chart element at x 92…108, y 140…180 shows: cyan just
// outside its bounds.
bool elementFramed(const Image& drawn) {
    const Rgb cyan{0, 255, 255};
    bool framed = false;
    for (int y = 135; y < 185; ++y) framed |= drawn.near(90, y, cyan, 60) || drawn.near(109, y, cyan, 60);
    return framed;
}

TEST_F(MapPicture, SelectedFeaturesAreHighlightedButElementHandlesStayOnTheScreen) {
    map->selectElement(chartElement);
    cities->selectionSet()->add(cities->featureClass()->oid(1));
    const Image image = picture();
    image.keep("map-selection");
    // The element's frame would lie just outside its bounds (x 92…108, y 140…180 in pixels):
    // a picture leaves it out, and the selection stays in the map.
    const Rgb cyan{0, 255, 255};
    EXPECT_FALSE(elementFramed(image));
    EXPECT_EQ(map->selectedElements().size(), 1u);
    // The selected city's chart (x 142…158, y 18…50) gets a frame; the other city's does not.
    const render::DeviceBox selected = image.inkOf(cyan, 60);
    bool framedCity = false;
    for (int y = 10; y < 60; ++y) framedCity |= image.near(139, y, cyan, 60) || image.near(160, y, cyan, 60);
    EXPECT_TRUE(framedCity);
    EXPECT_GT(selected.x0, 60) << "nothing cyan near the unselected city";

    // The screen's view draws them.
    const Image screen = drawImage(frameOf(200, 200, host::Envelope(0, 0, 200, 200)), [&](render::Canvas& canvas) {
        render::drawMap(canvas, *map);
        render::drawElementSelection(canvas, *map);
    });
    EXPECT_TRUE(elementFramed(screen));
}

TEST_F(MapPicture, DefaultExtentHoldsEverythingDrawnWithAMargin) {
    render::ExportOptions options;
    options.width = 300;
    const host::DisplayTransformation t = render::planExport(*map, options);
    const Image image(render::renderImage(*map, t));
    image.keep("map-default-extent");
    const render::DeviceBox ink = image.ink();
    ASSERT_FALSE(ink.empty);
    // The chart standing on the highest city reaches above the layers' extent; it is whole,
    // with white around every side.
    EXPECT_GT(ink.y0, 5);
    EXPECT_GT(ink.x0, 5);
    EXPECT_LT(ink.x1, image.width() - 5);
    EXPECT_LT(ink.y1, image.height() - 5);
    EXPECT_EQ(image.width(), 300);
}

TEST_F(MapPicture, SymbolsScaleWithThePictureOnlyUnderAReferenceScale) {
    map->setMapScale(5000);
    const auto chartHeight = [&](int width) {
        render::ExportOptions options;
        options.width = width;
        options.extent = host::Envelope(0, 0, 200, 200);
        const Image image(render::renderImage(*map, render::planExport(*map, options)));
        const render::DeviceBox blue = image.inkOf(rgbOf(kBlue));
        return blue.y1 - blue.y0;
    };
    // No reference scale: a 30-point chart is 40 pixels at 96 dpi in any picture (the blue
    // of its bar less the outline that covers its edges).
    EXPECT_NEAR(chartHeight(200), 39.3, 1.5);
    EXPECT_NEAR(chartHeight(400), 39.3, 1.5);
    // With one, it keeps its size relative to the map: twice the pixels, twice the chart.
    map->setReferenceScale(map->mapScale());
    const double small = chartHeight(200), large = chartHeight(400);
    EXPECT_NEAR(large / small, 2.0, 0.1);
    EXPECT_EQ(map->mapScale(), 5000) << "the document keeps its scale";
}

TEST_F(MapPicture, SizeFollowsTheWidthOrTheResolutionAtTheMapsScale) {
    render::ExportOptions options;
    options.extent = host::Envelope(0, 0, 400, 100);
    options.width = 800;
    host::DisplayTransformation t = render::planExport(*map, options);
    EXPECT_EQ(t.deviceFrame(), (host::DeviceFrame{0, 0, 800, 200}));
    // Width from the resolution: 400 m at 1 : 1000 is 0.4 m = 15.75 in, at 100 dpi 1575 px.
    map->setMapScale(1000);
    options.width.reset();
    options.dpi = 100;
    t = render::planExport(*map, options);
    EXPECT_EQ(t.deviceFrame().right, 1575);
    EXPECT_NEAR(t.mapScale(), 1000, 1);
    // Neither: 1200 pixels.
    options.dpi.reset();
    EXPECT_EQ(render::planExport(*map, options).deviceFrame().right, 1200);
}

TEST_F(MapPicture, WritesPngSvgAndPdfWholeOrNotAtAll) {
    render::ExportOptions options;
    options.width = 240;
    for (const auto& [name, magic] :
         std::vector<std::pair<std::string, std::string>>{{"map.png", "\x89PNG"}, {"map.svg", "<?xml"}, {"MAP.PDF", "%PDF"}}) {
        render::exportMap(*map, file(name), options);
        EXPECT_EQ(head(file(name), magic.size()), magic) << name;
    }
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"MAP.PDF", "map.png", "map.svg"}))
        << "no temporary files remain";
    EXPECT_NE(head(file("map.svg"), 4096).find("<svg"), std::string::npos);

    // A cancelled drawing leaves the older picture of that name as it was.
    { std::ofstream(file("old.png")) << "older picture"; }
    for (const char* name : {"old.png"}) {
        options.progress = [](std::size_t, std::size_t) { return false; };
        try {
            render::exportMap(*map, file(name), options);
            FAIL() << "cancelled";
        } catch (const render::Error& e) {
            EXPECT_EQ(e.number(), renderCode(render::code::Cancelled));
        }
    }
    EXPECT_EQ(head(file("old.png"), 100), "older picture");
    for (const char* name : {"c.svg", "c.pdf"}) {
        EXPECT_THROW(render::exportMap(*map, file(name), options), render::Error);
    }
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"MAP.PDF", "map.png", "map.svg", "old.png"}));
}

// An SVG or PDF picture drawn back into pixels by the Debian tools that read them (cairo reads
// neither format), at the pixel size of the PNG of the same map.
Image rasterised(const std::string& path, int width, int height, const std::string& png) {
    std::string command;
    if (path.ends_with(".svg")) {
        command = "rsvg-convert --width " + std::to_string(width) + " --height " + std::to_string(height) +
                  " --background-color white --output '" + png + "' '" + path + "'";
    } else {
        const std::string base = png.substr(0, png.size() - 4);
        command = "pdftocairo -png -singlefile -scale-to-x " + std::to_string(width) + " -scale-to-y " +
                  std::to_string(height) + " '" + path + "' '" + base + "'";
    }
    const int status = std::system((command + " 2>&1").c_str());
    EXPECT_EQ(status, 0) << command << " (scripts/install-deps.sh installs poppler-utils and librsvg2-bin)";
    render::SurfacePtr surface(cairo_image_surface_create_from_png(png.c_str()));
    EXPECT_EQ(cairo_surface_status(surface.get()), CAIRO_STATUS_SUCCESS) << png;
    if (cairo_image_surface_get_format(surface.get()) != CAIRO_FORMAT_ARGB32) {
        render::SurfacePtr argb(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        render::ContextPtr cr(cairo_create(argb.get()));
        cairo_set_source_surface(cr.get(), surface.get(), 0, 0);
        cairo_paint(cr.get());
        cr.reset();
        surface = std::move(argb);
    }
    return Image(std::move(surface));
}

TEST_F(MapPicture, SvgAndPdfDrawWhatThePngDraws) {
    // Symbols at two sizes: the vector pictures scale their page with the pixel width, so a
    // mistake in that scale shows at one of them.
    map->addLayer(markerLayer({{20, 180}, {180, 20}}, 0x808080));
    for (const int width : {200, 320}) {
        render::ExportOptions options;
        options.width = width;
        options.extent = host::Envelope(0, 0, 200, 200);
        const Image png(render::renderImage(*map, render::planExport(*map, options)));
        for (const std::string format : {"svg", "pdf"}) {
            const std::string name = "map-" + std::to_string(width) + "." + format;
            render::exportMap(*map, file(name), options);
            const Image drawn = rasterised(file(name), png.width(), png.height(), file(name + ".png"));
            ASSERT_EQ(drawn.width(), png.width()) << name;
            ASSERT_EQ(drawn.height(), png.height()) << name;
            drawn.keep("map-export-" + std::to_string(width) + "-" + format);
            const double k = width / 200.0;
            const auto px = [k](double v) { return static_cast<int>(std::lround(v * k)); };
            EXPECT_TRUE(drawn.near(px(46), px(130), rgbOf(kRed), 24)) << name;
            EXPECT_TRUE(drawn.near(px(54), px(140), rgbOf(kGreen), 24)) << name;
            EXPECT_TRUE(drawn.near(px(96), px(170), rgbOf(kBlue), 24)) << name;
            EXPECT_TRUE(drawn.near(px(20), px(20), rgbOf(0x808080), 24)) << name;
            EXPECT_TRUE(drawn.isWhite(px(100), px(100))) << name;
            const ImageDifference d = differenceOf(drawn.surface(), png.surface());
            EXPECT_LE(d.far, static_cast<long>(png.width()) * png.height() / 200) << name << ": pixels far from the PNG";
            EXPECT_LT(d.mean, 2.0) << name << ": mean difference from the PNG";
        }
    }
}

TEST_F(MapPicture, VectorPicturesShowNoSelectionHandles) {
    map->selectElement(chartElement);
    render::ExportOptions options;
    options.width = 200;
    options.extent = host::Envelope(0, 0, 200, 200);
    for (const std::string format : {"svg", "pdf"}) {
        const std::string name = "selection." + format;
        render::exportMap(*map, file(name), options);
        const Image drawn = rasterised(file(name), 200, 200, file(name + ".png"));
        EXPECT_FALSE(elementFramed(drawn)) << name;
        EXPECT_TRUE(drawn.near(96, 170, rgbOf(kBlue), 24)) << name << ": the selected chart itself is drawn";
    }
}

TEST_F(MapPicture, PngRecordsItsResolutionInPixelsPerMetre) {
    // What other programs print the picture at: the pHYs chunk, in pixels per metre.
    for (const auto& [dpi, perMetre] : std::vector<std::pair<double, std::uint32_t>>{{96, 3780}, {300, 11811}}) {
        render::ExportOptions options;
        options.width = 50;
        options.dpi = dpi;
        render::exportMap(*map, file("res.png"), options);
        const std::string bytes = head(file("res.png"), 1 << 16);
        const std::size_t at = bytes.find("pHYs");
        ASSERT_NE(at, std::string::npos) << dpi;
        ASSERT_GE(bytes.size(), at + 13);
        const auto u32 = [&](std::size_t i) {
            std::uint32_t v = 0;
            for (std::size_t k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(bytes[i + k]);
            return v;
        };
        EXPECT_EQ(u32(at + 4), perMetre) << dpi;
        EXPECT_EQ(u32(at + 8), perMetre) << dpi;
        EXPECT_EQ(bytes[at + 12], 1) << "unit: the metre";
    }
}

TEST_F(MapPicture, ProgressCountsFeaturesAndElementsToTheEnd) {
    std::vector<std::pair<std::size_t, std::size_t>> reports;
    render::ExportOptions options;
    options.width = 100;
    options.progress = [&](std::size_t done, std::size_t total) {
        reports.emplace_back(done, total);
        return true;
    };
    render::exportMap(*map, file("p.png"), options);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back(), (std::pair<std::size_t, std::size_t>{3, 3})) << "2 features and 1 element";
    EXPECT_EQ(render::drawingWork(*map), 3u);
}

TEST_F(MapPicture, BadSizesResolutionsExtentsAndPathsAreClearErrors) {
    const auto failsWith = [&](render::ExportOptions options, const std::string& path, std::int32_t number) {
        try {
            render::exportMap(*map, path, options);
            ADD_FAILURE() << "no error for " << path;
        } catch (const host::Error& e) {
            EXPECT_EQ(e.number(), number) << e.description();
            EXPECT_FALSE(e.description().empty());
        }
    };
    render::ExportOptions options;
    const std::string png = file("x.png");
    for (const int width : {0, -20, 40000}) {
        options.width = width;
        failsWith(options, png, renderCode(render::code::BadSize));
    }
    options.width = 100;
    for (const double dpi : {0.0, -96.0, nan, inf}) {
        options.dpi = dpi;
        failsWith(options, png, renderCode(render::code::BadResolution));
    }
    options.dpi.reset();
    for (const host::Envelope& e :
         {host::Envelope(), host::Envelope(5, 5, 5, 50), host::Envelope(0, 0, nan, 10), host::Envelope(-inf, 0, 10, 10)}) {
        options.extent = e;
        failsWith(options, png, renderCode(render::code::BadExtent));
    }
    options.extent.reset();
    failsWith(options, file("x.gif"), renderCode(render::code::BadFormat));
    failsWith(options, file("missing/x.png"), host::hostErrorBase + 80);
    // A folder nobody may write in (as the superuser, /proc stands in).
    std::filesystem::create_directory(folder.path() / "locked");
    std::filesystem::permissions(folder.path() / "locked",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const std::string locked = ::geteuid() == 0 ? "/proc/plotlet-test.png" : (folder.path() / "locked" / "x.png").string();
    failsWith(options, locked, host::hostErrorBase + 80);
    std::filesystem::permissions(folder.path() / "locked", std::filesystem::perms::owner_all);
    EXPECT_EQ(entriesOf(folder.path()), (std::vector<std::string>{"locked"}));

    // A map with nothing to draw needs an extent.
    host::Map empty;
    EXPECT_THROW(render::planExport(empty, {}), render::Error);
    options.extent = host::Envelope(0, 0, 10, 10);
    EXPECT_NO_THROW(render::exportMap(empty, file("empty.png"), options));
}

TEST_F(MapPicture, NonFiniteCoordinatesAndValuesDrawSensibly) {
    auto& c = charts->container();
    c.addElement(markerAt({nan, 50}, barChart({5}, {kGreen}, 10)));
    c.addElement(markerAt({inf, -inf}, barChart({5}, {kGreen}, 10)));
    c.addElement(markerAt({20, 180}, barChart({nan, inf, -inf, 1e308}, {kGreen, kGreen, kGreen, kGreen}, 10)));
    c.addElement(markerAt({60, 180}, barChart({5, 5}, {kGreen, kGreen}, 0)));
    c.addElement(markerAt({80, 180}, barChart({5}, {kGreen}, nan, inf, 1e300)));
    c.addElement(textAt({1e300, 1e300}, "far", 10, 1, 1));
    c.addElement(textAt({100, 100}, "huge", 1e12, 1, 1));
    c.addElement(textAt({100, 100}, "nan", nan, 1, 1));
    auto wild = std::make_shared<host::Polygon>();
    wild->addRing({{190, 10}, {190, 1e15}, {1e15, 1e15}, {nan, 5}, {1e15, 10}});
    auto polygon = std::make_shared<host::PolygonElement>();
    polygon->setGeometry(wild);
    polygon->setSymbol(solidFill(0x808080, 0));
    c.addElement(polygon);
    auto line = std::make_shared<host::LineElement>();
    auto path = std::make_shared<host::Polyline>();
    path->addPath({{0, 195}, {1e18, 195}, {nan, nan}, {10, 10}});
    line->setGeometry(path);
    line->setSymbol(std::static_pointer_cast<host::LineSymbol>(zigzag(1, 1, 0, 0)->symbol()->cloneSymbol()));
    std::static_pointer_cast<host::LineSymbol>(line->symbol())->setColor(host::RgbColor(0));
    c.addElement(line);
    // Sizes that are zero or negative draw nothing.
    auto negative = barChart({5, 5}, {kGreen, kGreen}, 10, -4, -30);
    c.addElement(markerAt({100, 100}, negative));
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setSize(-3);
    c.addElement(markerAt({100, 100}, marker));
    // A group cannot become a member of its own member: nesting stays a tree to draw and measure.
    auto a = std::make_shared<host::GroupElement>(), b = std::make_shared<host::GroupElement>();
    a->addElement(b);
    EXPECT_ANY_THROW(b->addElement(a));
    b->addElement(markerAt({180, 100}, barChart({3}, {kGreen}, 10)));
    c.addElement(a);
    map->selectElement(a);
    const Image image = picture();
    image.keep("map-non-finite");
    EXPECT_TRUE(image.isWhite(100, 98)) << "nothing of negative size";
    EXPECT_TRUE(image.near(180, 95, rgbOf(kGreen))) << "the chart inside the nested group";
    EXPECT_TRUE(image.near(96, 170, rgbOf(kBlue))) << "the sound chart is still drawn";
    EXPECT_TRUE(image.near(195, 150, rgbOf(0x808080))) << "the far polygon is cut at the frame";
    EXPECT_TRUE(image.near(100, 4, {0, 0, 0}, 110) && image.near(100, 5, {0, 0, 0}, 110))
        << "the far line too (1.33 px over two rows)";
    EXPECT_TRUE(image.near(24, 10, rgbOf(kGreen))) << "infinite values stand at the full size";
}

TEST_F(MapPicture, AFontThatDoesNotExistDrawsInASansFace) {
    charts->container().addElement(textAt({100, 100}, "Пример", 14, 1, 1, "No Such Font"));
    const Image image = picture();
    const render::DeviceBox ink = image.ink(60, 80, 140, 120);
    ASSERT_FALSE(ink.empty);
    EXPECT_GT(ink.x1 - ink.x0, 30);
}

}  // namespace

namespace {

TEST(ViewDrawing, APartialRefreshRepaintsItsAreaOnly) {
    render::install();
    host::MxDocument document;
    const host::MapPtr& map = document.focusMap();
    map->setExtent(host::Envelope(0, 0, 1000, 1000));  // the screen display: 1000 × 1000 px
    auto layer = map->basicGraphicsLayer()->addLayer("charts", nullptr);
    layer->container().addElement(markerAt({250, 500}, barChart({10}, {kRed}, 10)));
    auto green = markerAt({750, 500}, barChart({10}, {kGreen}, 10));
    layer->container().addElement(green);
    map->selectElement(green);

    render::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1000, 1000));
    render::ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 0, 0, 0);  // what the canvas showed before
    cairo_paint(cr.get());
    render::drawView(cr.get(), document, {false, host::ViewDrawPhase::Graphics, host::Envelope(600, 400, 900, 600)});
    cr.reset();
    const Image image(std::move(surface));
    EXPECT_TRUE(image.near(750, 480, rgbOf(kGreen))) << "the chart inside the area is drawn";
    EXPECT_TRUE(image.isWhite(620, 420)) << "on a fresh background";
    EXPECT_TRUE(image.near(250, 480, {0, 0, 0})) << "outside the area nothing changes";
    const render::DeviceBox handles = image.inkOf({0, 255, 255}, 60);
    EXPECT_FALSE(handles.empty) << "the screen shows the selected chart's handles";
    EXPECT_GT(handles.x0, 700);
    host::setDisplayFactory(nullptr);
}

}  // namespace

namespace {

// The PNG writer is our own: what it writes reads back (through libpng) as drawn, opaque images
// as RGB and translucent ones with their alpha, whether compressed at once or row by row.
TEST(PngFiles, ReadBackAsDrawn) {
    testing_support::TempFolder folder;
    for (const bool opaque : {true, false}) {
        for (const std::size_t limit : {render::kPngInMemoryLimit, std::size_t{0}}) {
            render::SurfacePtr image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 370, 23));
            render::ContextPtr cr(cairo_create(image.get()));
            if (opaque) {
                cairo_set_source_rgb(cr.get(), 1, 1, 1);
                cairo_paint(cr.get());
            }
            cairo_set_source_rgba(cr.get(), 0.8, 0.2, 0.1, opaque ? 1.0 : 0.6);
            cairo_arc(cr.get(), 18, 11, 9.3, 0, 6.3);
            cairo_fill(cr.get());
            cairo_set_source_rgba(cr.get(), 0.1, 0.5, 0.9, 0.7);
            cairo_rectangle(cr.get(), 40.5, 2.5, 300, 17);
            cairo_fill(cr.get());
            cr.reset();
            const std::string name = std::string(opaque ? "opaque" : "translucent") + (limit == 0 ? "-rows" : "") + ".png";
            render::writePng(image.get(), (folder / name).string(), 150, limit);
            render::SurfacePtr back(cairo_image_surface_create_from_png((folder / name).c_str()));
            ASSERT_EQ(cairo_surface_status(back.get()), CAIRO_STATUS_SUCCESS) << name;
            const Image a(std::move(image)), b(std::move(back));
            int worst = 0;
            for (int y = 0; y < 23; ++y) {
                for (int x = 0; x < 370; ++x) {
                    const Rgb p = a.at(x, y), q = b.at(x, y);
                    worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
                }
            }
            EXPECT_LE(worst, 2) << name;
            EXPECT_EQ(head((folder / name).string(), 26).substr(25, 1), std::string(1, opaque ? '\x02' : '\x06')) << name;
        }
    }
}

}  // namespace
