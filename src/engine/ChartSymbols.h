#pragma once
// Chart symbols: the bar chart marker symbol of one feature (one vertical bar per chart field,
// each bar in its field's fill symbol), its leader line, and the drawing primitives the builder
// adds around it: value labels, polylines and the break mark across a cut bar.
#include <cstdint>
#include <string>
#include <vector>

#include "host/Element.h"
#include "host/GraphicsContainer.h"
#include "host/Symbol.h"

namespace plotlet {

// The settings the builder hands to MakeBarChartSymbol. Widths and sizes are points.
struct BarChartSettings {
    bool ShowAxes = false;
    double Spacing = 0.0;
    bool VerticalBars = true;
    double Width = 0.0;  // one bar
    bool Display3D = false;
    double Thickness = 0.0;
    double Size = 0.0;  // the chart's height at the maximum value
};

// A new bar chart symbol with the record's settings, the symbols of `symbols` as its bar
// symbols (bar k drawn with symbol k; the symbols are shared, not copied), `maxValue` and
// value k = values[k]. Failures are reported ("MakeBarChartSymbol") and give no symbol.
host::BarChartSymbolPtr MakeBarChartSymbol(const std::vector<double>& values, const host::SymbolArray* symbols,
                                           double maxValue, const BarChartSettings& settings);

// Gives the chart symbol a line-callout background: leader width and colour (0x00BBGGRR), the
// gap before the chart and the leader tolerance (points). The builder sets the anchor. Failures
// are reported ("CreateLeader").
void CreateLeader(const host::BarChartSymbolPtr& chartSymbol, double lineWidth, std::int32_t lineColor, double gap,
                  double tolerance);

// A text element at (x, y) (map units) with a new font and text symbol, scaled with the
// reference scale, added to `container` and returned. Alignment codes as the host numbers them.
host::ElementPtr AddTextElement(const std::string& text, host::GraphicsContainer& container, double x, double y,
                                std::int16_t fontSize, const std::string& fontName, bool italic, std::int32_t color,
                                int horizontalAlignment, int verticalAlignment);

// A line element through the points (rows of x, y; m rows give m − 1 segments, one row an
// empty polyline) with a simple line symbol, added to `container` and returned.
host::ElementPtr AddPolylineElement(host::GraphicsContainer& container, const std::vector<host::XY>& points,
                                    std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color);

// The white break mark across a bar whose value exceeds the chart maximum: from (x, y) to
// (x + width, y) with one zigzag of `height` in its middle. A failure shows "ZigZag error"
// (title "DrawZigZag") and gives no element.
host::ElementPtr DrawZigZag(double height, double width, double x, double y, host::GraphicsContainer& container);

// The builder draws thousands of identical labels and break marks: a style cache hands out one
// shared text symbol per font and alignment, and one line symbol per colour, width and style,
// instead of a new object per element. Symbols handed out are never changed afterwards.
class SymbolCache {
public:
    host::TextSymbolPtr textSymbol(const std::string& fontName, std::int16_t fontSize, bool italic, std::int32_t color,
                                   int horizontalAlignment, int verticalAlignment);
    host::LineSymbolPtr lineSymbol(std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color);

private:
    struct TextKey {
        std::string fontName;
        std::int16_t fontSize;
        bool italic;
        std::int32_t color;
        int horizontal, vertical;
        bool operator==(const TextKey&) const = default;
    };
    struct LineKey {
        std::int16_t width;
        std::int32_t style, color;
        bool operator==(const LineKey&) const = default;
    };
    std::vector<std::pair<TextKey, host::TextSymbolPtr>> texts_;
    std::vector<std::pair<LineKey, host::LineSymbolPtr>> lines_;
};

// The primitives above with shared symbols from a cache (same elements, same error behaviour).
host::ElementPtr AddTextElement(const std::string& text, host::GraphicsContainer& container, double x, double y,
                                std::int16_t fontSize, const std::string& fontName, bool italic, std::int32_t color,
                                int horizontalAlignment, int verticalAlignment, SymbolCache& cache);
host::ElementPtr AddPolylineElement(host::GraphicsContainer& container, const std::vector<host::XY>& points,
                                    std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color,
                                    SymbolCache& cache);
host::ElementPtr DrawZigZag(double height, double width, double x, double y, host::GraphicsContainer& container,
                            SymbolCache& cache);

}  // namespace plotlet
