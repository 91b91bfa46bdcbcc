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
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/Element.h"

#include "host/Persistence.h"

namespace host {

// The element, or null when the generic reader must read this text.
runtime::ObjectPtr readElementLineDirect(std::string_view text, PersistContext& context);

// The same in two steps, so lines can be parsed on several threads and registered in order:
// parsing only reads the context (and `pending`, the ids of earlier lines parsed but not yet
// registered); registering counts the line's objects and enters its ids, or refuses and changes
// nothing (the line then goes the generic way).
using PendingIds = std::unordered_map<long, runtime::ObjectPtr>;
struct ParsedElementLine {
    ElementPtr element;
    std::vector<std::pair<long, runtime::ObjectPtr>> ids;
    std::size_t objects = 0;
};
bool parseElementLine(std::string_view text, const PersistContext& context, ReadSharing& sharing, const PendingIds* pending,
                      ParsedElementLine& out);
bool registerElementLine(ParsedElementLine& line, PersistContext& context);

// The deepest a line the direct reader takes nests objects and lists: it gives up on deeper
// ones (the generic reading reads them). A document reader that lets lines through without
// walking them first relies on it.
constexpr std::size_t directLineNesting = 128;

// Whether map documents are read through readElementLineDirect (on by default); tests and the
// differential fuzz target switch it off to compare with the generic reading.
bool directElementReading();
void setDirectElementReading(bool on);

}  // namespace host
