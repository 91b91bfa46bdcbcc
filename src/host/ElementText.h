#pragma once
// Graphic elements written straight as JSON text, one element per line of a map document.
//
// The text holds what writeObject gives for the element, dumped (same classes, keys in the same
// order, same ids and references, numbers that read back to the same doubles), without building
// the JSON tree first: a map of a million charts spends most of its saving time on those trees.
// The classes charts are made of are written here; any other object (or a value this writer
// does not know) is handed to writeObject and dumped in its place, so every element is written.
#include <cstddef>
#include <string>

#include "host/Element.h"
#include "host/Persistence.h"

namespace host {

// What a reader counts and bounds in the text of one piece, checked before it is written: the
// objects written in full, the items of every list, the nesting (`outerDepth` levels enclose
// the piece in its document).
class WriteLimits {
public:
    WriteLimits(PersistContext& context, std::size_t maxDepth, std::size_t maxListItems, std::size_t maxObjects,
                std::size_t outerDepth)
        : c_(context), maxDepth_(maxDepth), maxListItems_(maxListItems), maxObjects_(maxObjects), outerDepth_(outerDepth) {}

    // A JSON tree whose top sits `depth` levels down in the piece (the piece itself at 1).
    void shape(const Json& j, std::size_t depth);
    // A list or object opened `depth` levels down.
    void container(std::size_t depth) const {
        if (depth + outerDepth_ > maxDepth_) tooDeep();
    }
    void list(std::size_t items) const {
        if (items > maxListItems_) tooLong(items);
    }
    void object() { ++objects_; }
    // Where the pieces to come sit: `depth` levels below the top of the text.
    void setOuterDepth(std::size_t depth) { outerDepth_ = depth; }
    // After each piece: the objects so far within what reading accepts.
    void objectsWithinLimit() const;
    PersistContext& context() const { return c_; }

private:
    [[noreturn]] void tooDeep() const;
    [[noreturn]] void tooLong(std::size_t items) const;

    PersistContext& c_;
    std::size_t maxDepth_, maxListItems_, maxObjects_, outerDepth_;
    std::size_t objects_ = 0;
};

// Appends the element's text to `out` (nothing else: no separator, no line end), counting and
// bounding it in `limits`.
void appendElementText(std::string& out, const ElementPtr& element, PersistContext& context, WriteLimits& limits);

// A JSON value as one line; bytes that are not UTF-8 (a damaged data file, a wrong code page)
// become U+FFFD instead of failing the save.
void appendJsonText(std::string& out, const Json& j);

}  // namespace host
