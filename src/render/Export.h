#pragma once
// Pictures of a map: PNG, SVG or PDF files of a chosen extent at a chosen size or resolution,
// written atomically (a failed export leaves no file, and an older file of the name intact).
//
// Scale: the picture's map scale follows from its extent, width and resolution. The map
// document keeps its own map scale; a picture of another extent or size changes the scale of
// that drawing only. Symbols are drawn s × dpi / 72 pixels, times reference scale ÷ the
// picture's map scale when the map has a reference scale.
#include <optional>
#include <string>

#include "host/Display.h"
#include "host/Map.h"
#include "host/MxDocument.h"
#include "render/Cairo.h"
#include "render/Canvas.h"
#include "render/MapDecorations.h"

namespace render {

enum class PictureFormat { Png, Svg, Pdf };

// The format named by a file's extension (.png, .svg, .pdf in any case); a render error
// (code::BadFormat) for any other.
PictureFormat formatOfPath(const std::string& path);

struct ExportOptions {
    // Picture width in pixels. Unset: with a resolution given and a map that has a scale, the
    // extent printed at the map's scale; otherwise 1200 pixels at 96 dpi (as many more as the
    // resolution is higher). The height follows the extent's proportions.
    std::optional<int> width;
    // Dots per inch (unset: 96): how many pixels a point takes (dpi / 72) and, for SVG and PDF,
    // the page size (width / dpi inches).
    std::optional<double> dpi;
    // The part of the map to draw. Unset: everything the map draws (its layers, and its charts
    // and labels as drawn) with `margin` of the larger side added on every side.
    std::optional<host::Envelope> extent;
    double margin = 0.05;
    // Progress of the drawing; see ProgressCallback.
    ProgressCallback progress;
    // Legend, title, scale bar and north arrow drawn over the map (none when unset). They do
    // not change the picture's extent or size.
    std::optional<MapDecorations> decorations;
};

// Largest picture side and area (pixels) an export accepts.
inline constexpr int kMaxPictureSide = 32767;
inline constexpr long long kMaxPicturePixels = 1LL << 28;

// The display transformation of an export of `map`: device frame, resolution, visible extent
// (the extent grown to the picture's proportions), the map's reference scale and map units.
// Render errors: a width below 1, a resolution that is not a positive number, an extent that
// is empty or not finite, a map with nothing to draw and no extent given, a picture too large.
host::DisplayTransformation planExport(const host::Map& map, const ExportOptions& options);

// The map drawn on a white image of the transformation's frame (ARGB32).
SurfacePtr renderImage(const host::Map& map, const host::DisplayTransformation& transformation,
                       const ProgressCallback& progress = {}, const MapDecorations* decorations = nullptr);

// Writes the picture, in the format of the path's extension or the one given.
void exportMap(const host::Map& map, const std::string& path, const ExportOptions& options);
void exportMap(const host::Map& map, const std::string& path, PictureFormat format, const ExportOptions& options);
// The document's focus map.
void exportDocument(const host::MxDocument& document, const std::string& path, const ExportOptions& options);

}  // namespace render
