#pragma once
// Temporary: the chart engine procedures the main dialog calls, with the engine's signatures,
// until src/engine lands with the real ones. Delete this file then.
#include <string>

#include "host/Layer.h"
#include "runtime/Collection.h"
#include "runtime/Variant.h"

namespace plotlet {

runtime::Collection<host::FeatureLayerPtr> GetMapLayers(bool OnlyPointLayers);
runtime::Collection<host::GraphicsLayerPtr> GetGraphicLayers();
std::string RemoveFileFromPath(const std::string& path);
std::string GetDocumentPath(bool folder);
runtime::Variant DataStatistic(const host::FeatureLayerPtr& layer, const std::string& fieldName,
                               const std::string& statisticName, bool selectedOnly);
void LoadMessages();

}  // namespace plotlet
