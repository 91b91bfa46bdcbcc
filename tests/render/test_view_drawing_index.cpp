// A view of part of a big map draws through the spatial indexes of its point layer and chart
// layer: it must show exactly what the same part of a drawing of the whole map shows, also
// after charts were moved, deleted and added.
#include <gtest/gtest.h>

#include <random>

#include "host/FeatureClass.h"
#include "host/Map.h"
#include "render/Export.h"
#include "render/RenderFixtures.h"

namespace {

using rendertest::frameOf;

constexpr double kSide = 30'000.0;  // map units; pictures at 10 units per pixel

struct ChartMap {
    host::MapPtr map = std::make_shared<host::Map>();
    host::GraphicsLayerPtr charts;
    std::mt19937 random{11};

    explicit ChartMap(std::size_t n) {
        std::uniform_real_distribution<double> at(0, kSide);
        map->addLayer(rendertest::randomPointLayer("pts", n, random, 0, kSide, 5, 0x606060));
        charts = map->basicGraphicsLayer()->addLayer("pts_charts", nullptr);
        for (std::size_t i = 0; i < n; ++i) addChart({at(random), at(random)});
    }
    void addChart(host::XY p) {
        std::uniform_real_distribution<double> value(1, 10);
        auto group = std::make_shared<host::GroupElement>();
        const double a = value(random), b = value(random);
        group->addElement(rendertest::markerAt(p, rendertest::barChart({a, b}, {0x2020C0, 0x20A020}, 10, 6, 30)));
        group->addElement(rendertest::textAt({p.x - 60, p.y + a * 30}, "label " + std::to_string(i_++), 7, 1, 3));
        charts->container().addElement(group);
    }
    std::size_t i_ = 0;
};

// The view's pixels against the same pixels of the whole map drawn at the same scale.
void expectViewIsPartOfWhole(const host::Map& map, const host::Envelope& view, const char* step) {
    const int w = static_cast<int>(view.width() / 10), h = static_cast<int>(view.height() / 10);
    const render::SurfacePtr part = render::renderImage(map, frameOf(w, h, view));
    const render::SurfacePtr whole = render::renderImage(map, frameOf(3000, 3000, host::Envelope(0, 0, kSide, kSide)));
    cairo_surface_flush(part.get());
    cairo_surface_flush(whole.get());
    const int x0 = static_cast<int>(view.xMin() / 10), y0 = static_cast<int>((kSide - view.yMax()) / 10);
    const auto* a = cairo_image_surface_get_data(part.get());
    const auto* b = cairo_image_surface_get_data(whole.get());
    const int sa = cairo_image_surface_get_stride(part.get()), sb = cairo_image_surface_get_stride(whole.get());
    long far = 0, inked = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto p = *reinterpret_cast<const std::uint32_t*>(a + y * sa + x * 4);
            const auto q = *reinterpret_cast<const std::uint32_t*>(b + (y0 + y) * sb + (x0 + x) * 4);
            if ((p & 0xFFFFFF) != 0xFFFFFF) ++inked;
            for (int shift = 0; shift < 24; shift += 8) {
                if (std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)) > 40) {
                    ++far;
                    break;
                }
            }
        }
    }
    EXPECT_EQ(far, 0) << step;
    EXPECT_GT(inked, w * h / 50) << step << ": the view shows hardly anything";
}

TEST(ViewDrawingIndex, AViewShowsWhatTheWholeMapShowsThere) {
    ChartMap scene(4000);
    const host::Envelope view(12'000, 12'000, 15'000, 15'000);
    expectViewIsPartOfWhole(*scene.map, view, "first view");
    ASSERT_TRUE(scene.charts->container().elementCount() > 0);

    // Charts moved into the view (and the container told), some deleted, new ones added.
    std::vector<host::ElementPtr> all = scene.charts->container().elementsSnapshot();
    for (std::size_t i = 0; i < 200; ++i) {
        const host::ElementPtr& e = all[i * 13];
        const host::Envelope where = e->geometry()->envelope();
        e->move(13'000 + static_cast<double>(i % 20) * 80 - where.xMin(), 13'000 + static_cast<double>(i / 20) * 150 - where.yMin());
        scene.charts->container().updateElement(e.get());
    }
    for (std::size_t i = 0; i < 500; ++i) scene.charts->container().deleteElement(all[i * 7 + 3].get());
    for (int i = 0; i < 50; ++i) scene.addChart({12'500.0 + i * 40, 14'000.0 - i * 30});
    expectViewIsPartOfWhole(*scene.map, view, "after edits");
    expectViewIsPartOfWhole(*scene.map, host::Envelope(0, 27'000, 3'000, 30'000), "a corner");
}

}  // namespace
