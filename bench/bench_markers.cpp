// Drawing plain point markers and views of part of a big chart map.
//
// BM_PointMarkers: the points of the QGIS peer benchmark (Python's random.Random(42): x, y
// uniform over a 100 km square in EPSG:3857 metres, then three values a, b, c per point),
// each a grey circle of 1 mm without outline, drawn to a 2000 × 2000 picture at 96 dpi of the
// square with 2 % margin. draw_ms is the drawing alone (QGIS's figure is its render job).
//
// BM_OnePercentView: a map of n points with their markers and n charts (a group of a chart
// marker with 5 bars and 5 labels each), viewed 1000 pixels wide through a window of a tenth of
// the square on a side (1 % of its area), a different window each iteration. index_ms is the
// first view, which builds the spatial indexes of the point class and the chart layer;
// view_ms the mean of the views after it.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "BenchSupport.h"
#include "RenderScenes.h"
#include "host/FeatureClass.h"
#include "host/Map.h"
#include "render/Export.h"

namespace {

// CPython's random.Random(seed) for a small integer seed: MT19937 seeded by init_by_array with
// the one key word, and random() built from two draws, so the points are the peer's points.
class PythonRandom {
public:
    explicit PythonRandom(std::uint32_t seed) {
        state_[0] = 19650218u;
        for (int i = 1; i < 624; ++i) state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
        int i = 1;
        for (int k = 624; k > 0; --k) {
            state_[i] = (state_[i] ^ ((state_[i - 1] ^ (state_[i - 1] >> 30)) * 1664525u)) + seed;
            if (++i >= 624) {
                state_[0] = state_[623];
                i = 1;
            }
        }
        for (int k = 623; k > 0; --k) {
            state_[i] = (state_[i] ^ ((state_[i - 1] ^ (state_[i - 1] >> 30)) * 1566083941u)) - static_cast<std::uint32_t>(i);
            if (++i >= 624) {
                state_[0] = state_[623];
                i = 1;
            }
        }
        state_[0] = 0x80000000u;
        index_ = 624;
    }
    double random() {
        const std::uint32_t a = next() >> 5, b = next() >> 6;
        return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
    }
    double uniform(double lo, double hi) { return lo + (hi - lo) * random(); }

private:
    std::uint32_t next() {
        if (index_ >= 624) twist();
        std::uint32_t y = state_[index_++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9D2C5680u;
        y ^= (y << 15) & 0xEFC60000u;
        return y ^ (y >> 18);
    }
    void twist() {
        for (int i = 0; i < 624; ++i) {
            const std::uint32_t y = (state_[i] & 0x80000000u) | (state_[(i + 1) % 624] & 0x7FFFFFFFu);
            state_[i] = state_[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
        }
        index_ = 0;
    }
    std::uint32_t state_[624]{};
    int index_ = 624;
};

// The peer's layer: n points with fields a, b, c and a grey 1 mm circle as their symbol.
host::MapPtr markerMap(std::size_t n) {
    auto map = std::make_shared<host::Map>();
    auto fc = host::makeFeatureClass("pts", host::GeometryType::Point,
                                     std::vector<host::Field>{{"a", host::FieldType::Double}, {"b", host::FieldType::Double},
                                                              {"c", host::FieldType::Double}});
    PythonRandom random(42);
    host::FeatureBatch batch;
    batch.clear(3);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = random.uniform(0, bench_support::kExtent), y = random.uniform(0, bench_support::kExtent);
        batch.oids.push_back(static_cast<std::int64_t>(i + 1));
        batch.points.push_back({x, y});
        for (auto& column : batch.columns) {
            column.numbers.push_back(random.uniform(0, 100));
            column.nulls.push_back(0);
        }
        if (batch.size() == 50'000) fc->appendBatch(batch);
    }
    if (batch.size() > 0) fc->appendBatch(batch);
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setStyle(host::SimpleMarkerStyle::Circle);
    marker->setSize(72.0 / 25.4);  // 1 mm
    marker->setColor(host::RgbColor(0x505050));
    marker->setOutline(false);
    auto renderer = std::make_shared<host::SimpleRenderer>();
    renderer->setSymbol(marker);
    auto layer = std::make_shared<host::FeatureLayer>();
    layer->setName("pts");
    layer->setFeatureClass(fc);
    layer->setRenderer(renderer);
    map->addLayer(layer);
    return map;
}

double secondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_PointMarkers(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const host::MapPtr map = markerMap(n);
    render::ExportOptions options;
    options.width = 2000;
    const double pad = bench_support::kExtent * 0.02;
    options.extent = host::Envelope(-pad, -pad, bench_support::kExtent + pad, bench_support::kExtent + pad);
    const host::DisplayTransformation t = render::planExport(*map, options);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        const render::SurfacePtr image = render::renderImage(*map, t);
        seconds += secondsSince(t0);
        benchmark::DoNotOptimize(image.get());
    }
    state.counters["draw_ms"] = seconds * 1000 / static_cast<double>(state.iterations());
    state.counters["ns_per_marker"] = seconds * 1e9 / static_cast<double>(state.iterations()) / static_cast<double>(n);
}

void BM_OnePercentView(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const host::MapPtr charts = bench_support::chartElementMap(n);
    const host::MapPtr markers = markerMap(n);
    charts->addLayer(markers->layers().front());
    const double side = bench_support::kExtent / 10;
    render::ExportOptions options;
    options.width = 1000;
    const auto viewAt = [&](int k) {
        // Windows spread over the square, none at its edge.
        const double x = side * (1 + (k * 37) % 8), y = side * (1 + (k * 53) % 8);
        options.extent = host::Envelope(x, y, x + side, y + side);
        return render::planExport(*charts, options);
    };
    auto t0 = std::chrono::steady_clock::now();
    render::renderImage(*charts, viewAt(0));
    state.counters["index_ms"] = secondsSince(t0) * 1000;
    double seconds = 0;
    int k = 1;
    for (auto _ : state) {
        const host::DisplayTransformation t = viewAt(k++);
        t0 = std::chrono::steady_clock::now();
        const render::SurfacePtr image = render::renderImage(*charts, t);
        seconds += secondsSince(t0);
        benchmark::DoNotOptimize(image.get());
    }
    state.counters["view_ms"] = seconds * 1000 / static_cast<double>(state.iterations());
}

}  // namespace

BENCHMARK(BM_PointMarkers)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OnePercentView)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(10);
