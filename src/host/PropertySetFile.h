#pragma once
// The property-set file: one property set with everything it holds (symbols, elements, nested
// sets, coordinate systems), written atomically and read with size, nesting and type checks.
// Legend (.leg), parameter (.par) and graphics (.obj) files are such files.
#include <string>

#include "host/Persistence.h"
#include "host/PropertySet.h"

namespace host {

inline constexpr const char* propertySetFormat = "plotlet.propertyset";
inline constexpr int propertySetVersion = 1;
// A graphics file of a million charts holds about 1.5 GB.
inline constexpr std::size_t maxPropertySetFileBytes = 4ull * 1024 * 1024 * 1024;  // 4 GiB

// What reading a property-set file accepts. Writing refuses, before it replaces a file, what
// reading with the same limits would refuse: a graphics file of several million charts can be
// written only as far as it can be opened again.
struct PropertySetFileLimits {
    PersistLimits persist;
    std::size_t maxBytes = maxPropertySetFileBytes;
};

// Host errors name the file and the problem; a failed write leaves an existing file unchanged.
// A group that is the value of a property is written one member per line and read member by
// member, with progress (host::reportTaskProgress) for long groups.
void writePropertySetFile(const PropertySet& set, const std::string& path, const PropertySetFileLimits& limits = {});
PropertySetPtr readPropertySetFile(const std::string& path, const PropertySetFileLimits& limits = {});

// The same document as text (what the files hold).
std::string propertySetToText(const PropertySet& set);
PropertySetPtr propertySetFromText(const std::string& text, const std::string& sourceName, const PersistLimits& limits = {});

}  // namespace host
