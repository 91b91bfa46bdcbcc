#pragma once
// Helpers shared by the benchmark programs: peak memory of the process and sample objects.
#include <sys/resource.h>

#include <cstdint>

namespace bench_support {

// Peak resident set size of the process so far, in MiB.
inline double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace bench_support
