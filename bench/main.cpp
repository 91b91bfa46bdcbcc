// One main for every benchmark file of plotlet_bench.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
