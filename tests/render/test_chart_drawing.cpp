// Charts as the builder makes them, drawn and probed: bars where their values put them in their
// fill and outline colours, the white break mark across a cut bar, a label centred over its bar,
// the leader only outside its tolerance, and bounds that equal what is drawn.
#include <gtest/gtest.h>

#include <cmath>

#include "host/ChartGeometry.h"
#include "render/ElementDrawing.h"
#include "render/RenderFixtures.h"

using namespace rendertest;

namespace {

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00C000, kBlue = 0xFF0000;

// 200 × 200 pixels at 96 dpi over map units 0…200: one map unit is one pixel, and a point is
// 4/3 pixels.
host::DisplayTransformation unitFrame() { return frameOf(200, 200, host::Envelope(0, 0, 200, 200)); }

// Device x, y of a map point on unitFrame.
int dx(double x) { return static_cast<int>(std::floor(x)); }
int dy(double y) { return static_cast<int>(std::floor(200 - y)); }

class ChartDrawing : public ::testing::Test {
protected:
    // Three bars 6 points (8 px) wide; 30 points (40 px) for the maximum value 10.
    host::BarChartSymbolPtr chart = barChart({10, 5, 0}, {kRed, kGreen, kBlue}, 10);
    host::XY at{100, 50};
};

TEST_F(ChartDrawing, BarsStandOnTheMarkerPointInTheirFillAndOutlineColours) {
    for (const auto& symbol : chart->symbols()) {
        std::static_pointer_cast<host::FillSymbol>(symbol)->outline()->setWidth(1.5);  // 2 px: whole outline pixels
    }
    const Image image = drawImage(unitFrame(), [&](render::Canvas& c) { render::drawElement(c, *markerAt(at, chart)); });
    image.keep("chart-bars");
    // Box: x 88…112, y (map) 50…90. Bar 0 full height, bar 1 half, bar 2 none.
    EXPECT_TRUE(image.near(92, dy(70), rgbOf(kRed)));
    EXPECT_TRUE(image.near(100, dy(60), rgbOf(kGreen)));
    EXPECT_TRUE(image.isWhite(100, dy(80))) << "bar 1 ends at half the size";
    EXPECT_TRUE(image.isWhite(108, dy(60))) << "a value of 0 draws no bar";
    // Outline 2 px centred on the edges: x 87…89 is black on the left edge of bar 0, and the
    // top edge of bar 0 lies at y 90.
    EXPECT_TRUE(image.near(87, dy(70), {0, 0, 0}));
    EXPECT_TRUE(image.near(88, dy(70), {0, 0, 0}));
    EXPECT_TRUE(image.near(92, dy(90), {0, 0, 0}));
    EXPECT_TRUE(image.near(92, dy(90) - 1, {0, 0, 0}));
    EXPECT_TRUE(image.near(92, dy(90) + 2, rgbOf(kRed)));
    EXPECT_TRUE(image.isWhite(85, dy(70)));
}

TEST_F(ChartDrawing, NegativeBarsHangFromTheZeroLine) {
    auto negative = barChart({10, -5}, {kRed, kGreen}, 10);
    const Image image = drawImage(unitFrame(), [&](render::Canvas& c) { render::drawElement(c, *markerAt(at, negative)); });
    // Box x 92…108, y from 50 (the point) to 110; the zero line at 70; bar 1 from 70 down to 50.
    EXPECT_TRUE(image.near(96, dy(100), rgbOf(kRed)));
    EXPECT_TRUE(image.isWhite(96, dy(65)));
    EXPECT_TRUE(image.near(104, dy(60), rgbOf(kGreen)));
    EXPECT_TRUE(image.isWhite(104, dy(80)));
}

TEST_F(ChartDrawing, BreakMarkCrossesTheCutBarInWhite) {
    // Bar 0 is cut: the builder draws the mark at 80 % of its height, across its width.
    const host::Envelope box = host::chartBox(*chart, at, 4.0 / 3.0);
    auto group = std::make_shared<host::GroupElement>();
    group->addElement(markerAt(at, chart));
    const double barWidth = box.width() / 3;
    group->addElement(zigzag(box.height() / 10, barWidth, box.xMin(), box.yMin() + 0.8 * box.height()));
    const Image image = drawImage(unitFrame(), [&](render::Canvas& c) { render::drawElement(c, *group); });
    image.keep("chart-break-mark");
    const double y = box.yMin() + 0.8 * box.height();
    // The flat start of the mark and its rising middle are white (a 1-point line is 1.33 px,
    // so a pixel it crosses is mostly white); the bar is red around them.
    const auto crossed = [&](double x) {
        bool white = false;
        for (int row = dy(y) - 2; row <= dy(y) + 2; ++row) white |= image.isWhite(dx(x), row, 90);
        return white;
    };
    EXPECT_TRUE(crossed(box.xMin() + barWidth / 16));
    EXPECT_TRUE(crossed(box.xMin() + barWidth / 2));
    EXPECT_TRUE(crossed(box.xMin() + barWidth * 15 / 16));
    EXPECT_TRUE(image.near(dx(box.xMin() + barWidth / 2), dy(y) - 5, rgbOf(kRed)));
    EXPECT_TRUE(image.near(dx(box.xMin() + barWidth / 2), dy(y) + 5, rgbOf(kRed)));
}

TEST_F(ChartDrawing, LabelIsCentredOverItsBar) {
    const host::Envelope box = host::chartBox(*chart, at, 4.0 / 3.0);
    const double barCentre = box.xMin() + box.width() / 3 / 2;
    auto label = textAt({barCentre, box.yMax()}, "808", 8, 1, 3);
    const Image image = drawImage(unitFrame(), [&](render::Canvas& c) {
        render::drawElement(c, *markerAt(at, chart));
        render::drawElement(c, *label);
    });
    image.keep("chart-label");
    const render::DeviceBox text = image.ink(0, 0, 200, dy(box.yMax()));  // above the bars
    ASSERT_FALSE(text.empty);
    EXPECT_NEAR((text.x0 + text.x1) / 2, barCentre, 1.0);
    EXPECT_LE(text.y1, dy(box.yMax()) + 0.5) << "bottom alignment keeps the text above the bar";
    EXPECT_GT(text.y1, dy(box.yMax()) - 4) << "and close to it";
}

TEST_F(ChartDrawing, LeaderIsDrawnOnlyOutsideItsTolerance) {
    auto callout = std::make_shared<host::LineCallout>();
    callout->setLeaderWidth(1.5);
    callout->setGap(3);
    callout->setLeaderTolerance(20);  // points: 26.7 px
    chart->setBackground(callout);

    callout->setAnchorPoint(host::XY{100, 30});  // 20 px below the box: within the tolerance
    const Image near = drawImage(unitFrame(), [&](render::Canvas& c) { render::drawElement(c, *markerAt(at, chart)); });
    EXPECT_TRUE(near.ink(0, dy(49), 200, 200).empty) << "no leader within the tolerance";

    callout->setAnchorPoint(host::XY{100, 10});  // 40 px below: a leader up to 4 px short of the box
    const Image far = drawImage(unitFrame(), [&](render::Canvas& c) { render::drawElement(c, *markerAt(at, chart)); });
    far.keep("chart-leader");
    const render::DeviceBox leader = far.ink(0, dy(49), 200, 200);
    ASSERT_FALSE(leader.empty);
    EXPECT_NEAR(leader.y1, dy(10), 1.0);
    EXPECT_NEAR(leader.y0, dy(50) + 4, 1.0) << "the gap of 3 points stays free";
    EXPECT_NEAR((leader.x0 + leader.x1) / 2, 100, 1.0);
}

// Bounds on the canvas's display against the pixels drawn, for every element kind the builder
// makes (and groups of them).
TEST_F(ChartDrawing, BoundsEqualTheDrawnExtentWithinOnePixel) {
    const auto check = [&](const host::Element& element, const char* what, bool ink) {
        const host::DisplayTransformation t = unitFrame();
        render::DeviceBox bounds;
        const Image image = drawImage(t, [&](render::Canvas& c) {
            render::drawElement(c, element);
            bounds = render::deviceBounds(c, element);
        });
        const render::DeviceBox drawn = image.ink();
        ASSERT_FALSE(drawn.empty) << what;
        if (ink) {
            EXPECT_NEAR(drawn.x0, bounds.x0, 1.0) << what;
            EXPECT_NEAR(drawn.x1, bounds.x1, 1.0) << what;
            EXPECT_NEAR(drawn.y0, bounds.y0, 1.0) << what;
            EXPECT_NEAR(drawn.y1, bounds.y1, 1.0) << what;
        } else {  // text: the glyphs lie inside the line box, centred in it
            EXPECT_GE(drawn.x0, bounds.x0 - 1) << what;
            EXPECT_LE(drawn.x1, bounds.x1 + 1) << what;
            EXPECT_GE(drawn.y0, bounds.y0 - 1) << what;
            EXPECT_LE(drawn.y1, bounds.y1 + 1) << what;
            EXPECT_NEAR((drawn.x0 + drawn.x1) / 2, (bounds.x0 + bounds.x1) / 2, 1.0) << what;
        }
    };
    // (A bar of 0 at the end would leave its slot empty inside the box: the box spans the
    // slots, which the label positions rely on.)
    check(*markerAt(at, barChart({10, 5, 2}, {kRed, kGreen, kBlue}, 10)), "chart", true);
    check(*markerAt(at, barChart({-3, 7, 10, 2}, {kRed, kGreen, kBlue, kRed}, 10, 4, 20)), "chart with a negative bar", true);

    auto callout = std::make_shared<host::LineCallout>();
    callout->setAnchorPoint(host::XY{60, 20});
    callout->setLeaderWidth(0.5);
    auto led = barChart({4, 8}, {kRed, kGreen}, 10);
    led->setBackground(callout);
    check(*markerAt(at, led), "chart with a leader", true);

    for (const int style : {0, 1, 4}) {
        auto marker = std::make_shared<host::SimpleMarkerSymbol>();
        marker->setStyle(static_cast<host::SimpleMarkerStyle>(style));
        marker->setSize(12);
        marker->setOutline(true);
        marker->setOutlineSize(1);
        marker->setColor(host::RgbColor(kBlue));
        marker->setAngle(style == 1 ? 30 : 0);
        check(*markerAt(at, marker), "simple marker", true);
    }
    auto mark = zigzag(12, 24, 80, 100);
    std::static_pointer_cast<host::LineSymbol>(mark->symbol())->setColor(host::RgbColor(0));
    check(*mark, "break mark (in black on white)", true);
    for (int h = 0; h < 3; ++h) {
        for (int v = 0; v < 4; ++v) check(*textAt(at, "H808H", 10, h, v), "text", false);
    }
    auto turned = textAt(at, "H808H", 12, 1, 1);
    turned->symbol()->setAngle(30);
    check(*turned, "text turned by 30 degrees", false);
    check(*textAt(at, "H8\r\nH808H\nH", 10, 2, 3), "three lines", false);
    auto group = std::make_shared<host::GroupElement>();
    group->addElement(markerAt(at, barChart({10, 5, 2}, {kRed, kGreen, kBlue}, 10)));
    group->addElement(markerAt({40, 150}, barChart({10}, {kGreen}, 10)));
    check(*group, "group", true);
}

TEST_F(ChartDrawing, ChartsUnderAPixelDrawAsOneDabOfTheTallestBar) {
    // At 1 : 10,000,000 with a reference scale of 1 : 100,000,000 a 30-point chart is 4 px;
    // at ten times less it is below a pixel.
    const host::DisplayTransformation t = frameOf(40, 40, host::Envelope(0, 0, 40, 40), 96.0);
    auto tiny = barChart({2, 10, 4}, {kRed, kGreen, kBlue}, 10, 0.05, 0.3);
    const Image image = drawImage(t, [&](render::Canvas& c) { render::drawElement(c, *markerAt({20.5, 19.5}, tiny)); });
    const render::DeviceBox ink = image.ink(0, 0, -1, -1, 3);
    ASSERT_FALSE(ink.empty);
    EXPECT_LE(ink.x1 - ink.x0, 1.0);
    const Rgb dab = image.at(static_cast<int>(ink.x0), static_cast<int>(ink.y0));
    EXPECT_GT(dab.g, dab.r) << "tinted towards green, the tallest bar";
    EXPECT_GT(dab.g, dab.b);
}

}  // namespace

namespace {

// Bars are written straight into an image's pixels; cairo draws them the same way when it must
// (a clip set by the caller, a vector surface).
TEST(ChartPixels, DirectWritesMatchCairosOwnDrawing) {
    const host::DisplayTransformation t = frameOf(120, 90, host::Envelope(0.3, 0.7, 60.3, 45.7));
    auto chart = barChart({9.3, 4.1, 7.77, 2.2, 10}, {0x3030E0, 0x30C030, 0xE03030, 0x30C0E0, 0xC030C0}, 10, 3.3, 22.5);
    const auto draw = [&](bool clipped) {
        render::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 90));
        render::ContextPtr cr(cairo_create(surface.get()));
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_paint(cr.get());
        if (clipped) {
            cairo_rectangle(cr.get(), 0, 0, 120, 89);
            cairo_clip(cr.get());
        }
        {
            render::Canvas canvas(cr.get(), t);
            render::drawElement(canvas, *markerAt({30.13, 10.41}, chart));
        }
        cr.reset();
        return Image(std::move(surface));
    };
    const Image direct = draw(false), viaCairo = draw(true);
    int worst = 0;
    for (int y = 0; y < 89; ++y) {
        for (int x = 0; x < 120; ++x) {
            const Rgb a = direct.at(x, y), b = viaCairo.at(x, y);
            worst = std::max({worst, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
        }
    }
    EXPECT_LE(worst, 3);
    EXPECT_FALSE(direct.ink().empty);
}

}  // namespace
