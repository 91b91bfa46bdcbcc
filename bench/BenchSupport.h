#pragma once
// Helpers shared by the benchmark programs: peak memory of the process and sample objects.
#include <malloc.h>
#include <sys/resource.h>

#include <cstddef>
#include <cstdint>

#if __has_include(<gperftools/malloc_extension_c.h>)
#include <gperftools/malloc_extension_c.h>
#define PLOTLET_BENCH_TCMALLOC 1
#endif

namespace bench_support {

// Peak resident set size of the process so far, in MiB.
inline double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Bytes the allocator has handed out and not taken back (resident memory does not shrink when
// an earlier benchmark frees, so it cannot tell what a model holds). Asks tcmalloc when the
// program runs on it, the C library's allocator otherwise.
inline double allocatedBytes() {
#ifdef PLOTLET_BENCH_TCMALLOC
    std::size_t bytes = 0;
    if (MallocExtension_GetNumericProperty("generic.current_allocated_bytes", &bytes)) return static_cast<double>(bytes);
#endif
    return static_cast<double>(mallinfo2().uordblks);
}

}  // namespace bench_support
