// Data side: loading a GeoPackage of a million points, and saving and reopening map documents
// of 100,000 (and, on request, 1,000,000) charts. Peak memory is the growth of the process's maximum resident set while a
// benchmark ran (getrusage), so each figure is only meaningful for the first benchmark that
// reaches it; run one with --benchmark_filter to read it cleanly.
#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <map>

#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include "host/Element.h"
#include "host/ElementLineReader.h"
#include "host/MapDocumentFile.h"
#include "host/PropertySet.h"
#include "host/gdal/Gdal.h"
#include "host/gdal/GdalFeatureClass.h"
#include "host/gdal/Handles.h"

namespace fs = std::filesystem;
using namespace host;

namespace {

// Resident memory now (from /proc), to measure what an opened result keeps.
double currentRssMiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

const fs::path& benchFolder() {
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("plotlet-bench-" + std::to_string(::getpid()));
        fs::create_directories(p);
        std::atexit([] { std::error_code ec; fs::remove_all(fs::temp_directory_path() / ("plotlet-bench-" + std::to_string(::getpid())), ec); });
        return p;
    }();
    return folder;
}

constexpr int pointCount = 1'000'000;

// A GeoPackage of a million points with five numeric fields, made once per run.
const std::string& millionPoints() {
    static const std::string path = [] {
        const std::string file = (benchFolder() / "points.gpkg").string();
        GDALAllRegister();
        gdal::ErrorCapture quiet;
        gdal::DatasetHandle ds(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
        OGRSpatialReference srs;
        srs.importFromEPSG(32119);
        OGRLayer* layer = ds->CreateLayer("points", &srs, wkbPoint, nullptr);
        const char* names[] = {"a", "b", "c", "d", "e"};
        for (int i = 0; i < 5; ++i) {
            OGRFieldDefn f(names[i], i < 2 ? OFTInteger : OFTReal);
            if (layer->CreateField(&f) != OGRERR_NONE) std::abort();
        }
        if (layer->StartTransaction() != OGRERR_NONE) std::abort();
        gdal::FeatureHandle feature(OGRFeature::CreateFeature(layer->GetLayerDefn()));
        for (int k = 0; k < pointCount; ++k) {
            feature->SetFID(OGRNullFID);
            feature->SetField(0, k % 1000);
            feature->SetField(1, k);
            feature->SetField(2, k * 0.5);
            feature->SetField(3, 1.0 / (k + 1));
            feature->SetField(4, (k % 7) * 3.25);
            feature->SetGeometryDirectly(new OGRPoint(100000 + (k % 1000) * 800.0, 10000 + (k / 1000) * 300.0));
            if (layer->CreateFeature(feature.get()) != OGRERR_NONE) std::abort();
        }
        if (layer->CommitTransaction() != OGRERR_NONE) std::abort();
        return file;
    }();
    return path;
}

void BM_OpenGeoPackageMillionPoints(benchmark::State& state) {
    gdal::install();
    const std::string& path = millionPoints();
    const double before = bench_support::peakRssMiB();
    std::size_t features = 0;
    double kept = 0;
    for (auto _ : state) {
        const double live = currentRssMiB();
        auto fc = gdal::openFeatureClass(path);
        kept = std::max(kept, currentRssMiB() - live);
        features = fc->featureCount();
        benchmark::DoNotOptimize(fc.get());
    }
    state.counters["features"] = static_cast<double>(features);
    state.counters["keptMiB"] = kept;
    state.counters["peakRssGrowthMiB"] = bench_support::peakRssMiB() - before;
}
BENCHMARK(BM_OpenGeoPackageMillionPoints)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: GDAL's own tool summarising the same file, and reading every feature of it.
void BM_OgrinfoFloor(benchmark::State& state) {
    const std::string& path = millionPoints();
    const std::string command = state.range(0) == 0 ? "ogrinfo -ro -al -so '" + path + "' >/dev/null 2>&1"
                                                    : "ogrinfo -ro -al -q '" + path + "' >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("ogrinfo failed");
    }
    state.SetLabel(state.range(0) == 0 ? "ogrinfo -al -so (summary)" : "ogrinfo -al -q (reads every feature)");
}
BENCHMARK(BM_OgrinfoFloor)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---- map documents of 100,000 and 1,000,000 charts ------------------------------------------------
//
// Saving and reading are streamed, so their time and memory should grow with the charts alone:
// a million costs at most eleven times a hundred thousand. The million runs only when
// PLOTLET_BENCH_MILLION=1 is set (each takes a minute and gigabytes).

// A chart as the builder makes it, five fields with labels and a leader; the bar symbols and
// the font shared by all charts.
MxDocumentPtr chartDocument(int chartCount) {
    auto doc = std::make_shared<MxDocument>();
    auto layer = doc->focusMap()->basicGraphicsLayer()->addLayer("points_charts", nullptr);
    std::vector<SymbolPtr> bars;
    for (int k = 0; k < 5; ++k) {
        auto fill = std::make_shared<SimpleFillSymbol>();
        fill->setColor(RgbColor::fromRgb(40 * k, 100, 200 - 30 * k));
        bars.push_back(fill);
    }
    auto font = std::make_shared<TextSymbol>();
    for (int i = 0; i < chartCount; ++i) {
        const double x = 100000 + (i % 1000) * 2000.0 + i * 1e-3, y = 10000 + (i / 1000) * 1200.0 + i * 1e-4;
        auto symbol = std::make_shared<BarChartSymbol>();
        for (int k = 0; k < 5; ++k) {
            symbol->addSymbol(bars[k]);
            symbol->setValue(k, (i + k) % 9);
        }
        symbol->setMaxValue(8);
        auto callout = std::make_shared<LineCallout>();
        callout->setAnchorPoint(XY{x, y});
        symbol->setBackground(callout);
        auto marker = std::make_shared<MarkerElement>();
        marker->setGeometry(std::make_shared<Point>(x, y));
        marker->setSymbol(symbol);
        marker->setName("feature " + std::to_string(i));
        auto data = std::make_shared<PropertySet>();
        data->setProperty("LayerName", "points");
        data->setProperty("#Vmax#", 8.0);
        data->setProperty("#Vmin#", 0.0);
        for (int k = 0; k < 5; ++k) data->setProperty("F" + std::to_string(k), static_cast<double>((i + k) % 9));
        marker->setCustomProperty(runtime::Variant(data));
        auto group = std::make_shared<GroupElement>();
        group->addElement(marker);
        for (int k = 0; k < 5; ++k) {
            auto label = std::make_shared<TextElement>();
            label->setText(std::to_string((i + k) % 9));
            label->setSymbol(font);
            label->setGeometry(std::make_shared<Point>(x + k * 100, y + 50));
            group->addElement(label);
        }
        layer->container().addElement(group);
    }
    return doc;
}

const std::string& chartDocumentFile(int chartCount) {
    static std::map<int, std::string> files;
    auto it = files.find(chartCount);
    if (it == files.end()) {
        const std::string file = (benchFolder() / ("charts-" + std::to_string(chartCount) + ".pmx")).string();
        writeMapDocument(*chartDocument(chartCount), file);
        it = files.emplace(chartCount, file).first;
    }
    return it->second;
}

void BM_SaveMapDocument(benchmark::State& state) {
    const int charts = static_cast<int>(state.range(0));
    auto doc = chartDocument(charts);
    const std::string file = (benchFolder() / "saved.pmx").string();
    const double before = bench_support::peakRssMiB();
    for (auto _ : state) writeMapDocument(*doc, file);
    state.counters["charts"] = charts;
    state.counters["fileBytesPerChart"] = static_cast<double>(fs::file_size(file)) / charts;
    state.counters["peakRssGrowthMiB"] = bench_support::peakRssMiB() - before;
    fs::remove(file);
}

// The second argument: 1 reads chart lines straight into objects, 0 through JSON trees only
// (the generic reading, for comparison).
void BM_OpenMapDocument(benchmark::State& state) {
    const int charts = static_cast<int>(state.range(0));
    const std::string& file = chartDocumentFile(charts);
    setDirectElementReading(state.range(1) != 0);
    const double before = bench_support::peakRssMiB();
    std::size_t elements = 0;
    double kept = 0;
    double closing = 0;
    for (auto _ : state) {
        // What the opened document holds, in the allocator's own count: resident memory would
        // not show it, the allocator keeping the pages an earlier benchmark freed.
        const double live = bench_support::allocatedBytes();
        auto doc = readMapDocument(file);
        kept = std::max(kept, bench_support::allocatedBytes() - live);
        elements = doc->focusMap()->basicGraphicsLayer()->layer(0)->container().elementCount();
        // Letting the map go is not reading it: timed apart.
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        doc.reset();
        closing += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    state.counters["closeMs"] = closing / static_cast<double>(state.iterations());
    state.counters["charts"] = static_cast<double>(elements);
    state.counters["fileBytesPerChart"] = static_cast<double>(fs::file_size(file)) / charts;
    state.counters["keptBytesPerChart"] = kept / charts;
    state.counters["peakRssGrowthMiB"] = bench_support::peakRssMiB() - before;
    setDirectElementReading(true);
}

BENCHMARK(BM_SaveMapDocument)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(2);
// Five runs at 100,000: a single one swings by a third on this machine, and the million's time is
// set against it.
BENCHMARK(BM_OpenMapDocument)->Args({100'000, 1})->Args({100'000, 0})->Unit(benchmark::kMillisecond)->Iterations(5);

[[maybe_unused]] const bool millionRegistered = [] {
    if (!std::getenv("PLOTLET_BENCH_MILLION")) return false;
    benchmark::RegisterBenchmark("BM_SaveMapDocument", [](benchmark::State& s) { BM_SaveMapDocument(s); })
        ->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
    benchmark::RegisterBenchmark("BM_OpenMapDocument", [](benchmark::State& s) { BM_OpenMapDocument(s); })
        ->Args({1'000'000, 1})->Args({1'000'000, 0})->Unit(benchmark::kMillisecond)->Iterations(2);
    return true;
}();

}  // namespace
