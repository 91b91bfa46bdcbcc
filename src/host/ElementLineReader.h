#pragma once
// A direct reader for one element of a map document's element list (one line of the file):
// it turns the text straight into host objects, without a JSON tree in between, for the classes
// charts are made of (groups, marker, text, line and polygon elements, points, polylines,
// polygons, the simple symbols, text symbols, callouts, bar charts, property sets).
//
// It reads only what it is sure of. On anything else (another class, an unknown member, a null
// where it expects a value, a reference to an object of the same line, a duplicate member or id,
// a value out of range, malformed text) it gives up and returns null, having changed nothing in
// the context: no id registered, no object counted. The caller then reads the line the generic
// way, which reports the fault with today's message, or reads what this reader does not know.
#include <string_view>

#include "host/Persistence.h"

namespace host {

// The element, or null when the generic reader must read this text.
runtime::ObjectPtr readElementLineDirect(std::string_view text, PersistContext& context);

// Whether map documents are read through readElementLineDirect (on by default); tests and the
// differential fuzz target switch it off to compare with the generic reading.
bool directElementReading();
void setDirectElementReading(bool on);

}  // namespace host
