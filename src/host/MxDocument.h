#pragma once
// The open map document: its maps (one focus map), the active view that draws the focus map,
// and the file it lives in.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/Display.h"
#include "host/Map.h"
#include "runtime/Object.h"

namespace host {

// Drawing phases as the host numbers them.
enum class ViewDrawPhase : int { None = 0, Background = 1, Geography = 2, GeoSelection = 4, Graphics = 8,
                                 GraphicSelection = 16, Foreground = 32, All = 0xFFFF };

struct RefreshEvent {
    bool full = true;  // a whole refresh; otherwise a partial one
    ViewDrawPhase phase = ViewDrawPhase::All;
    Envelope area;  // empty: the whole view
};

// Makes the screen display of a view. The cairo display installs one; without it views measure
// on a PlainDisplay.
using DisplayFactory = std::function<std::unique_ptr<Display>()>;
void setDisplayFactory(DisplayFactory factory);

class MxDocument;

class ActiveView {
public:
    explicit ActiveView(MxDocument& document) : document_(document) {}

    // The display of the focus map, brought in line with the map's scales, coordinate system and
    // extent each time it is asked for.
    Display& screenDisplay();
    void refresh();
    void partialRefresh(ViewDrawPhase phase, const runtime::ObjectPtr& data, const Envelope* area);

    // Hosts that draw listen here; tests count.
    void addRefreshListener(std::function<void(const RefreshEvent&)> listener) { listeners_.push_back(std::move(listener)); }
    std::size_t refreshCount() const { return refreshes_; }
    std::size_t partialRefreshCount() const { return partialRefreshes_; }

private:
    MxDocument& document_;
    std::unique_ptr<Display> display_;
    std::vector<std::function<void(const RefreshEvent&)>> listeners_;
    std::size_t refreshes_ = 0, partialRefreshes_ = 0;
};

class MxDocument final : public runtime::Object {
public:
    MxDocument();
    std::string className() const override { return "MxDocument"; }

    const MapPtr& focusMap() const { return focusMap_; }
    // The map must be one of the document's maps (it is added when it is not).
    void setFocusMap(MapPtr map);
    const std::vector<MapPtr>& maps() const { return maps_; }
    ActiveView& activeView() { return activeView_; }

    // Full path of the document file; empty for a document never saved.
    const std::string& path() const { return path_; }
    void setPath(std::string path) { path_ = std::move(path); }
    std::string title() const;

private:
    std::vector<MapPtr> maps_;
    MapPtr focusMap_;
    ActiveView activeView_{*this};
    std::string path_;
};

using MxDocumentPtr = std::shared_ptr<MxDocument>;

}  // namespace host
