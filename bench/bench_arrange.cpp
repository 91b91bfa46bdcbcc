// Arranging charts so that they do not collide, and counting the overlaps: 10,000 to 1,000,000
// charts with labels and leaders. Two kinds of map: at the same density (about one feature per
// two chart areas, so most charts collide where they are drawn, yet most find a free place),
// and on a fixed area, where the density grows with the number of charts (as when a whole
// country's points are drawn at once: 20,000 charts already overlap about 300 others each and
// none can stand free). Reported: wall time per run, charts per second, and the charts that
// found no free place. The work should grow linearly with the number of charts in both.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/ChartArrangement.h"

namespace {

// On a square of `side`, or without one on a square growing with the count.
std::vector<render::ArrangeItem> denseCharts(std::size_t count, double side = 0.0) {
    std::mt19937 random(42);
    if (side <= 0.0) side = std::sqrt(static_cast<double>(count) * 2.0 * 12.0);  // two 4 × 3 chart areas each
    std::uniform_real_distribution<double> place(0.0, side), value(0.0, 100.0);
    std::vector<render::ArrangeItem> items(count);
    for (render::ArrangeItem& item : items) {
        const double x = place(random), y = place(random), h = 1.0 + value(random) / 50.0;
        item.anchor = {x, y};
        item.chartBox = {x - 2.0, y, x + 2.0, y + h};
        item.footprint = {x - 2.0, y, x + 2.0, y + h + 0.6};  // value labels above
        item.leader = true;
        item.leaderTolerance = 0.1;
        item.priority = value(random);
    }
    return items;
}

// The square on which 20,000 charts overlap about 300 others each, as the charts `plotlet draw`
// makes of 20,000 random points in a 100 km square.
constexpr double CrowdedSide = 53.0;

void arrange(benchmark::State& state, const std::vector<render::ArrangeItem>& items) {
    render::ArrangeSettings settings;
    settings.markerHalf = {0.2, 0.2};
    std::size_t unplaced = 0;
    for (auto _ : state) {
        const render::Arrangement arranged = render::arrangeCharts(items, settings);
        unplaced = arranged.unplaced;
        benchmark::DoNotOptimize(arranged.moves.data());
    }
    state.counters["charts/s"] = benchmark::Counter(static_cast<double>(items.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["unplaced"] = static_cast<double>(unplaced);
    state.counters["before_pairs"] = static_cast<double>(render::countOverlaps(items, settings).chartPairs);
}

void BM_ArrangeCharts(benchmark::State& state) { arrange(state, denseCharts(static_cast<std::size_t>(state.range(0)))); }
BENCHMARK(BM_ArrangeCharts)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ArrangeCrowdedCharts(benchmark::State& state) {
    arrange(state, denseCharts(static_cast<std::size_t>(state.range(0)), CrowdedSide));
}
BENCHMARK(BM_ArrangeCrowdedCharts)->Arg(20'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Counting the overlapping pairs and the charts over markers, as `plotlet arrange` does before
// and after: the pairs alone are billions at a million crowded charts.
void BM_CountOverlaps(benchmark::State& state) {
    const auto items = denseCharts(static_cast<std::size_t>(state.range(0)), CrowdedSide);
    render::ArrangeSettings settings;
    settings.markerHalf = {0.2, 0.2};
    render::Overlaps counted;
    for (auto _ : state) counted = render::countOverlaps(items, settings);
    state.counters["charts/s"] = benchmark::Counter(static_cast<double>(items.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pairs"] = static_cast<double>(counted.chartPairs);
}
BENCHMARK(BM_CountOverlaps)->Arg(20'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
