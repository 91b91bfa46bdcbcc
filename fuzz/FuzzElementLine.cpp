// A differential target for the direct reader of map document element lines: every line it
// reads must read the same the generic way (same objects written back, same ids, same object
// count), and a line it gives up on must leave the reading's context as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/Element.h"
#include "host/ElementLineReader.h"
#include "host/Persistence.h"
#include "host/Symbol.h"
#include "runtime/Error.h"

namespace {

using namespace host;

[[noreturn]] void fault(const std::string& what, std::string_view line) {
    std::fprintf(stderr, "fuzz element_line: %s\nline: %.*s\n", what.c_str(), static_cast<int>(line.size()), line.data());
    std::abort();
}

// Objects of earlier lines, as a document's reading has them when it reaches a chart.
void earlierLines(PersistContext& c) {
    auto outline = std::make_shared<SimpleLineSymbol>();
    auto fill = std::make_shared<SimpleFillSymbol>();
    fill->setOutline(outline);
    c.readObjects()[1] = fill;
    c.readObjects()[2] = outline;
    c.readObjects()[3] = std::make_shared<TextSymbol>();
    c.readObjects()[4] = std::make_shared<GroupElement>();
    c.readObjects()[5] = std::make_shared<BarChartSymbol>();
}

std::vector<long> ids(PersistContext& c) {
    std::vector<long> out;
    for (const auto& [id, o] : c.readObjects()) out.push_back(id);
    std::sort(out.begin(), out.end());
    return out;
}

std::string written(const runtime::ObjectPtr& o) {
    PersistContext w(PersistPurpose::Copy);
    return writeObject(o, w).dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    PersistLimits limits;
    limits.maxArrayItems = 64;  // small limits, so that the fuzzer reaches them
    limits.maxObjects = 48;
    PersistContext direct(PersistPurpose::File, "line.pmx");
    direct.setLimits(limits);
    earlierLines(direct);
    const std::vector<long> before = ids(direct);
    const runtime::ObjectPtr fast = readElementLineDirect(line, direct);
    if (!fast) {
        if (ids(direct) != before || direct.objectCount() != 0) fault("gave up but changed the context", line);
        return 0;
    }
    // Read directly: the text is well-formed and bounded in depth, so the generic reader can
    // take it as a whole.
    PersistContext generic(PersistPurpose::File, "line.pmx");
    generic.setLimits(limits);
    earlierLines(generic);
    runtime::ObjectPtr slow;
    try {
        slow = readObjectAs<Element>(Json::parse(line), generic, "a graphics layer's element");
    } catch (const runtime::Error& e) {
        fault("read directly, refused generically: " + e.description(), line);
    } catch (const std::exception& e) {
        fault(std::string("read directly, refused generically: ") + e.what(), line);
    }
    if (!slow) fault("read directly, empty generically", line);
    if (written(fast) != written(slow)) fault("read differently:\n " + written(fast) + "\n " + written(slow), line);
    if (ids(direct) != ids(generic)) fault("registered other ids", line);
    if (direct.objectCount() != generic.objectCount()) fault("counted other objects", line);
    return 0;
}
