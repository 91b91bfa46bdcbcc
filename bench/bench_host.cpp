// Graphics containers with a million elements, statistics over a million features, and a
// property-set file holding a group of 100,000 elements.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "BenchSupport.h"
#include "host/Feature.h"
#include "host/GraphicsContainer.h"
#include "host/PropertySetFile.h"

using namespace host;

namespace {

std::vector<ElementPtr> namedMarkers(std::size_t n) {
    auto symbol = std::make_shared<SimpleMarkerSymbol>();
    std::vector<ElementPtr> elements;
    elements.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        auto e = std::make_shared<MarkerElement>();
        e->setName("K" + std::to_string(i));
        e->setGeometry(std::make_shared<Point>(static_cast<double>(i), 0.0));
        e->setSymbol(symbol);
        elements.push_back(std::move(e));
    }
    return elements;
}

void BM_ContainerAdd(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto elements = namedMarkers(n);
    for (auto _ : state) {
        GraphicsContainer c;
        for (const auto& e : elements) c.addElement(e);
        benchmark::DoNotOptimize(c.elementCount());
        state.PauseTiming();
        c.deleteAllElements();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["peakMiB"] = bench_support::peakRssMiB();
}
BENCHMARK(BM_ContainerAdd)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_ContainerFindDeleteEnumerate(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto elements = namedMarkers(n);
    for (auto _ : state) {
        state.PauseTiming();
        GraphicsContainer c;
        for (const auto& e : elements) c.addElement(e);
        state.ResumeTiming();
        std::size_t found = 0;
        for (std::size_t i = 0; i < 10'000; ++i) found += c.findElementByName("K" + std::to_string(i * (n / 10'000))) != nullptr;
        for (std::size_t i = 0; i < 10'000; ++i) c.deleteElement(elements[i * (n / 10'000) + 1].get());
        std::size_t walked = 0;
        for (const auto& e : c.elements()) walked += e->name().size();
        benchmark::DoNotOptimize(found + walked);
    }
    state.counters["peakMiB"] = bench_support::peakRssMiB();
}
BENCHMARK(BM_ContainerFindDeleteEnumerate)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_StatisticsMax(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    auto fc = makeFeatureClass("P", GeometryType::Point, std::vector<Field>{{"V", FieldType::Double}});
    fc->reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        fc->addFeature(std::make_shared<Point>(0, 0), {runtime::Variant(static_cast<double>(i % 977))});
    }
    for (auto _ : state) {
        DataStatistics stats;
        stats.setField("V");
        stats.setCursor(std::make_shared<FeatureCursor>(fc));
        benchmark::DoNotOptimize(stats.statistics().maximum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["peakMiB"] = bench_support::peakRssMiB();
}
BENCHMARK(BM_StatisticsMax)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

void BM_PropertySetFileOfGroup(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    auto group = std::make_shared<GroupElement>();
    for (auto& e : namedMarkers(n)) group->addElement(e);
    PropertySet set;
    set.setProperty("Graphics", runtime::Variant(runtime::ObjectPtr(group)));
    set.setProperty("Scale", runtime::Variant(50000.0));
    const std::string path = (std::filesystem::temp_directory_path() / "plotlet-bench-graphics.obj").string();
    std::uintmax_t bytes = 0;
    for (auto _ : state) {
        writePropertySetFile(set, path);
        auto back = readPropertySetFile(path);
        benchmark::DoNotOptimize(back->count());
        bytes = std::filesystem::file_size(path);
    }
    std::filesystem::remove(path);
    state.counters["fileMiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
    state.counters["peakMiB"] = bench_support::peakRssMiB();
}
BENCHMARK(BM_PropertySetFileOfGroup)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace


