#pragma once
// Layers and graphics layers: the feature layers the dialog may chart and the named graphics
// sub-layers of the map's basic graphics layer that receive the charts. Names of graphics
// layers are compared exactly (case-sensitive).
//
// Maps used: GetMapLayers and CreateGraphicLayer work on the module map (the dialog's map when
// it loaded); GetGraphicLayers, GraphicLayerExists and DeleteGraphicLayer ask the module
// document for its focus map at every call.
#include <string>

#include "host/Layer.h"
#include "runtime/Collection.h"

namespace plotlet {

// The chart graphics layer of a feature layer: its name followed by "_charts".
std::string ChartLayerName(const std::string& featureLayerName);

// The feature layers of the module map in drawing order, members of a group where the group
// stands; with `OnlyPointLayers` only layers of point geometry. A failure is reported
// ("GetMapLayers ") and gives the collection filled so far.
runtime::Collection<host::FeatureLayerPtr> GetMapLayers(bool OnlyPointLayers);
// Appends the layer, or the members of a group depth first, when they qualify.
void AddLayerToCollection(const host::LayerPtr& layer, runtime::Collection<host::FeatureLayerPtr>& collection,
                          bool OnlyPointLayers);

// Every graphics sub-layer of the focus map's basic graphics layer, in order.
runtime::Collection<host::GraphicsLayerPtr> GetGraphicLayers();
bool GraphicLayerExists(const std::string& name);

// Adds a graphics sub-layer to the module map, tied to `featureLayer` (may be empty), and
// makes it the active graphics layer when `activate` is set. On failure a warning box names the
// failure and the layer ("Annotation layer not created ") and the result is empty, also when
// only the activation failed.
host::GraphicsLayerPtr CreateGraphicLayer(const std::string& name, const host::FeatureLayerPtr& featureLayer,
                                          bool activate);

// Deletes the first sub-layer of that name; false when there is none or a failure was reported
// ("DeleteGraphicLayer ").
bool DeleteGraphicLayer(const std::string& name);

// The first element of the layer in drawing order that carries the name: a group when one of
// its direct members does, any other element when it does itself. Empty when none does. Uses
// the container's name index, so it costs the same for one element or a million.
host::ElementPtr FindElementByName(const std::string& name, const host::GraphicsLayerPtr& graphicsLayer);

}  // namespace plotlet
