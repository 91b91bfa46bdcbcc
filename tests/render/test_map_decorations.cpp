// The finishing of a picture: the map legend read from the charts themselves (swatches in the
// field symbols, a size bar that measures like a chart bar), its corner, and a scale bar whose
// length equals its label at the picture's scale on projected and geographic maps.
#include <gtest/gtest.h>

#include <cmath>

#include "host/PropertySet.h"
#include "host/SpatialReference.h"
#include "render/LayerDrawing.h"
#include "render/MapDecorations.h"
#include "render/RenderFixtures.h"

using namespace rendertest;

namespace {

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00C000, kBlue = 0xFF0000;

// A chart as the builder leaves it: the symbol and the data it was drawn from.
std::shared_ptr<host::MarkerElement> chartWithData(host::XY at, const std::vector<double>& drawn,
                                                   const std::vector<double>& data) {
    auto element = markerAt(at, barChart(drawn, {kRed, kGreen}, 10, 6, 30));
    auto set = std::make_shared<host::PropertySet>();
    set->setProperty("LayerName", runtime::Variant(std::string("Города")));
    set->setProperty("#Vmax#", runtime::Variant(10.0));
    set->setProperty("#Vmin#", runtime::Variant(0.0));
    set->setProperty("Мужчины", runtime::Variant(data[0]));
    set->setProperty("Женщины", runtime::Variant(data[1]));
    element->setCustomProperty(runtime::Variant(set));
    return element;
}

struct Drawn {
    Image image;
    render::DecorationLayout layout;
};

// The non-white run of a pixel column through x, from y0 to y1 (pixels).
int inkRun(const Image& image, int x, int y0, int y1) {
    int first = -1, last = -1;
    for (int y = std::max(0, y0); y < std::min(image.height(), y1); ++y) {
        if (!image.isWhite(x, y, 40)) {
            if (first < 0) first = y;
            last = y;
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

// The pixels of a colour in a column through x, from y0 to y1.
int colourRun(const Image& image, int x, int y0, int y1, Rgb colour) {
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(image.height(), y1); ++y) count += image.near(x, y, colour, 12) ? 1 : 0;
    return count;
}

class MapLegend : public ::testing::Test {
protected:
    void SetUp() override {
        map = std::make_shared<host::Map>();
        charts = map->basicGraphicsLayer()->addLayer("Towns_charts", nullptr);
    }
    // The map's 200 × 200 units on a square picture of `width` pixels at 96 dpi.
    Drawn draw(int width, const render::MapDecorations& decorations, double referenceScale = 0,
               const host::Envelope& visible = host::Envelope(0, 0, 200, 200)) {
        const host::DisplayTransformation t = frameOf(width, width, visible, 96, referenceScale);
        render::DecorationLayout layout;
        Image image = drawImage(t, [&](render::Canvas& canvas) {
            render::drawMap(canvas, *map);
            layout = render::drawMapDecorations(canvas, *map, decorations);
        });
        return {std::move(image), layout};
    }
    host::MapPtr map;
    host::GraphicsLayerPtr charts;
};

TEST_F(MapLegend, SwatchesAreTheFieldSymbolsAndTheSizeBarMeasuresLikeAChartBar) {
    charts->container().addElement(chartWithData({150, 40}, {10, 4}, {10, 4}));
    charts->container().addElement(chartWithData({170, 140}, {6, 8}, {6, 8}));
    map->setMapScale(5000);
    for (int width : {300, 600}) {
        // With a reference scale the charts grow with the picture; the size bar must grow with
        // them. (At 1:4000 the full bar is 21 % of the picture's height: no smaller key needed.)
        const Drawn d = draw(width, {}, 4000);
        d.image.keep("legend-" + std::to_string(width));
        ASSERT_EQ(d.layout.swatches.size(), 2u);
        ASSERT_EQ(d.layout.sizeBars.size(), 1u) << "no minimum was set";
        EXPECT_EQ(d.layout.sizeValues, std::vector<double>{10}) << "the scale's largest value";
        const auto centre = [](const render::DeviceBox& b) { return std::pair<int, int>((b.x0 + b.x1) / 2, (b.y0 + b.y1) / 2); };
        const auto [rx, ry] = centre(d.layout.swatches[0]);
        const auto [gx, gy] = centre(d.layout.swatches[1]);
        EXPECT_TRUE(d.image.near(rx, ry, rgbOf(kRed)));
        EXPECT_TRUE(d.image.near(gx, gy, rgbOf(kGreen)));
        // The chart at (150, 40) has its maximum in bar 0: the same run of ink as the size bar.
        const double perUnit = width / 200.0;
        const host::DisplayTransformation t = frameOf(width, width, host::Envelope(0, 0, 200, 200), 96, 4000);
        const double q = 6 * t.mapUnitsPerPoint() * t.pixelsPerMapUnit();  // the bar's width in pixels
        const int chartX = static_cast<int>(150 * perUnit - q / 2);
        const int chartBar = inkRun(d.image, chartX, 0, static_cast<int>(width - 40 * perUnit) + 3);
        const render::DeviceBox& bar = d.layout.sizeBars[0];
        const int sizeBar = inkRun(d.image, static_cast<int>((bar.x0 + bar.x1) / 2), static_cast<int>(bar.y0) - 3,
                                   static_cast<int>(bar.y1) + 3);
        EXPECT_NEAR(sizeBar, chartBar, 1) << "width " << width;
        EXPECT_NEAR(bar.y1 - bar.y0, 30 * t.mapUnitsPerPoint() * t.pixelsPerMapUnit(), 0.01);
    }
}

TEST_F(MapLegend, ZoomedInFarTheSizeKeyShowsARoundValueThatStillMeasuresLikeTheCharts) {
    // 20 units on 300 pixels is 1:252; at the reference scale 1:5000 the charts grow 19.8
    // times: the bar of the largest value (30 points) would be 794 pixels tall.
    const host::Envelope visible(90, 60, 110, 80);
    const host::DisplayTransformation t = frameOf(300, 300, visible, 96, 5000);
    const double pixelsPerPoint = t.mapUnitsPerPoint() * t.pixelsPerMapUnit();
    ASSERT_GT(30 * pixelsPerPoint, 300);
    // A quarter of the picture holds 75 pixels, the bar of 0.94: the key is 0.5.
    charts->container().addElement(chartWithData({100, 65}, {0.5, 0.3}, {0.5, 0.3}));
    const Drawn d = draw(300, {}, 5000, visible);
    d.image.keep("legend-zoomed-in");
    ASSERT_EQ(d.layout.sizeBars.size(), 1u);
    EXPECT_EQ(d.layout.sizeValues, std::vector<double>{0.5});
    const render::DeviceBox& bar = d.layout.sizeBars[0];
    EXPECT_NEAR(bar.y1 - bar.y0, 0.5 / 10 * 30 * pixelsPerPoint, 0.01);
    EXPECT_LE(bar.y1 - bar.y0, 75);
    EXPECT_TRUE(d.layout.legend.x0 >= 0 && d.layout.legend.y0 >= 0 && d.layout.legend.x1 <= 300 && d.layout.legend.y1 <= 300)
        << "the legend stays inside the picture";
    // The key's outline, as thick as the charts' (6.6 pixels each side), stays clear of the
    // swatch rows above it and inside the legend's box.
    const double line = 0.25 * pixelsPerPoint;
    EXPECT_GE(bar.y0 - line, d.layout.swatches[1].y1);
    EXPECT_LE(bar.y1 + line, d.layout.legend.y1);
    EXPECT_GE(bar.x0 - line, d.layout.legend.x0);
    // The chart's bar of 0.5 (its left bar, left of the marker at x 150) is as tall as the
    // key's bar: their fills, inside outlines that grow with the charts (13 pixels here), match.
    const int chartX = static_cast<int>(150 - 6 * pixelsPerPoint / 2);
    ASSERT_LT(chartX, d.layout.legend.x0) << "the probe passes beside the legend";
    const int chartFill = colourRun(d.image, chartX, 0, 300, rgbOf(kRed));
    const int keyFill = colourRun(d.image, static_cast<int>((bar.x0 + bar.x1) / 2), static_cast<int>(bar.y0),
                                  static_cast<int>(bar.y1) + 1, rgbOf(0xC8C8C8));
    EXPECT_GT(chartFill, 20);
    EXPECT_NEAR(keyFill, chartFill, 1);
    // The swatches keep the picture's thin outline: their colours show.
    for (std::size_t k = 0; k < 2; ++k) {
        const render::DeviceBox& s = d.layout.swatches[k];
        EXPECT_TRUE(d.image.near(static_cast<int>((s.x0 + s.x1) / 2), static_cast<int>((s.y0 + s.y1) / 2),
                                 rgbOf(k == 0 ? kRed : kGreen)))
            << "swatch " << k;
    }

    // A minimum above the round value: the key is the minimum's own bar.
    charts->container().deleteAllElements();
    charts->container().addElement(chartWithData({100, 65}, {0.9, 0.8}, {0.9, 0.1}));  // 0.1 drawn at 0.8
    const Drawn raised = draw(300, {}, 5000, visible);
    EXPECT_EQ(raised.layout.sizeValues, std::vector<double>{0.8});
    ASSERT_EQ(raised.layout.sizeBars.size(), 1u);
    EXPECT_NEAR(raised.layout.sizeBars[0].y1 - raised.layout.sizeBars[0].y0, 0.8 / 10 * 30 * pixelsPerPoint, 0.01);
}

TEST_F(MapLegend, AMinimumShowsWhereChartsRaiseSmallValuesToIt) {
    charts->container().addElement(chartWithData({150, 40}, {10, 3}, {10, 1}));  // 1 drawn at the minimum 3
    charts->container().addElement(chartWithData({170, 140}, {5, 8}, {5, 8}));
    const std::vector<render::ChartLegend> legends = render::chartLegends(*map);
    ASSERT_EQ(legends.size(), 1u);
    EXPECT_EQ(legends[0].layerName, "Города");
    EXPECT_EQ(legends[0].fields, (std::vector<std::string>{"Мужчины", "Женщины"}));
    EXPECT_EQ(legends[0].maxValue, 10);
    ASSERT_TRUE(legends[0].minValue);
    EXPECT_EQ(*legends[0].minValue, 3);
    const Drawn d = draw(300, {});
    ASSERT_EQ(d.layout.sizeBars.size(), 2u);
    const auto height = [](const render::DeviceBox& b) { return b.y1 - b.y0; };
    EXPECT_NEAR(height(d.layout.sizeBars[1]) / height(d.layout.sizeBars[0]), 0.3, 1e-9);
    EXPECT_EQ(d.layout.sizeBars[0].y1, d.layout.sizeBars[1].y1) << "both stand on one zero line";
}

TEST_F(MapLegend, AMapOfManyChartsGivesTheLegendAndCornersOfOneWalk) {
    // Enough charts for two runs over them: the minimum shown only by the last chart, charts
    // made by hand (no data) at the front; and the corner count summed over both runs.
    for (int k = 0; k < 12'000; ++k)
        charts->container().addElement(markerAt({10.0 + k % 90, 110.0 + k % 80}, barChart({3, 3}, {kRed, kBlue}, 10)));
    for (int k = 0; k < 12'000; ++k) charts->container().addElement(chartWithData({110.0 + k % 80, 110.0 + k % 80}, {5, 8}, {5, 8}));
    charts->container().addElement(chartWithData({150, 40}, {10, 3}, {10, 1}));  // 1 drawn at the minimum 3
    const std::vector<render::ChartLegend> legends = render::chartLegends(*map);
    ASSERT_EQ(legends.size(), 1u);
    EXPECT_EQ(legends[0].fields, (std::vector<std::string>{"Мужчины", "Женщины"}));
    ASSERT_TRUE(legends[0].minValue);
    EXPECT_EQ(*legends[0].minValue, 3);
    // The top corners are crowded (left by the hand-made charts, right by the others), one
    // chart stands at the bottom right: the legend takes the empty bottom left.
    const Drawn d = draw(400, {});
    EXPECT_EQ(d.layout.legendCorner, 2);
}

TEST_F(MapLegend, TakesTheCornerCoveringFewestChartsAndOnlyWhenThereAreCharts) {
    // Charts everywhere but near the bottom-left corner.
    for (double x = 10; x < 200; x += 30) {
        for (double y = 10; y < 200; y += 30) {
            if (x < 100 && y < 100) continue;
            charts->container().addElement(chartWithData({x, y}, {3, 3}, {3, 3}));
        }
    }
    const Drawn d = draw(400, {});
    EXPECT_EQ(d.layout.legendCorner, 2);
    EXPECT_GT(d.layout.legend.x1, d.layout.legend.x0);
    EXPECT_TRUE(d.image.isWhite(static_cast<int>(d.layout.legend.x1) - 3, static_cast<int>(d.layout.legend.y1) - 3))
        << "the legend stands on a white box";

    render::MapDecorations off;
    off.legend = false;
    EXPECT_TRUE(draw(400, off).layout.legend.empty);
    // Charts without their data (made by hand) give no legend.
    charts->container().deleteAllElements();
    charts->container().addElement(markerAt({50, 50}, barChart({3, 3}, {kRed, kBlue}, 10)));
    EXPECT_TRUE(render::chartLegends(*map).empty());
    EXPECT_TRUE(draw(400, {}).layout.legend.empty);
}

// The run of the scale bar's ink along the row through its middle.
int barRun(const Image& image, const render::DeviceBox& bar) {
    const int y = static_cast<int>((bar.y0 + bar.y1) / 2);
    int first = -1, last = -1;
    for (int x = std::max(0, static_cast<int>(bar.x0) - 5); x < std::min(image.width(), static_cast<int>(bar.x1) + 6); ++x) {
        if (!image.isWhite(x, y, 40)) {
            if (first < 0) first = x;
            last = x;
        }
    }
    return first < 0 ? 0 : last - first + 1;
}

TEST(ScaleBar, LengthEqualsItsLabelOnProjectedAndGeographicMaps) {
    render::MapDecorations decorations;
    decorations.legend = false;
    decorations.scaleBar = true;
    decorations.northArrow = true;
    {
        // Metres: 10 km across 500 pixels is 20 m a pixel; at most 150 pixels gives 2 km in 100.
        auto map = std::make_shared<host::Map>();
        const host::DisplayTransformation t = frameOf(500, 300, host::Envelope(0, 0, 10000, 6000));
        render::DecorationLayout layout;
        const Image image = drawImage(t, [&](render::Canvas& c) { layout = render::drawMapDecorations(c, *map, decorations); });
        image.keep("scale-bar-projected");
        ASSERT_TRUE(layout.scale);
        EXPECT_EQ(layout.scale->label, "2 km");
        EXPECT_DOUBLE_EQ(layout.scale->pixels, 100);
        EXPECT_NEAR(barRun(image, layout.scaleBar), 100, 1);
        EXPECT_FALSE(layout.northArrow.empty);
    }
    {
        // Degrees at latitude 59.5: a degree of longitude is 111,319.49 m × cos 59.5°.
        auto map = std::make_shared<host::Map>();
        map->setSpatialReference(
            std::make_shared<host::SpatialReference>("WGS 84", "GEOGCS[\"WGS 84\"]", 111319.49, true, 4326));
        host::DisplayTransformation t = frameOf(500, 250, host::Envelope(10, 59, 12, 60));
        t.setMetresPerUnit(111319.49);
        decorations.russian = true;
        render::DecorationLayout layout;
        const Image image = drawImage(t, [&](render::Canvas& c) { layout = render::drawMapDecorations(c, *map, decorations); });
        image.keep("scale-bar-geographic");
        ASSERT_TRUE(layout.scale);
        const double metresPerPixel = 111319.49 * std::cos(59.5 * M_PI / 180) * 2 / 500;  // 226 m
        // At most 150 pixels is 33.9 km: the bar is 20 km, 88.5 pixels.
        EXPECT_EQ(layout.scale->label, "20 км");
        EXPECT_NEAR(layout.scale->pixels, 20000 / metresPerPixel, 1e-6);
        EXPECT_NEAR(barRun(image, layout.scaleBar), 20000 / metresPerPixel, 1.5);
    }
}

TEST(ScaleBar, WebMercatorMetresShrinkWithTheLatitude) {
    // Around 60° north a metre of the web's Mercator is half a metre on the ground.
    const double y = 6378137.0 * std::log(std::tan(M_PI / 4 + 60 * M_PI / 360));
    const host::DisplayTransformation t = frameOf(1000, 100, host::Envelope(0, y - 500, 10000, y + 500));
    const host::SpatialReference mercator("WGS 84 / Pseudo-Mercator", "PROJCS[\"WGS 84 / Pseudo-Mercator\"]", 1.0, false, 3857);
    EXPECT_NEAR(render::groundMetresPerPixel(t, mercator), 5.0, 1e-6);
    EXPECT_NEAR(render::groundMetresPerPixel(t, host::SpatialReference()), 10.0, 1e-9);
    EXPECT_EQ(render::planScaleBar(t, mercator, 300, false)->label, "1 km");  // 1.5 km fits: 1 km in 200 pixels
    EXPECT_DOUBLE_EQ(render::planScaleBar(t, mercator, 300, false)->pixels, 200);
}

TEST(ScaleBar, RoundLengthsInMetresAndKilometres) {
    const auto label = [](double metresAcross, double maxPixels) {
        const host::DisplayTransformation t = frameOf(1000, 100, host::Envelope(0, 0, metresAcross, metresAcross / 10));
        return render::planScaleBar(t, host::SpatialReference(), maxPixels, false)->label;
    };
    EXPECT_EQ(label(1000, 300), "200 m");   // 1 m a pixel: 300 m → 200 m
    EXPECT_EQ(label(1000, 600), "500 m");
    EXPECT_EQ(label(10, 300), "2 m");
    EXPECT_EQ(label(1, 300), "0.2 m");
    EXPECT_EQ(label(5e6, 300), "1000 km");  // 5 km a pixel: 1500 km → 1000 km
}

}  // namespace

namespace {

bool overlap(const render::DeviceBox& a, const render::DeviceBox& b) {
    return !a.empty && !b.empty && a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool inside(const render::DeviceBox& box, int w, int h) { return box.x0 >= 0 && box.y0 >= 0 && box.x1 <= w && box.y1 <= h; }

TEST_F(MapLegend, TitleArrowAndScaleBarStayInsideAndClearOfTheLegend) {
    charts->container().addElement(chartWithData({30, 30}, {10, 4}, {10, 4}));  // bottom left: the legend goes top right
    render::MapDecorations all;
    all.title = "A title much too long for a picture of three hundred pixels, which must shrink to fit it";
    all.scaleBar = true;
    all.northArrow = true;
    const Drawn d = draw(300, all);
    d.image.keep("decorations-300");
    EXPECT_EQ(d.layout.legendCorner, 1);
    for (const render::DeviceBox* box : {&d.layout.title, &d.layout.legend, &d.layout.northArrow, &d.layout.scaleBar})
        EXPECT_TRUE(inside(*box, 300, 300)) << box->x0 << ',' << box->y0 << ' ' << box->x1 << ',' << box->y1;
    EXPECT_FALSE(overlap(d.layout.title, d.layout.legend));
    EXPECT_FALSE(overlap(d.layout.title, d.layout.northArrow));
    EXPECT_FALSE(overlap(d.layout.legend, d.layout.northArrow)) << "the arrow gives way to the legend";
    EXPECT_FALSE(overlap(d.layout.legend, d.layout.scaleBar));
    EXPECT_LT(d.layout.northArrow.x0, 150) << "top left";
    EXPECT_LT(d.layout.scaleBar.x0, 150) << "bottom left, clear of the chart above it";

    // A chart low in the bottom-left corner: the scale bar takes the bottom right instead.
    charts->container().addElement(chartWithData({30, 3}, {10, 4}, {10, 4}));
    const Drawn moved = draw(300, all);
    EXPECT_GT(moved.layout.scaleBar.x0, 150);
}

}  // namespace
