// A big picture drawn in bands on several threads must be the very picture one canvas draws:
// the same pixels, bit for bit, whatever the number of threads and wherever elements cross the
// bands' edges.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/FeatureClass.h"
#include "host/Map.h"
#include "render/BandDrawing.h"
#include "render/Error.h"
#include "render/Export.h"
#include "render/LayerDrawing.h"
#include "render/RenderFixtures.h"

namespace {

using rendertest::frameOf;

constexpr double kSide = 20'000.0;

// Points under markers, and charts as the builder makes them (bars, labels, a leader, a break
// mark), some beyond the picture's edge; texts of several lines, turned, large; fills with a
// frame that cross many bands, one from far beyond the picture.
host::MapPtr busyMap(std::size_t charts) {
    auto map = std::make_shared<host::Map>();
    std::mt19937 random(5);
    std::uniform_real_distribution<double> at(-500, kSide + 500), value(0, 12);
    map->addLayer(rendertest::randomPointLayer("pts", charts / 2, random, -500, kSide + 500, 6, 0x406080));

    auto graphics = map->basicGraphicsLayer()->addLayer("pts_charts", nullptr);
    for (std::size_t i = 0; i < charts; ++i) {
        const host::XY p{at(random), at(random)};
        auto group = std::make_shared<host::GroupElement>();
        const double a = value(random), b = value(random);
        group->addElement(rendertest::markerAt(p, rendertest::barChart({a, b, 3}, {0x2020C0, 0x20A020, 0xC08020}, 10, 6, 30)));
        group->addElement(rendertest::zigzag(4, 12, p.x, p.y + 40));
        group->addElement(rendertest::textAt({p.x - 40, p.y + a * 20}, std::to_string(i % 977), 7, 1, 3));
        auto leader = std::make_shared<host::LineElement>();
        auto line = std::make_shared<host::Polyline>();
        line->addPath({{p.x, p.y}, {p.x + 90, p.y - 70}});
        leader->setGeometry(line);
        auto symbol = std::make_shared<host::SimpleLineSymbol>();
        symbol->setWidth(1.2);
        leader->setSymbol(symbol);
        group->addElement(leader);
        graphics->container().addElement(group);
        if (i % 4000 == 0) {
            auto text = rendertest::textAt(p, "Two lines\nof text " + std::to_string(i), 30, 1, 2);
            graphics->container().addElement(text);
            auto turned = rendertest::textAt({p.x + 300, p.y}, "turned", 24, 0, 0);
            auto turnedSymbol = std::make_shared<host::TextSymbol>(*turned->symbol());
            turnedSymbol->setAngle(30);
            turned->setSymbol(turnedSymbol);
            graphics->container().addElement(turned);
        }
    }
    // Across the whole picture: a framed fill and an outline.
    auto fill = std::make_shared<host::PolygonElement>();
    auto ring = std::make_shared<host::Polygon>();
    ring->addRing({{3000, -100}, {3600, kSide + 100}, {4200, kSide + 100}, {3800, -100}});
    fill->setGeometry(ring);
    fill->setSymbol(rendertest::solidFill(0x80C0FF, 0x000000, 2));
    graphics->container().addElement(fill);
    // From far beyond the picture's top (where coordinates are clamped before cairo) into it.
    auto far = std::make_shared<host::PolygonElement>();
    auto wedge = std::make_shared<host::Polygon>();
    wedge->addRing({{5000, kSide * 40}, {9000, 6000}, {9400, 6000}});
    far->setGeometry(wedge);
    far->setSymbol(rendertest::solidFill(0x30A0A0, 0x000000, 1));
    graphics->container().addElement(far);
    return map;
}

std::vector<unsigned char> pixelsOf(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const auto* data = cairo_image_surface_get_data(surface);
    return {data, data + static_cast<std::size_t>(cairo_image_surface_get_stride(surface)) * cairo_image_surface_get_height(surface)};
}

render::SurfacePtr whiteImage(const host::DisplayTransformation& t) {
    render::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, t.deviceFrame().right, t.deviceFrame().bottom));
    render::ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    return surface;
}

std::vector<unsigned char> drawnOnOneCanvas(const host::Map& map, const host::DisplayTransformation& t) {
    const render::SurfacePtr surface = whiteImage(t);
    {
        render::ContextPtr cr(cairo_create(surface.get()));
        render::Canvas canvas(cr.get(), t);
        render::drawMap(canvas, map);
    }
    return pixelsOf(surface.get());
}

std::vector<unsigned char> drawnInBands(const host::Map& map, const host::DisplayTransformation& t, unsigned threads,
                                        const render::ProgressCallback& progress = {}) {
    const render::SurfacePtr surface = whiteImage(t);
    render::drawMapInBands(surface.get(), map, t, progress, threads);
    return pixelsOf(surface.get());
}

TEST(BandDrawing, BandsDrawTheSamePixelsAsOneCanvas) {
    const host::MapPtr map = busyMap(24'000);
    // A width whose rows do not divide into whole bands, and a scale where charts are large.
    for (const int width : {997, 2400}) {
        const host::DisplayTransformation t = frameOf(width, width, host::Envelope(0, 0, kSide, kSide));
        const std::vector<unsigned char> one = drawnOnOneCanvas(*map, t);
        for (const unsigned threads : {1u, 2u, 3u}) {
            const std::vector<unsigned char> banded = drawnInBands(*map, t, threads);
            ASSERT_EQ(banded.size(), one.size());
            std::size_t differing = 0;
            for (std::size_t i = 0; i < one.size(); ++i) differing += banded[i] != one[i];
            EXPECT_EQ(differing, 0u) << "width " << width << ", " << threads << " threads";
        }
    }
}

TEST(BandDrawing, APictureOfPartOfABigMapDrawsWhatItsIndexesFind) {
    // A tenth of the map on a side: what the spatial indexes find there, too few for bands.
    const host::MapPtr map = busyMap(24'000);
    for (const double side : {kSide / 10, kSide / 2}) {
        const host::DisplayTransformation t = frameOf(600, 600, host::Envelope(5000, 5000, 5000 + side, 5000 + side));
        EXPECT_EQ(drawnInBands(*map, t, 2), drawnOnOneCanvas(*map, t)) << side;
    }
}

TEST(BandDrawing, AMapMeasuredOnThreadsMeasuresAsOneCanvas) {
    const host::MapPtr map = busyMap(24'000);
    const host::DisplayTransformation t = frameOf(1000, 1000, host::Envelope(0, 0, kSide, kSide));
    render::Canvas one(nullptr, t, render::Canvas::Mode::Measure);
    render::drawMap(one, *map);
    for (const unsigned threads : {1u, 3u}) {
        const render::DeviceBox box = render::measureMap(*map, t, threads);
        EXPECT_FALSE(box.empty);
        EXPECT_EQ(box.x0, one.measured().x0);
        EXPECT_EQ(box.y0, one.measured().y0);
        EXPECT_EQ(box.x1, one.measured().x1);
        EXPECT_EQ(box.y1, one.measured().y1);
    }
}

TEST(BandDrawing, AnExportOfABigMapIsDrawnInBandsAndReportsProgressToTheEnd) {
    const host::MapPtr map = busyMap(render::kBandedDrawingFrom);
    const host::DisplayTransformation t = frameOf(800, 800, host::Envelope(0, 0, kSide, kSide));
    std::size_t calls = 0, last = 0, total = 0;
    const render::SurfacePtr image = render::renderImage(*map, t, [&](std::size_t done, std::size_t all) {
        ++calls;
        last = done;
        total = all;
        return true;
    });
    EXPECT_GT(calls, 2u);
    EXPECT_EQ(last, total);
    EXPECT_EQ(total, render::drawingWork(*map));
    EXPECT_EQ(pixelsOf(image.get()), drawnOnOneCanvas(*map, t));
}

TEST(BandDrawing, ACancelStopsEveryBand) {
    const host::MapPtr map = busyMap(30'000);
    const host::DisplayTransformation t = frameOf(1500, 1500, host::Envelope(0, 0, kSide, kSide));
    std::size_t calls = 0;
    try {
        drawnInBands(*map, t, 2, [&](std::size_t, std::size_t) { return ++calls < 3; });
        FAIL() << "the drawing went on after the cancel";
    } catch (const render::Error& e) {
        EXPECT_EQ(e.number(), host::hostErrorBase + render::code::Cancelled);
    }
    EXPECT_EQ(calls, 3u);
}

}  // namespace
