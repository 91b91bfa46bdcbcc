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
// Reading is all or nothing: a document that is truncated, of another format or version, or
// that names a data source the data-source opener refuses is a host error naming the file and
// the problem, and no document is made. A data source that is merely missing or unreadable
// opens as a broken layer that keeps its entry and is saved back as it was.
#include <cstddef>
#include <filesystem>
#include <string>

#include "host/MxDocument.h"

namespace host {

inline constexpr const char* mapDocumentFormat = "plotlet.map";
inline constexpr int mapDocumentVersion = 1;
inline constexpr std::size_t maxMapDocumentBytes = 4ull * 1024 * 1024 * 1024;  // 4 GiB
inline constexpr const char* mapDocumentExtension = ".pmx";

// The document as the file holds it; data-source paths relative to `baseDir`.
std::string mapDocumentToText(const MxDocument& document, const std::filesystem::path& baseDir);
// Reads a document from text; `path` names it in messages and gives the folder that relative
// data-source paths start from. The document's path is set to `path` made absolute.
MxDocumentPtr mapDocumentFromText(const std::string& text, const std::string& path);

// Writes atomically (the old file stays intact on any failure); host errors name the file.
// The document's own path is left alone: saving a copy does not rename the document.
void writeMapDocument(const MxDocument& document, const std::string& path);
// Reads the file; host errors name it (missing: 53).
MxDocumentPtr readMapDocument(const std::string& path);

// Whether the file name says it is a map document (by extension, any case).
bool isMapDocumentPath(const std::string& path);

}  // namespace host
