#pragma once
// Drawing of a map and its layers, one function per layer kind, in the host's drawing order:
// the map's layers from the last to the first (index 0 on top), a group's members likewise,
// then the basic graphics layer (its own elements, then its sub-layers in order), then the
// highlights of selected features. The handles of selected elements are an editing aid of the
// screen: pictures of the map leave them out, as other map programs' exports do.
#include <cstddef>
#include <functional>

#include "host/Layer.h"
#include "host/Map.h"
#include "render/Canvas.h"

namespace render {

void drawMap(Canvas& canvas, const host::Map& map);
// The frame and handles of each of the map's selected elements, for a view on the screen.
void drawElementSelection(Canvas& canvas, const host::Map& map);
// Any layer by its kind; invisible layers draw nothing.
void drawLayer(Canvas& canvas, const host::Layer& layer, int depth = 0);
void drawGroupLayer(Canvas& canvas, const host::GroupLayer& layer, int depth = 0);
// Every feature with the symbol its renderer gives it: simple renderers draw their one symbol
// (markers on points, lines on polylines, fills on polygons); chart renderers one bar chart
// per feature from the values of their fields. A broken layer draws nothing.
void drawFeatureLayer(Canvas& canvas, const host::FeatureLayer& layer);
// The elements of a graphics layer in drawing order; the basic graphics layer also draws its
// sub-layers. A sub-layer tied to a feature layer shows only while that layer is visible.
void drawGraphicsLayer(Canvas& canvas, const host::GraphicsLayer& layer);
// Highlights of the layer's selected features.
void drawFeatureSelection(Canvas& canvas, const host::FeatureLayer& layer);

// Each graphics container drawMap draws (those of visible graphics layers), once per place it
// is drawn.
void forEachDrawnContainer(const host::Map& map, const std::function<void(const host::GraphicsContainer&)>& visit);

// The units of work drawMap reports progress in: features of visible layers and top-level
// graphic elements.
std::size_t drawingWork(const host::Map& map);

}  // namespace render
