#pragma once
// Points derived from a polygon or line layer, so that a layer the chart dialog does not offer
// (it charts points) can still be charted: a point on the surface of each polygon (inside it,
// unlike a centroid, which may fall outside a crescent or an island group), the midpoint along
// each line. Every attribute is kept. The points go to a GeoPackage of their own, which a map
// document can name and reopen like any other data file.
#include <cstddef>
#include <string>

#include "host/FeatureClass.h"

namespace host::gdal {

// The file of points derived from the layer `layerName`, in `folder`: LAYER_points.gpkg.
std::string derivedPointsPath(const std::string& folder, const std::string& layerName);

struct DerivedPointsResult {
    std::size_t features = 0;       // features written, one per source feature
    std::size_t withoutPoint = 0;   // of which with no point (no geometry, or an empty one)
};

// Reads the polygon or line layer of `source` from its file and writes one point per feature,
// with its identifier and all its attributes, in the layer's coordinate system, to `path` as a
// GeoPackage with one layer named after the file. The file is written whole and renamed over any earlier one, so a
// failure leaves it as it was. Host errors name the file: the read errors of openFeatureClass,
// NoGeometry for a layer of points, WriteFailed when the GeoPackage cannot be made.
DerivedPointsResult writeDerivedPoints(const DataSource& source, const std::string& path);

}  // namespace host::gdal
