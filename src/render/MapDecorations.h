#pragma once
// What turns a drawing of a map into a map a person can hand on: a legend of the charts (which
// colour is which field, how tall a bar is), a title, a scale bar and a north arrow. They belong
// to the picture, not to the map document, and are drawn inside the picture over the map.
//
// The legend reads the charts themselves: the data every chart marker carries ("LayerName",
// "#Vmax#", "#Vmin#", then one key per field in bar order) and its bar chart symbol (one fill
// per bar), so it is right for a map made by anyone. Swatches, names and boxes are drawn at the
// picture's resolution; the size key is drawn at the charts' own drawing scale, so it measures
// like the charts (zoomed in far, it shows a smaller round value rather than outgrow the picture).
#include <optional>
#include <string>
#include <vector>

#include "host/Map.h"
#include "host/SpatialReference.h"
#include "host/Symbol.h"
#include "render/Canvas.h"

namespace render {

struct MapDecorations {
    bool legend = true;  // drawn only when the map holds charts
    std::string title;   // none when empty
    bool scaleBar = false;
    bool northArrow = false;
    bool russian = false;  // language of the captions
};

// The legend of one chart graphics layer, read from its charts.
struct ChartLegend {
    std::string layerName;  // the charted layer, as the charts name it
    std::vector<std::string> fields;
    std::vector<host::FillSymbolPtr> fills;  // one per field (null: drawn in grey, as the charts)
    double maxValue = 0;                     // the value that gets the full chart size
    double size = 0;                         // points
    double barWidth = 0;                     // points
    std::optional<double> minValue;          // when the charts show values raised to a minimum
};

// The legends of the chart graphics layers the map draws, in drawing order.
std::vector<ChartLegend> chartLegends(const host::Map& map);

// A scale bar of round length: `metres` on the ground span `pixels` across the picture.
struct ScaleBarPlan {
    double metres = 0;
    double pixels = 0;
    std::string label;  // "500 m", "2 km" (Russian: "500 м", "2 км")
};

// Ground metres per pixel across the middle of the picture: map units are metres times the
// spatial reference's factor; on a geographic map a degree of longitude holds 111,319.49 m
// times the cosine of the latitude, and on the web's spherical Mercator a metre of the map is
// the cosine of the latitude on the ground.
double groundMetresPerPixel(const host::DisplayTransformation& t, const host::SpatialReference& reference);
// The longest 1, 2 or 5 × 10ⁿ metres that fits in `maxPixels`; empty when the scale is unknown.
std::optional<ScaleBarPlan> planScaleBar(const host::DisplayTransformation& t, const host::SpatialReference& reference,
                                         double maxPixels, bool russian);

// Where the decorations went, in device pixels (empty boxes for what was not drawn).
struct DecorationLayout {
    DeviceBox legend;
    std::vector<DeviceBox> swatches;  // legend rows of all layers, in order
    // Per layer: the key bar (the scale's largest value, or a smaller round value when that bar
    // would outgrow a quarter of the picture), then the minimum's bar when there is one.
    std::vector<DeviceBox> sizeBars;
    std::vector<double> sizeValues;   // the value of each size bar
    int legendCorner = -1;            // 0 top left, 1 top right, 2 bottom left, 3 bottom right
    DeviceBox title, scaleBar, northArrow;
    std::optional<ScaleBarPlan> scale;
};

// Draws the decorations over a drawn map. In measure mode it draws nothing.
DecorationLayout drawMapDecorations(Canvas& canvas, const host::Map& map, const MapDecorations& decorations);

}  // namespace render
