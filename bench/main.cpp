// The one entry point of plotlet_bench; each bench_*.cpp registers its benchmarks.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
