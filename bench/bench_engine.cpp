// The chart element builder over 10,000 / 100,000 / 1,000,000 point features × 5 fields, labels
// and leaders on: New mode, and Recreate at the old place over the charts of a New run. Reports
// charts per second, the process's peak memory and the memory the charts hold per chart. And
// `plotlet draw` end to end: a GeoPackage of 100,000 points to a saved map and a 2000-pixel PNG.
#include <benchmark/benchmark.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

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

// What one chart holds in memory with 3 and with 5 fields (labels, leader; a fifth of the bars
// above the maximum carry a break mark), over 100,000 charts, and how fast they are built.
void BM_BuilderBytesPerChart(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(1));
    ChartScene scene(n, static_cast<int>(state.range(0)));
    const double before = allocatedBytes();
    for (auto _ : state) scene.run(1, false);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(1));
    state.counters["charts"] = static_cast<double>(scene.charts());
    state.counters["peakMiB"] = bench_support::peakRssMiB();
    state.counters["bytesPerChart"] = (allocatedBytes() - before) / static_cast<double>(n);
}
BENCHMARK(BM_BuilderBytesPerChart)
    ->ArgNames({"fields", "charts"})
    ->Args({3, 100'000})
    ->Args({5, 100'000})
    ->Args({3, 1'000'000})
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

void BM_DrawCommand(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const std::string gpkg = pointsGeoPackage(n);
    const std::filesystem::path folder = std::filesystem::path(gpkg).parent_path();
    for (auto _ : state) {
        std::ostringstream out, err;
        const int code = plotlet::cli::run({"draw", gpkg, "--layer", "points", "--fields", "a,b,c,d,e", "--save",
                                            (folder / "charts.pmx").string(), "--out", (folder / "charts.png").string(),
                                            "--width", "2000"},
                                           out, err);
        if (code != 0) state.SkipWithError(("plotlet draw failed: " + err.str()).c_str());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["peakMiB"] = bench_support::peakRssMiB();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_DrawCommand)->Arg(100'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
