// Drawing big maps to a 2000 × 2000 PNG: bar-chart graphic elements as the chart builder makes
// them (a group of a chart marker with 5 bars, 5 value labels), and a point layer drawn through
// the chart renderer. Reported: wall time per picture, and the process's memory after building
// the map and at its peak (run one size per process for a clean peak:
// --benchmark_filter=BM_ChartElements/100000/). PLOTLET_BENCH_KEEP=1 keeps the picture in /tmp
// for looking at.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "host/FeatureClass.h"
#include "host/Map.h"
#include "render/Export.h"
#include "render/Png.h"
#include "RenderScenes.h"
#include "runtime/NumberText.h"

namespace {

using bench_support::chartElementMap;
using bench_support::chartSymbol;
using bench_support::barFills;
using bench_support::kBars;
using bench_support::kExtent;

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0.0;
}

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

host::MapPtr chartRendererMap(std::size_t n) {
    auto map = std::make_shared<host::Map>();
    std::vector<host::Field> fields;
    for (int k = 0; k < kBars; ++k) fields.push_back(host::Field{"V" + std::to_string(k), host::FieldType::Double});
    auto fc = host::makeFeatureClass("Cities", host::GeometryType::Point, fields);
    fc->reserve(n);
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> position(0, kExtent), value(0.5, 10.0);
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<runtime::Variant> row;
        for (int k = 0; k < kBars; ++k) row.emplace_back(value(random));
        const double x = position(random), y = position(random);
        fc->addFeature(std::make_shared<host::Point>(x, y), row);
    }
    auto renderer = std::make_shared<host::ChartRenderer>();
    renderer->setChartSymbol(chartSymbol(barFills()));
    for (int k = 0; k < kBars; ++k) renderer->addField("V" + std::to_string(k));
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName("Cities");
    layer->setFeatureClass(fc);
    layer->setRenderer(renderer);
    map->addLayer(layer);
    return map;
}

void renderToPng(benchmark::State& state, const host::MapPtr& map, double extent = kExtent) {
    const double modelMegabytes = residentMegabytes();
    render::ExportOptions options;
    options.width = 2000;
    options.extent = host::Envelope(0, 0, extent, extent);
    const std::string path = "/tmp/plotlet-bench-" + std::to_string(::getpid()) + ".png";
    double drawSeconds = 0, pngSeconds = 0;
    for (auto _ : state) {
        // What exportMap does, timed in its two halves.
        const auto t0 = std::chrono::steady_clock::now();
        const host::DisplayTransformation t = render::planExport(*map, options);
        const render::SurfacePtr image = render::renderImage(*map, t);
        const auto t1 = std::chrono::steady_clock::now();
        render::writePng(image.get(), path, t.resolution());
        const auto t2 = std::chrono::steady_clock::now();
        drawSeconds += std::chrono::duration<double>(t1 - t0).count();
        pngSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["draw_ms"] = drawSeconds * 1000 / static_cast<double>(state.iterations());
    state.counters["png_ms"] = pngSeconds * 1000 / static_cast<double>(state.iterations());
    if (!std::getenv("PLOTLET_BENCH_KEEP")) std::remove(path.c_str());
    state.counters["model_MB"] = modelMegabytes;
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["per_item_us"] =
        benchmark::Counter(static_cast<double>(state.range(0)),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ChartElements(benchmark::State& state) {
    const auto map = chartElementMap(static_cast<std::size_t>(state.range(0)));
    renderToPng(state, map);
}

void BM_ChartRendererLayer(benchmark::State& state) {
    const auto map = chartRendererMap(static_cast<std::size_t>(state.range(0)));
    renderToPng(state, map);
}

// A tenth of the map on a side: a hundredth of the charts show, the rest are passed over by
// their bounds.
void BM_ChartElementsZoomedIn(benchmark::State& state) {
    const auto map = chartElementMap(static_cast<std::size_t>(state.range(0)));
    renderToPng(state, map, kExtent / 10);
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A 2000-pixel view of a hundredth of the map, as the desktop draws one (no PNG): the first
// view builds the spatial index (first_ms, first_cpu_ms); the timed ones pan over the map.
void BM_ChartElementsViews(benchmark::State& state) {
    const auto map = chartElementMap(static_cast<std::size_t>(state.range(0)));
    render::ExportOptions options;
    options.width = 2000;
    const double side = kExtent / 10;
    const auto view = [&](int i) {
        const double x = std::fmod(0.37 * i, 0.9) * kExtent, y = std::fmod(0.61 * i, 0.9) * kExtent;
        options.extent = host::Envelope(x, y, x + side, y + side);
        const host::DisplayTransformation t = render::planExport(*map, options);
        benchmark::DoNotOptimize(render::renderImage(*map, t));
    };
    const double cpu0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    view(0);
    state.counters["first_ms"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() * 1000;
    state.counters["first_cpu_ms"] = (cpuSeconds() - cpu0) * 1000;
    int i = 1;
    for (auto _ : state) view(i++);
}

}  // namespace

BENCHMARK(BM_ChartElementsViews)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_ChartElementsZoomedIn)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ChartElements)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ChartRendererLayer)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
