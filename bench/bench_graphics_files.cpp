// Graphics files of 100,000 and 1,000,000 charts (five bars, labels, leaders, attached data):
// SaveGraphics of the chart layer, and LoadGraphics of that file into a new layer of another
// map. The save's peak memory includes the charts it saves; the load's is its own. Reports the file's size, the process's peak memory and the memory the step held at its
// end beyond what was there before.
//
// Peak memory is the process's, so run one case per process for figures of its own:
//   plotlet_bench --benchmark_filter='BM_GraphicsFileSave/100000/'
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "BenchSupport.h"
#include "ChartScene.h"
#include "graphics_io/FrmOpenSaveGraphLayer.h"

namespace {

using bench_support::allocatedBytes;
using bench_support::ChartScene;

std::string benchFile() {
    return (std::filesystem::temp_directory_path() / ("plotlet-bench-" + std::to_string(::getpid()) + ".obj")).string();
}

void report(benchmark::State& state, const std::string& file, double before) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["fileMiB"] = static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
    state.counters["peakMiB"] = bench_support::peakRssMiB();
    state.counters["heldMiB"] = (allocatedBytes() - before) / (1024.0 * 1024.0);
}

void BM_GraphicsFileSave(benchmark::State& state) {
    ChartScene scene(static_cast<std::size_t>(state.range(0)));
    scene.run(1, false);
    plotlet::FrmOpenSaveGraphLayer form;
    form.pMxDoc = scene.document;
    const std::string file = benchFile();
    const double before = allocatedBytes();
    for (auto _ : state) {
        if (!form.SaveGraphics("Points_charts", file, false)) state.SkipWithError("SaveGraphics failed");
    }
    report(state, file, before);
    std::filesystem::remove(file);
}
BENCHMARK(BM_GraphicsFileSave)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_GraphicsFileLoad(benchmark::State& state) {
    const std::string file = benchFile();
    // The file is made by a child process, so that the peak memory is the load's alone.
    const pid_t child = ::fork();
    if (child == 0) {
        ChartScene scene(static_cast<std::size_t>(state.range(0)));
        scene.run(1, false);
        plotlet::FrmOpenSaveGraphLayer form;
        form.pMxDoc = scene.document;
        ::_exit(form.SaveGraphics("Points_charts", file, false) ? 0 : 1);
    }
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        state.SkipWithError("the graphics file could not be made");
        return;
    }
    // Another map at the same scale, so that no question is asked.
    auto app = std::make_shared<host::Application>();
    auto document = std::make_shared<host::MxDocument>();
    app->setDocument(document);
    document->focusMap()->setMapScale(5'000'000);
    plotlet::SetEngineContext(document->focusMap(), document, app);
    plotlet::FrmOpenSaveGraphLayer form;
    form.pMxDoc = document;
    const double before = allocatedBytes();
    for (auto _ : state) {
        if (!form.LoadGraphics("Imported", file)) state.SkipWithError("LoadGraphics failed");
    }
    report(state, file, before);
    plotlet::ClearEngineContext();
    std::filesystem::remove(file);
}
BENCHMARK(BM_GraphicsFileLoad)->Arg(100'000)->Arg(1'000'000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
