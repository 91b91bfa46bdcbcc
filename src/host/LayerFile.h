#pragma once
// The layer file (.lyr): one layer with its renderer, its data source named relative to the
// file's folder.
#include <string>

#include "host/Layer.h"

namespace host {

inline constexpr const char* layerFileFormat = "plotlet.layer";
inline constexpr int layerFileVersion = 1;

// Writes atomically; host errors name the file.
void writeLayerFile(const std::string& path, const LayerPtr& layer);
// A broken data source gives a broken layer, not an error; a file that is not a layer file is
// a host error naming it.
LayerPtr readLayerFile(const std::string& path);

}  // namespace host
