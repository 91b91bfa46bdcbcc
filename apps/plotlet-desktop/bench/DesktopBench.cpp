// The desktop map view against maps of 10,000 to 1,000,000 charts: a redraw of the whole view
// and of a 1 % view (a tenth of each side), building the spatial index, and the time from a
// wheel zoom to the first finished frame in the real canvas (offscreen).
//
//   build/bin/plotlet_desktop_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <map>
#include <random>

#include <QApplication>
#include <QWheelEvent>

#include <cairo.h>

#include "RenderScenes.h"
#include "host/Element.h"
#include "host/Geometry.h"
#include "host/Layer.h"
#include "host/MxDocument.h"
#include "host/Symbol.h"
#include "plotlet-desktop/MapCanvas.h"
#include "plotlet-desktop/MapRenderer.h"
#include "render/CairoDisplay.h"

namespace {

using bench_support::kExtent;  // metres on a side
constexpr int kWidth = 1000, kHeight = 750;

// The drawing benchmarks' charts (5 bars and their labels, as the chart builder makes them),
// placed for this window's width. No reference scale: charts keep their size in points at every
// zoom, so a 1 % view shows a hundredth of the charts at the size the whole view shows them.
host::MapPtr chartMap(std::size_t n) { return bench_support::chartElementMap(n, kWidth, "DejaVu Sans"); }

// One map per size for the whole run: a million charts take a while to make.
const host::MapPtr& sharedMap(std::size_t n) {
    static std::map<std::size_t, host::MapPtr> maps;
    auto& m = maps[n];
    if (!m) m = chartMap(n);
    return m;
}

host::DisplayTransformation viewOf(const host::Map& map, double side) {
    host::DisplayTransformation t;
    t.setDeviceFrame({0, 0, kWidth, kHeight});
    t.setResolution(96);
    t.setReferenceScale(map.referenceScale());
    const double h = side * kHeight / kWidth;
    const double cx = kExtent / 2, cy = kExtent / 2;
    t.setVisibleBounds(host::Envelope(cx - side / 2, cy - h / 2, cx + side / 2, cy + h / 2));
    return t;
}

// Building the spatial indexes of the chart layers, as the first 1 % view of the map does.
void BM_ViewIndexBuild(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const host::MapPtr& map = sharedMap(n);
    render::CairoDisplay display(kWidth, kHeight, 96);
    display.displayTransformation() = viewOf(*map, kExtent / 10);
    const host::Envelope& area = display.displayTransformation().visibleBounds();
    std::vector<host::ElementPtr> shown;
    for (auto _ : state) {
        desktop::ViewIndex index;
        index.update(*map, display);  // forgets what the containers indexed before
        for (const desktop::ContainerRef& ref : desktop::graphicsContainers(*map))
            index.candidates(ref.layer->container(), area, display, shown);
        benchmark::DoNotOptimize(shown);
    }
    state.counters["charts"] = static_cast<double>(n);
}

// range(1): the view's side in thousandths of the map's (1000 the whole map, 100 a 1 % view).
void BM_ViewRedraw(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const double side = kExtent * static_cast<double>(state.range(1)) / 1000.0;
    const host::MapPtr& map = sharedMap(n);
    const host::DisplayTransformation view = viewOf(*map, side);
    render::CairoDisplay display(kWidth, kHeight, 96);
    display.displayTransformation() = view;
    desktop::ViewIndex index;
    index.update(*map, display);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    {
        // The first view builds the indexes (BM_ViewIndexBuild measures that).
        cairo_t* cr = cairo_create(surface);
        desktop::drawMapView(cr, *map, view, index);
        cairo_destroy(cr);
    }
    for (auto _ : state) {
        cairo_t* cr = cairo_create(surface);
        desktop::drawMapView(cr, *map, view, index);
        cairo_destroy(cr);
    }
    cairo_surface_destroy(surface);
    state.counters["charts"] = static_cast<double>(n);
    state.counters["view_%"] = static_cast<double>(state.range(1) * state.range(1)) / 10'000.0;
}

// A wheel notch over the canvas showing a 1 % view, until the new view is drawn and shown.
void BM_WheelZoomToFrame(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    auto document = std::make_shared<host::MxDocument>();
    document->setFocusMap(sharedMap(n));
    desktop::MapCanvas canvas;
    canvas.resize(kWidth, kHeight);
    canvas.show();
    canvas.setDocument(document);
    const double side = kExtent / 10;
    canvas.zoomToExtent(host::Envelope(kExtent / 2 - side / 2, kExtent / 2 - side / 2, kExtent / 2 + side / 2, kExtent / 2 + side / 2));
    if (!canvas.waitUntilDrawn(600'000)) state.SkipWithError("the first frame never came");
    const QPointF at(kWidth / 2.0, kHeight / 2.0);
    int direction = 1;
    for (auto _ : state) {
        QWheelEvent wheel(at, at, QPoint(), QPoint(0, 120 * direction), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&canvas, &wheel);
        if (!canvas.waitUntilDrawn(60'000)) state.SkipWithError("no frame after the zoom");
        direction = -direction;  // in and out, so every view is alike
    }
    canvas.setDocument(nullptr);
    state.counters["charts"] = static_cast<double>(n);
}

}  // namespace

BENCHMARK(BM_ViewIndexBuild)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ViewRedraw)
    ->ArgsProduct({{10'000, 100'000, 1'000'000}, {1000, 100}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);
BENCHMARK(BM_WheelZoomToFrame)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    // The canvas needs a window system; none is needed to measure it.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    render::install();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
