#pragma once
// Layers of a map: group layers, feature layers (with their renderer and selection) and
// graphics layers. The map's basic graphics layer is a composite of named graphics sub-layers.
#include <memory>
#include <string>
#include <vector>

#include "host/Feature.h"
#include "host/GraphicsContainer.h"
#include "host/Renderer.h"
#include "runtime/Object.h"

namespace host {

// A layer hands out pointers to itself (undo of a deletion remembers the layer weakly; a layer
// being read registers itself for a later association).
class Layer : public runtime::Object, public std::enable_shared_from_this<Layer> {
public:
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    bool visible() const { return visible_; }
    void setVisible(bool on) { visible_ = on; }
    // The layer's extent in map units (empty when it has none).
    virtual Envelope extent() const = 0;

protected:
    std::string name_;
    bool visible_ = true;
};
using LayerPtr = std::shared_ptr<Layer>;

class GroupLayer final : public Layer {
public:
    std::string className() const override { return "GroupLayer"; }
    std::size_t layerCount() const { return layers_.size(); }
    // Error 9 outside 0..count − 1.
    const LayerPtr& layer(std::size_t index) const;
    const std::vector<LayerPtr>& layers() const { return layers_; }
    void addLayer(LayerPtr layer);
    bool deleteLayer(const Layer* layer);
    Envelope extent() const override;

private:
    std::vector<LayerPtr> layers_;
};

class FeatureLayer final : public Layer {
public:
    std::string className() const override { return "FeatureLayer"; }

    // Empty for a broken layer (its data source could not be opened).
    const FeatureClassPtr& featureClass() const { return featureClass_; }
    void setFeatureClass(FeatureClassPtr featureClass);
    bool valid() const { return featureClass_ != nullptr; }
    const FeatureRendererPtr& renderer() const { return renderer_; }
    void setRenderer(FeatureRendererPtr renderer) { renderer_ = std::move(renderer); }
    // The layer's current selection (never empty).
    const SelectionSetPtr& selectionSet() const { return selection_; }
    std::size_t selectionCount() const { return selection_->count(); }

    // The display table: the layer's fields are its feature class's. A search without filter
    // walks every feature; a broken layer is a host error.
    FeatureCursorPtr search(const QueryFilter* filter = nullptr) const;

    // What a broken layer keeps so that saving writes it back unchanged (serialized JSON of
    // its data-source entry), and why it is broken. `baseDir` is the folder a relative path in
    // the entry was relative to, so a save into another folder can still name the same file.
    const std::string& brokenDataSource() const { return brokenDataSource_; }
    const std::string& brokenReason() const { return brokenReason_; }
    const std::string& brokenBaseDir() const { return brokenBaseDir_; }
    void setBroken(std::string dataSourceJson, std::string reason, std::string baseDir = {});

    Envelope extent() const override;

private:
    FeatureClassPtr featureClass_;
    FeatureRendererPtr renderer_;
    SelectionSetPtr selection_ = std::make_shared<SelectionSet>(nullptr);
    std::string brokenDataSource_, brokenReason_, brokenBaseDir_;
};
using FeatureLayerPtr = std::shared_ptr<FeatureLayer>;

class GraphicsLayer : public Layer {
public:
    std::string className() const override { return "GraphicsLayer"; }
    GraphicsContainer& container() { return container_; }
    const GraphicsContainer& container() const { return container_; }
    double referenceScale() const { return referenceScale_; }
    void setReferenceScale(double s) { referenceScale_ = s; }
    // The feature layer the graphics belong to (charts of that layer), if any.
    FeatureLayerPtr associatedLayer() const { return associated_.lock(); }
    void setAssociatedLayer(const FeatureLayerPtr& layer) { associated_ = layer; }
    Envelope extent() const override;

private:
    GraphicsContainer container_;
    double referenceScale_ = 0.0;
    std::weak_ptr<FeatureLayer> associated_;
};
using GraphicsLayerPtr = std::shared_ptr<GraphicsLayer>;

// The map's basic graphics layer: a graphics layer of its own plus named sub-layers. Names are
// compared exactly.
class CompositeGraphicsLayer final : public GraphicsLayer {
public:
    std::string className() const override { return "CompositeGraphicsLayer"; }
    std::size_t layerCount() const { return subLayers_.size(); }
    // Error 9 outside 0..count − 1.
    const GraphicsLayerPtr& layer(std::size_t index) const;
    const std::vector<GraphicsLayerPtr>& layers() const { return subLayers_; }
    // Adds a sub-layer (a host error when the name is taken or empty).
    GraphicsLayerPtr addLayer(const std::string& name, const FeatureLayerPtr& associated);
    void addExistingLayer(GraphicsLayerPtr layer);
    // The first sub-layer of that name; a host error when there is none.
    GraphicsLayerPtr findLayer(const std::string& name) const;
    GraphicsLayerPtr findLayerOrNull(const std::string& name) const;
    // Removes the sub-layer of that name; a host error when there is none.
    void deleteLayer(const std::string& name);
    Envelope extent() const override;

    // Called with every element leaving any of the layers (for the map's element selection).
    void setRemovalObserver(std::function<void(const Element*)> observer);

private:
    std::vector<GraphicsLayerPtr> subLayers_;
    std::function<void(const Element*)> onRemoved_;
};
using CompositeGraphicsLayerPtr = std::shared_ptr<CompositeGraphicsLayer>;

// Every feature layer of a layer tree, depth first, in drawing-order listing (group members
// where their group stands).
void collectFeatureLayers(const LayerPtr& layer, std::vector<FeatureLayerPtr>& out);

}  // namespace host
