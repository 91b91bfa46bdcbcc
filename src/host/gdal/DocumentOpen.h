#pragma once
// Opening what a user names: a map document, or a data file that becomes a new map holding its
// layers (as a GIS adds a dropped file to an empty map).
#include <string>

#include "host/Application.h"
#include "host/MxDocument.h"
#include "host/Renderer.h"

namespace host::gdal {

// A new, unsaved document whose focus map holds every layer of the data file: points (on top),
// then lines, then polygons, each with a default symbol; the map takes the first layer's
// coordinate system, shows the full extent at a scale that fits it into a window of about
// 1000 × 750 pixels at 96 dpi, and has no reference scale. Host errors as openFeatureClass.
MxDocumentPtr newDocumentFromDataFile(const std::string& path);

// A new, unsaved document whose focus map holds the layer of a layer file (.lyr), with the
// layer's renderer, at a scale that fits its extent. Host errors name the file.
MxDocumentPtr newDocumentFromLayerFile(const std::string& path);
// Whether the path ends in .lyr (in any case).
bool isLayerFilePath(const std::string& path);

// A map document (by its .pmx extension), a layer file (.lyr) or a data file.
MxDocumentPtr openDocumentOrDataFile(const std::string& path);

// Opens into the application. Only a document read completely replaces the application's
// document, so a failure (a host error naming the file) leaves the open map as it was. The
// template list then ends with the document's path (a data file's new map has none).
void openInApplication(Application& application, const std::string& path);

// The renderer a new layer of that kind gets: a circle marker for points and multipoints, a
// line for polylines, a light fill with a grey outline for polygons.
FeatureRendererPtr defaultRenderer(GeometryType type);

// A round map scale (two significant digits, rounded up) at which `extent` fits into a view of
// the given pixels at `dpi`; 10,000 for an empty or zero-sized extent.
double fittingScale(const Envelope& extent, double metresPerUnit, double widthPixels = 1000, double heightPixels = 750,
                    double dpi = 96);

}  // namespace host::gdal
