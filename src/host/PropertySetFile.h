#pragma once
// The property-set file: one property set with everything it holds (symbols, elements, nested
// sets, coordinate systems), written atomically and read with size, nesting and type checks.
// Legend (.leg), parameter (.par) and graphics (.obj) files are such files.
#include <string>

#include "host/PropertySet.h"

namespace host {

inline constexpr const char* propertySetFormat = "plotlet.propertyset";
inline constexpr int propertySetVersion = 1;
inline constexpr std::size_t maxPropertySetFileBytes = 1024u * 1024u * 1024u;  // 1 GiB

// Host errors name the file and the problem; a failed write leaves an existing file unchanged.
void writePropertySetFile(const PropertySet& set, const std::string& path);
PropertySetPtr readPropertySetFile(const std::string& path);

// The same document as text (what the files hold).
std::string propertySetToText(const PropertySet& set);
PropertySetPtr propertySetFromText(const std::string& text, const std::string& sourceName);

}  // namespace host
