// One libFuzzer target per reader: built once for each with PLOTLET_FUZZ_READER set to the
// reader's enumerator.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/FuzzReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    plotlet::fuzz::feed(plotlet::fuzz::Reader::PLOTLET_FUZZ_READER, std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
