#pragma once
// The map document file (*.pmx): every map of a document with its layers (data sources named
// relative to the document's folder, group nesting, renderers, visibility, feature selections),
// scales, coordinate system, visible extent, the basic graphics layer with every graphics
// sub-layer and all their elements, the active graphics layer and the element selection.
//
// Selected elements are stored by position: the graphics layer's name (null for the basic
// graphics layer's own elements) and the index path from the layer's element list down through
// group members. Positions are what the file itself orders, so they need no identifiers that
// could clash or dangle, and a hand-edited file is checked against them on reading.
//
// Documents are written element by element into the temporary file that replaces the old one,
// and read from a mapping of the file element by element, so neither holds the whole text.
//
// Reading is all or nothing: a document that is truncated, of another format or version, or
// that names a data source the data-source opener refuses is a host error naming the file and
// the problem, and no document is made. A data source that is merely missing or unreadable
// opens as a broken layer that keeps its entry and is saved back as it was.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "host/MxDocument.h"

namespace host {

inline constexpr const char* mapDocumentFormat = "plotlet.map";
inline constexpr int mapDocumentVersion = 1;
inline constexpr const char* mapDocumentExtension = ".pmx";

// What reading refuses, and so what saving refuses to write (a document that could be saved
// but not opened again would be lost). The size of a whole document is not bounded: it is read
// element by element. What is bounded is what one piece costs: nesting, objects, list items,
// the text of one element, and the text outside the element lists, which is parsed as a whole.
struct MapDocumentLimits {
    std::size_t maxDepth = 256;  // JSON nesting
    std::size_t maxObjects = 200'000'000;
    std::size_t maxListItems = 10'000'000;  // elements of one graphics layer, points of one path
    std::size_t maxElementBytes = 256ull << 20;
    std::size_t maxTextOutsideElements = 1ull << 30;
};

// The document as the file holds it; data-source paths relative to `baseDir`.
std::string mapDocumentToText(const MxDocument& document, const std::filesystem::path& baseDir,
                              const MapDocumentLimits& limits = {});
// Reads a document from text; `path` names it in messages and gives the folder that relative
// data-source paths start from. The document's path is set to `path` made absolute.
MxDocumentPtr mapDocumentFromText(std::string_view text, const std::string& path, const MapDocumentLimits& limits = {});

// The task whose progress saving reports (see TaskProgress.h).
inline constexpr const char* savingMapDocumentTask = "Saving the map document";

// Writes atomically (the old file stays intact on any failure); host errors name the file.
// The document's own path is left alone: saving a copy does not rename the document.
void writeMapDocument(const MxDocument& document, const std::string& path, const MapDocumentLimits& limits = {});
// The same, calling `elementsBegin` once every map's head is written (layers, coordinate system,
// scales, selection): from then on the write reads nothing but the last map's graphics layers and
// their elements, so whoever else only reads those may start then. Called at most once.
void writeMapDocument(const MxDocument& document, const std::string& path, const MapDocumentLimits& limits,
                      const std::function<void()>& elementsBegin);
// Reads the file; host errors name it (missing: 53).
MxDocumentPtr readMapDocument(const std::string& path, const MapDocumentLimits& limits = {});

// Whether the file name says it is a map document (by extension, any case).
bool isMapDocumentPath(const std::string& path);

// Element lists of at least this many elements are parsed on two threads, `batch` lines at a
// time (20,000 and 32,768 by default); tests lower both to read small documents both ways.
void setParallelElementReading(std::size_t fromElements, std::size_t batch = 1u << 15);
// Whether element lists laid out one element per line are split line by line, each line checked
// by its reader instead of walked first (on by default); tests switch it off to compare.
void setLineSplitting(bool on);
// How many element lines were taken unwalked, and how many readings were done again with every
// list walked, since the program started.
struct LineSplittingCounts {
    std::size_t linesTaken = 0;
    std::size_t readAgain = 0;
};
LineSplittingCounts lineSplittingCounts();

}  // namespace host
