#include "host/MxDocument.h"

#include <filesystem>

#include "runtime/HookSlot.h"

namespace host {
namespace {

runtime::HookSlot<DisplayFactory>& factory() {
    static runtime::HookSlot<DisplayFactory> slot;
    return slot;
}

}  // namespace

void setDisplayFactory(DisplayFactory f) { factory().set(std::move(f)); }

Display& ActiveView::screenDisplay() {
    if (!display_) {
        const DisplayFactory f = factory().get();
        display_ = f ? f() : nullptr;
        if (!display_) display_ = std::make_unique<PlainDisplay>();
    }
    const MapPtr& map = document_.focusMap();
    DisplayTransformation& t = display_->displayTransformation();
    if (map) {
        t.setMetresPerUnit(map->spatialReference()->metresPerUnit());
        t.setReferenceScale(map->referenceScale());
        Envelope extent = map->extent();
        if (extent.isEmpty()) extent = map->fullExtent();
        if (!extent.isEmpty()) {
            t.setBounds(map->fullExtent());
            if (t.visibleBounds().isEmpty() || t.visibleBounds().centre() != extent.centre()) t.setVisibleBounds(extent);
        }
        if (map->mapScale() > 0) t.setMapScale(map->mapScale());
    }
    return *display_;
}

void ActiveView::refresh() {
    ++refreshes_;
    RefreshEvent e;
    for (const auto& l : listeners_) l(e);
}

void ActiveView::partialRefresh(ViewDrawPhase phase, const runtime::ObjectPtr&, const Envelope* area) {
    ++partialRefreshes_;
    RefreshEvent e{false, phase, area ? *area : Envelope()};
    for (const auto& l : listeners_) l(e);
}

MxDocument::MxDocument() {
    focusMap_ = std::make_shared<Map>();
    maps_.push_back(focusMap_);
}

void MxDocument::setFocusMap(MapPtr map) {
    if (!map) return;
    if (std::find(maps_.begin(), maps_.end(), map) == maps_.end()) maps_.push_back(map);
    focusMap_ = std::move(map);
}

std::string MxDocument::title() const {
    if (path_.empty()) return "Untitled";
    return std::filesystem::path(path_).filename().string();
}

}  // namespace host
