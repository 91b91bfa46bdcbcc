#include "host/Map.h"

#include <algorithm>
#include <cmath>

#include "host/Error.h"

namespace host {
namespace {

bool removeFromTree(std::vector<LayerPtr>& layers, const Layer* layer) {
    auto it = std::find_if(layers.begin(), layers.end(), [&](const LayerPtr& l) { return l.get() == layer; });
    if (it != layers.end()) {
        layers.erase(it);
        return true;
    }
    for (const auto& l : layers) {
        if (auto group = std::dynamic_pointer_cast<GroupLayer>(l)) {
            if (group->deleteLayer(layer)) return true;
            // nested groups
            std::vector<LayerPtr> children = group->layers();
            for (const auto& child : children) {
                if (auto sub = std::dynamic_pointer_cast<GroupLayer>(child)) {
                    std::vector<LayerPtr> wrapper{sub};
                    if (removeFromTree(wrapper, layer)) return true;
                }
            }
        }
    }
    return false;
}

}  // namespace

Map::Map() : spatialReference_(std::make_shared<SpatialReference>()), basicGraphics_(std::make_shared<CompositeGraphicsLayer>()) {
    basicGraphics_->setName("Basic Graphics Layer");
    basicGraphics_->setRemovalObserver([this](const Element* e) { unselectElement(e); });
}

const LayerPtr& Map::layer(std::size_t index) const {
    if (index >= layers_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "Map.Layer", "Subscript out of range");
    return layers_[index];
}

void Map::addLayer(LayerPtr layer) { insertLayer(0, std::move(layer)); }

void Map::insertLayer(std::size_t index, LayerPtr layer) {
    if (!layer) raiseRuntime(runtime::err::ObjectNotSet, "Map.AddLayer", runtime::standardDescription(91));
    if (index > layers_.size()) index = layers_.size();
    layers_.insert(layers_.begin() + static_cast<std::ptrdiff_t>(index), std::move(layer));
}

bool Map::deleteLayer(const Layer* layer) { return removeFromTree(layers_, layer); }

std::vector<FeatureLayerPtr> Map::featureLayers() const {
    std::vector<FeatureLayerPtr> out;
    for (const auto& l : layers_) collectFeatureLayers(l, out);
    return out;
}

FeatureLayerPtr Map::findFeatureLayer(const std::string& name) const {
    for (const auto& l : featureLayers()) {
        if (l->name() == name) return l;
    }
    return nullptr;
}

void Map::setMapScale(double scale) {
    if (!(scale > 0) || !std::isfinite(scale)) raiseHost(70, "Map.MapScale", "The map scale must be a positive number.");
    mapScale_ = scale;
}

void Map::setReferenceScale(double scale) {
    if (!(scale >= 0) || !std::isfinite(scale)) raiseHost(71, "Map.ReferenceScale", "The reference scale must be 0 or a positive number.");
    referenceScale_ = scale;
}

void Map::setSpatialReference(SpatialReferencePtr sr) {
    spatialReference_ = sr ? std::move(sr) : std::make_shared<SpatialReference>();
}

Envelope Map::fullExtent() const {
    Envelope e;
    for (const auto& l : layers_) e.include(l->extent());
    e.include(basicGraphics_->extent());
    return e;
}

void Map::setBasicGraphicsLayer(CompositeGraphicsLayerPtr layer) {
    if (!layer) raiseRuntime(runtime::err::ObjectNotSet, "Map.BasicGraphicsLayer", runtime::standardDescription(91));
    basicGraphics_->setRemovalObserver(nullptr);
    unselectAllElements();
    activeGraphics_.reset();
    basicGraphics_ = std::move(layer);
    basicGraphics_->setRemovalObserver([this](const Element* e) { unselectElement(e); });
}

GraphicsLayerPtr Map::activeGraphicsLayer() const { return activeGraphics_ ? activeGraphics_ : basicGraphics_; }

const ElementPtr& Map::selectedElement(std::size_t index) const {
    compactSelection();
    if (index >= selection_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "Map.SelectedElement", "Subscript out of range");
    return selection_[index];
}

void Map::selectElement(ElementPtr element) {
    if (!element || !selectedAt_.emplace(element.get(), selection_.size()).second) return;
    selection_.push_back(std::move(element));
}

void Map::unselectElement(const Element* element) {
    const auto it = selectedAt_.find(element);
    if (it == selectedAt_.end()) return;
    selection_[it->second].reset();
    selectedAt_.erase(it);
    if (++unselected_ * 2 > selection_.size()) compactSelection();
}

void Map::unselectAllElements() {
    selection_.clear();
    selectedAt_.clear();
    unselected_ = 0;
}

void Map::compactSelection() const {
    if (unselected_.load(std::memory_order_acquire) == 0) return;
    const std::lock_guard lock(compacting_);
    if (unselected_.load(std::memory_order_relaxed) == 0) return;
    std::size_t kept = 0;
    for (auto& element : selection_) {
        if (!element) continue;
        selectedAt_[element.get()] = kept;
        if (&selection_[kept] != &element) selection_[kept] = std::move(element);
        ++kept;
    }
    selection_.resize(kept);
    unselected_.store(0, std::memory_order_release);
}

}  // namespace host
