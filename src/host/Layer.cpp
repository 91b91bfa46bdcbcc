#include "host/Layer.h"

#include <algorithm>

#include "host/Error.h"

namespace host {

const LayerPtr& GroupLayer::layer(std::size_t index) const {
    if (index >= layers_.size()) raiseRuntime(runtime::err::SubscriptOutOfRange, "GroupLayer.Layer", "Subscript out of range");
    return layers_[index];
}

void GroupLayer::addLayer(LayerPtr layer) {
    if (!layer) raiseRuntime(runtime::err::ObjectNotSet, "GroupLayer.Add", runtime::standardDescription(91));
    layers_.push_back(std::move(layer));
}

bool GroupLayer::deleteLayer(const Layer* layer) {
    auto it = std::find_if(layers_.begin(), layers_.end(), [&](const LayerPtr& l) { return l.get() == layer; });
    if (it == layers_.end()) return false;
    layers_.erase(it);
    return true;
}

Envelope GroupLayer::extent() const {
    Envelope e;
    for (const auto& l : layers_) e.include(l->extent());
    return e;
}

void FeatureLayer::setFeatureClass(FeatureClassPtr featureClass) {
    featureClass_ = std::move(featureClass);
    selection_ = std::make_shared<SelectionSet>(featureClass_);
    if (featureClass_) {
        brokenDataSource_.clear();
        brokenReason_.clear();
        brokenBaseDir_.clear();
    }
}

FeatureCursorPtr FeatureLayer::search(const QueryFilter* filter) const {
    if (!featureClass_) raiseHost(60, "FeatureLayer.Search", "The layer " + name_ + " has no data source: " + brokenReason_);
    if (filter && filter->oids) {
        std::vector<std::size_t> rows;
        for (auto oid : *filter->oids) {
            if (auto row = featureClass_->rowOfOid(oid)) rows.push_back(*row);
        }
        return std::make_shared<FeatureCursor>(featureClass_, std::move(rows));
    }
    return std::make_shared<FeatureCursor>(featureClass_);
}

void FeatureLayer::setBroken(std::string dataSourceJson, std::string reason, std::string baseDir) {
    featureClass_.reset();
    selection_ = std::make_shared<SelectionSet>(nullptr);
    brokenDataSource_ = std::move(dataSourceJson);
    brokenReason_ = std::move(reason);
    brokenBaseDir_ = std::move(baseDir);
}

Envelope FeatureLayer::extent() const { return featureClass_ ? featureClass_->extent() : Envelope(); }

Envelope GraphicsLayer::extent() const {
    Envelope e;
    for (const auto& element : container_.elements()) {
        // A group's extent measured in place: its geometry is an object the group keeps, and a
        // map of a million charts would gain a million of them from being asked its extent.
        if (const auto* group = elementAs<GroupElement>(*element)) e.include(group->extent());
        else if (const GeometryPtr& g = element->geometry()) e.include(g->envelope());
    }
    return e;
}

const GraphicsLayerPtr& CompositeGraphicsLayer::layer(std::size_t index) const {
    if (index >= subLayers_.size())
        raiseRuntime(runtime::err::SubscriptOutOfRange, "CompositeGraphicsLayer.Layer", "Subscript out of range");
    return subLayers_[index];
}

GraphicsLayerPtr CompositeGraphicsLayer::addLayer(const std::string& name, const FeatureLayerPtr& associated) {
    if (name.empty()) raiseHost(61, "CompositeGraphicsLayer.AddLayer", "A graphics layer needs a name.");
    if (findLayerOrNull(name)) raiseHost(62, "CompositeGraphicsLayer.AddLayer", "A graphics layer named " + name + " exists.");
    auto layer = std::make_shared<GraphicsLayer>();
    layer->setName(name);
    layer->setAssociatedLayer(associated);
    addExistingLayer(layer);
    return layer;
}

void CompositeGraphicsLayer::addExistingLayer(GraphicsLayerPtr layer) {
    if (!layer) raiseRuntime(runtime::err::ObjectNotSet, "CompositeGraphicsLayer.AddLayer", runtime::standardDescription(91));
    if (onRemoved_) layer->container().setRemovalObserver(onRemoved_);
    subLayers_.push_back(std::move(layer));
}

GraphicsLayerPtr CompositeGraphicsLayer::findLayerOrNull(const std::string& name) const {
    for (const auto& l : subLayers_) {
        if (l->name() == name) return l;
    }
    return nullptr;
}

GraphicsLayerPtr CompositeGraphicsLayer::findLayer(const std::string& name) const {
    auto l = findLayerOrNull(name);
    if (!l) raiseHost(63, "CompositeGraphicsLayer.FindLayer", "There is no graphics layer named " + name + ".");
    return l;
}

void CompositeGraphicsLayer::deleteLayer(const std::string& name) {
    auto it = std::find_if(subLayers_.begin(), subLayers_.end(), [&](const GraphicsLayerPtr& l) { return l->name() == name; });
    if (it == subLayers_.end()) raiseHost(63, "CompositeGraphicsLayer.DeleteLayer", "There is no graphics layer named " + name + ".");
    GraphicsLayerPtr layer = *it;
    subLayers_.erase(it);
    layer->container().deleteAllElements();  // tells the selection the elements are gone
}

Envelope CompositeGraphicsLayer::extent() const {
    Envelope e = GraphicsLayer::extent();
    for (const auto& l : subLayers_) e.include(l->extent());
    return e;
}

void CompositeGraphicsLayer::setRemovalObserver(std::function<void(const Element*)> observer) {
    onRemoved_ = std::move(observer);
    container().setRemovalObserver(onRemoved_);
    for (const auto& l : subLayers_) l->container().setRemovalObserver(onRemoved_);
}

void collectFeatureLayers(const LayerPtr& layer, std::vector<FeatureLayerPtr>& out) {
    if (auto group = std::dynamic_pointer_cast<GroupLayer>(layer)) {
        for (const auto& child : group->layers()) collectFeatureLayers(child, out);
    } else if (auto fl = std::dynamic_pointer_cast<FeatureLayer>(layer)) {
        out.push_back(fl);
    }
}

}  // namespace host
