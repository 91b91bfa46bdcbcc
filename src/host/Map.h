#pragma once
// A map: its layers in drawing order (index 0 on top), its scales and coordinate system, the
// basic graphics layer with its named sub-layers, the active graphics layer and the element
// selection.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/Layer.h"
#include "host/SpatialReference.h"
#include "runtime/Object.h"

namespace host {

class Map final : public runtime::Object {
public:
    Map();
    std::string className() const override { return "Map"; }

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    std::size_t layerCount() const { return layers_.size(); }
    // Error 9 outside 0..count − 1.
    const LayerPtr& layer(std::size_t index) const;
    const std::vector<LayerPtr>& layers() const { return layers_; }
    // Adds on top (index 0).
    void addLayer(LayerPtr layer);
    void insertLayer(std::size_t index, LayerPtr layer);
    // Removes a top-level layer or one inside a group; false when the map does not hold it.
    bool deleteLayer(const Layer* layer);
    // Every feature layer, groups walked depth first.
    std::vector<FeatureLayerPtr> featureLayers() const;
    // The first feature layer of that name (exact), or empty.
    FeatureLayerPtr findFeatureLayer(const std::string& name) const;

    // Map scale (1 : scale) of the view; reference scale 0 = none.
    double mapScale() const { return mapScale_; }
    void setMapScale(double scale);
    double referenceScale() const { return referenceScale_; }
    void setReferenceScale(double scale);
    const SpatialReferencePtr& spatialReference() const { return spatialReference_; }
    void setSpatialReference(SpatialReferencePtr sr);
    // The visible extent of the map view; empty until someone sets it (the full extent is used).
    const Envelope& extent() const { return extent_; }
    void setExtent(const Envelope& e) { extent_ = e; }
    // Union of every layer's extent, graphics included.
    Envelope fullExtent() const;

    const CompositeGraphicsLayerPtr& basicGraphicsLayer() const { return basicGraphics_; }
    // Replaces the basic graphics layer (a document being read brings its own); the element
    // selection and the active graphics layer are cleared, as they belonged to the old one.
    void setBasicGraphicsLayer(CompositeGraphicsLayerPtr layer);
    // The layer new graphics go to; the basic graphics layer unless another was made active.
    GraphicsLayerPtr activeGraphicsLayer() const;
    void setActiveGraphicsLayer(GraphicsLayerPtr layer) { activeGraphics_ = std::move(layer); }

    // Element selection, in the order elements were selected. Elements leaving their graphics
    // layer leave the selection too. Selecting, asking and unselecting cost O(1) (amortised):
    // a map of a million charts may have all of them selected, and deleting them unselects
    // each one.
    std::size_t selectedElementCount() const { return selection_.size() - unselected_; }
    // Error 9 outside 0..count − 1.
    const ElementPtr& selectedElement(std::size_t index) const;
    const std::vector<ElementPtr>& selectedElements() const {
        compactSelection();
        return selection_;
    }
    void selectElement(ElementPtr element);
    void unselectElement(const Element* element);
    void unselectAllElements();
    bool isElementSelected(const Element* element) const { return selectedAt_.count(element) != 0; }

private:
    std::string name_ = "Layers";
    std::vector<LayerPtr> layers_;
    double mapScale_ = 0.0;
    double referenceScale_ = 0.0;
    SpatialReferencePtr spatialReference_;
    Envelope extent_;
    CompositeGraphicsLayerPtr basicGraphics_;
    GraphicsLayerPtr activeGraphics_;
    // An unselected element leaves a null place behind, taken out by the next look at the list
    // (or once half the places are empty): removing from the middle of the list one element at
    // a time would cost the list's length each time. Looks at the list may come from several
    // drawing threads at once (never while the selection changes): the first one tidies up.
    void compactSelection() const;
    mutable std::vector<ElementPtr> selection_;
    mutable std::unordered_map<const Element*, std::size_t> selectedAt_;  // place in selection_
    mutable std::atomic<std::size_t> unselected_{0};                      // null places in selection_
    mutable std::mutex compacting_;
};

using MapPtr = std::shared_ptr<Map>;

}  // namespace host
