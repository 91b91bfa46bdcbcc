// The chart element builder over 10,000 / 100,000 / 1,000,000 point features × 5 fields, labels
// and leaders on: New mode, and Recreate at the old place over the charts of a New run. Reports
// charts per second, the process's peak memory and the memory the charts hold per chart. And
// `plotlet draw` and `plotlet render` end to end, each in a process of its own.
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "BenchSupport.h"
#include "ChartScene.h"
#include "engine/ChartBuilder.h"
#include "engine/ChartData.h"
#include "engine/ModuleContext.h"
#include "engine/Placement.h"
#include "host/Application.h"
#include "host/FeatureClass.h"
#include "host/Renderer.h"
#include "host/gdal/Handles.h"
#include "plotlet/Cli.h"
#include "ui/Forms.h"

namespace {

using bench_support::allocatedBytes;
using bench_support::ChartScene;

void report(benchmark::State& state, const ChartScene& scene, double before) {
    const auto n = static_cast<double>(state.range(0));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["charts"] = static_cast<double>(scene.charts());
    state.counters["peakMiB"] = bench_support::peakRssMiB();
    state.counters["bytesPerChart"] = (allocatedBytes() - before) / n;
}

void BM_BuilderNew(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    ChartScene scene(n);
    const double before = allocatedBytes();
    for (auto _ : state) scene.run(1, false);
    report(state, scene, before);
}
BENCHMARK(BM_BuilderNew)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

// What one chart holds in memory with 3 and with 5 fields, labels and leader, over 100,000
// charts, and how fast they are built. With `cut` a fifth of the bars stand above the maximum
// and carry a break mark (about one per chart with five fields); without it none does.
void BM_BuilderBytesPerChart(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(1));
    ChartScene scene(n, static_cast<int>(state.range(0)), state.range(2) ? "800" : "1000");
    const double before = allocatedBytes();
    for (auto _ : state) scene.run(1, false);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(1));
    state.counters["charts"] = static_cast<double>(scene.charts());
    state.counters["peakMiB"] = bench_support::peakRssMiB();
    state.counters["bytesPerChart"] = (allocatedBytes() - before) / static_cast<double>(n);
}
BENCHMARK(BM_BuilderBytesPerChart)
    ->ArgNames({"fields", "charts", "cut"})
    ->Args({3, 100'000, 1})
    ->Args({5, 100'000, 1})
    ->Args({5, 100'000, 0})
    ->Args({3, 1'000'000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_BuilderRecreateOldPlace(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    ChartScene scene(n);
    const double before = allocatedBytes();
    scene.run(1, false);
    for (auto _ : state) scene.run(plotlet::PlacementOldPlace, true);
    report(state, scene, before);
}
BENCHMARK(BM_BuilderRecreateOldPlace)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

// ---- the main job from the command line -------------------------------------------------------

namespace {

// A GeoPackage of n points on a square grid with five numeric fields.
std::string pointsGeoPackage(std::size_t n) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("plotlet-bench-draw-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // Gone when the benchmarks end (the maps drawn from it stay for the render benchmark till then).
    static const struct Cleanup {
        std::filesystem::path folder;
        ~Cleanup() {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    } cleanup{folder};
    const std::string file = (folder / ("points" + std::to_string(n) + ".gpkg")).string();
    if (std::filesystem::exists(file)) return file;
    GDALAllRegister();
    host::gdal::ErrorCapture quiet;
    host::gdal::DatasetHandle ds(
        GetGDALDriverManager()->GetDriverByName("GPKG")->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRSpatialReference srs;
    srs.importFromEPSG(32119);
    OGRLayer* layer = ds->CreateLayer("points", &srs, wkbPoint, nullptr);
    const char* names[] = {"a", "b", "c", "d", "e"};
    for (const char* name : names) {
        OGRFieldDefn f(name, OFTReal);
        if (layer->CreateField(&f) != OGRERR_NONE) std::abort();
    }
    if (layer->StartTransaction() != OGRERR_NONE) std::abort();
    host::gdal::FeatureHandle feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
    const auto side = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(n))));
    std::uint64_t seed = 99;
    for (std::size_t k = 0; k < n; ++k) {
        feature->SetFID(OGRNullFID);
        for (int f = 0; f < 5; ++f) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            feature->SetField(f, static_cast<double>((seed >> 33) % 1000));
        }
        feature->SetGeometryDirectly(new OGRPoint(static_cast<double>(k % side) * 1000.0, static_cast<double>(k / side) * 1000.0));
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE) std::abort();
    }
    if (layer->CommitTransaction() != OGRERR_NONE) std::abort();
    return file;
}

// Runs `plotlet` with `args` in a child process and reports its wall time as the iteration's
// time, and its own peak memory: the benchmark process's peak holds those of earlier benchmarks.
void runCommand(benchmark::State& state, const std::vector<std::string>& args) {
    std::fflush(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::ostringstream out, err;
        const int code = plotlet::cli::run(args, out, err);
        if (code != 0) std::fputs(err.str().c_str(), stderr);
        std::_Exit(code);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        state.SkipWithError(("plotlet " + args.front() + " failed").c_str());
        return;
    }
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    state.counters["peakMiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["cpuSeconds"] = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string mapName(std::size_t points) { return "charts" + std::to_string(points) + ".pmx"; }

std::string fieldList(std::int64_t fields) {
    std::string list = "a,b,c,d,e";
    list.resize(static_cast<std::size_t>(2 * fields - 1));
    return list;
}

// `plotlet draw` end to end: GeoPackage to a saved map and a 2000-pixel PNG, labels and leaders on.
void BM_DrawCommand(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(1));
    const std::string gpkg = pointsGeoPackage(n);
    const std::filesystem::path folder = std::filesystem::path(gpkg).parent_path();
    for (auto _ : state) {
        runCommand(state, {"draw", gpkg, "--layer", "points", "--fields", fieldList(state.range(0)), "--save",
                           (folder / mapName(n)).string(), "--out", (folder / "charts.png").string(), "--width", "2000"});
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(1));
    state.counters["documentBytesPerChart"] =
        static_cast<double>(std::filesystem::file_size(folder / mapName(n))) / static_cast<double>(n);
}
// `plotlet render` of the map the draw benchmark of the same size saved.
void BM_RenderCommand(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(1));
    const std::filesystem::path folder = std::filesystem::path(pointsGeoPackage(n)).parent_path();
    if (!std::filesystem::exists(folder / mapName(n))) {
        state.SkipWithError("run BM_DrawCommand of the same size first");
        return;
    }
    for (auto _ : state) {
        runCommand(state, {"render", (folder / mapName(n)).string(), "--out", (folder / "render.png").string(),
                           "--width", "2000"});
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(1));
}
BENCHMARK(BM_DrawCommand)
    ->ArgNames({"fields", "points"})
    ->Args({5, 100'000})
    ->Args({5, 200'000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderCommand)
    ->ArgNames({"fields", "points"})
    ->Args({5, 200'000})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The million: 3 fields, with PLOTLET_BENCH_MILLION=1 (a minute and gigabytes).
[[maybe_unused]] const bool millionCommands = [] {
    if (!std::getenv("PLOTLET_BENCH_MILLION")) return false;
    benchmark::RegisterBenchmark("BM_DrawCommand", [](benchmark::State& s) { BM_DrawCommand(s); })
        ->ArgNames({"fields", "points"})->Args({3, 1'000'000})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_RenderCommand", [](benchmark::State& s) { BM_RenderCommand(s); })
        ->ArgNames({"fields", "points"})->Args({3, 1'000'000})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace
