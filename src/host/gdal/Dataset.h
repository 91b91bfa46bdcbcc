#pragma once
// Opening a data file with GDAL the one way this module does it: only the file's own driver,
// the CSV open options that find point columns, read-only unless an update is asked for.
// Callers run checkDataSource (Policy.h) on the path first.
#include <string>

#include "host/gdal/Handles.h"

namespace host::gdal {

// Host error Unreadable naming the file (with GDAL's reason) when it cannot be opened.
DatasetHandle openDataset(const std::string& path, const std::string& driver, bool update, ErrorCapture& capture);

// The layer of that name, or the first when the name is empty; a lone shapefile layer answers
// to any name (the file may have been renamed). Host error NoSuchLayer naming `path`.
OGRLayer* findLayer(GDALDataset& dataset, const std::string& path, const std::string& layerName);

}  // namespace host::gdal
