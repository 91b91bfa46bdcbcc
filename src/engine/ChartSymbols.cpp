#include "engine/ChartSymbols.h"

#include "engine/ChartData.h"
#include "errors/ErrorHandling.h"
#include "runtime/Error.h"
#include "ui/Shell.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

host::TextSymbolPtr makeTextSymbol(const std::string& fontName, std::int16_t fontSize, bool italic, std::int32_t color,
                                   int horizontalAlignment, int verticalAlignment) {
    host::FontSpec font;
    font.name = fontName;
    font.size = fontSize;
    font.italic = italic;
    auto symbol = std::make_shared<host::TextSymbol>();
    symbol->setFont(font);
    symbol->setSize(static_cast<double>(fontSize));
    symbol->setColor(host::RgbColor(static_cast<std::uint32_t>(color)));
    symbol->setVerticalAlignment(verticalAlignment);
    symbol->setHorizontalAlignment(horizontalAlignment);
    return symbol;
}

host::LineSymbolPtr makeLineSymbol(std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color) {
    auto symbol = std::make_shared<host::SimpleLineSymbol>();
    symbol->setColor(host::RgbColor(static_cast<std::uint32_t>(color)));
    symbol->setStyle(static_cast<int>(lineStyle));
    symbol->setWidth(lineWidth);
    return symbol;
}

host::ElementPtr makeText(const std::string& text, double x, double y, host::TextSymbolPtr symbol) {
    auto element = std::make_shared<host::TextElement>();
    element->setText(text);
    element->setScaleText(true);
    element->setSymbol(std::move(symbol));
    element->setPoint({x, y});
    return element;
}

host::ElementPtr addText(const std::string& text, host::GraphicsContainer& container, double x, double y,
                         host::TextSymbolPtr symbol) {
    host::ElementPtr element = makeText(text, x, y, std::move(symbol));
    container.addElement(element);
    return element;
}

host::ElementPtr makePolyline(const std::vector<host::XY>& points, host::LineSymbolPtr symbol) {
    auto element = std::make_shared<host::LineElement>();
    element->setSymbol(std::move(symbol));
    auto line = std::make_shared<host::Polyline>();
    // Points that each equal themselves (no NaN) chain into one path, segment after segment:
    // that path is taken whole, at its own size.
    bool chained = points.size() >= 2;
    for (const host::XY& p : points) chained = chained && p == p;
    if (chained) {
        line->addPath(points);
    } else {
        for (std::size_t i = 0; i + 1 < points.size(); ++i) line->addSegment(points[i], points[i + 1]);
    }
    element->setGeometry(std::move(line));
    return element;
}

host::ElementPtr addPolyline(host::GraphicsContainer& container, const std::vector<host::XY>& points,
                             host::LineSymbolPtr symbol) {
    host::ElementPtr element = makePolyline(points, std::move(symbol));
    container.addElement(element);
    return element;
}

std::vector<host::XY> zigZagPoints(double height, double width, double x, double y) {
    const double w = width, h = height;
    return {{x, y}, {x + w / 8, y}, {x + 2 * w / 8, y - h / 2}, {x + 6 * w / 8, y + h / 2}, {x + 7 * w / 8, y}, {x + w, y}};
}

constexpr std::int32_t White = 16777215;

template <class Draw>
host::ElementPtr zigZagTrapped(Draw&& draw) {
    try {
        return draw();
    } catch (...) {
        try {
            ui::msgBox("ZigZag error", ui::mb::OKOnly + ui::mb::Exclamation, "DrawZigZag");
        } catch (...) {
        }
        return nullptr;
    }
}

}  // namespace

host::BarChartSymbolPtr MakeBarChartSymbol(const std::vector<double>& values, const host::SymbolArray* symbols,
                                           double maxValue, const BarChartSettings& settings) {
    EH::ProcedureGuard guard{{.procedure = "MakeBarChartSymbol", .module = EngineModuleName}};
    try {
        guard.line = 1;
        auto chart = std::make_shared<host::BarChartSymbol>();
        chart->setShowAxes(settings.ShowAxes);
        chart->setSpacing(settings.Spacing);
        chart->setVerticalBars(settings.VerticalBars);
        chart->setWidth(settings.Width);
        guard.line = 2;
        if (!symbols) runtime::raise(runtime::err::ObjectNotSet);
        chart->shareSymbols(*symbols);
        guard.line = 3;
        chart->setMaxValue(maxValue);
        chart->setValues(values);
        guard.line = 4;
        chart->setDisplay3D(settings.Display3D);
        chart->setThickness(settings.Thickness);
        guard.line = 5;
        chart->setSize(settings.Size);
        return chart;
    } catch (...) {
        guard.report();
        return nullptr;
    }
}

void CreateLeader(const host::BarChartSymbolPtr& chartSymbol, double lineWidth, std::int32_t lineColor, double gap,
                  double tolerance) {
    EH::ProcedureGuard guard{{.procedure = "CreateLeader", .module = EngineModuleName}};
    try {
        guard.line = 1;
        const host::RgbColor color(static_cast<std::uint32_t>(lineColor));
        guard.line = 2;
        if (!chartSymbol) runtime::raise(runtime::err::ObjectNotSet);
        // A chart symbol starts without a background; it then gets a fresh callout.
        host::LineCalloutPtr callout = chartSymbol->background() ? chartSymbol->background()
                                                                 : std::make_shared<host::LineCallout>();
        guard.line = 3;
        callout->setLeaderWidth(lineWidth);
        callout->setLeaderColor(color);
        guard.line = 4;
        callout->setGap(gap);
        callout->setLeaderTolerance(tolerance);
        guard.line = 5;
        chartSymbol->setBackground(std::move(callout));
    } catch (...) {
        guard.report();
    }
}

host::ElementPtr AddTextElement(const std::string& text, host::GraphicsContainer& container, double x, double y,
                                std::int16_t fontSize, const std::string& fontName, bool italic, std::int32_t color,
                                int horizontalAlignment, int verticalAlignment) {
    return addText(text, container, x, y,
                   makeTextSymbol(fontName, fontSize, italic, color, horizontalAlignment, verticalAlignment));
}

host::ElementPtr AddTextElement(const std::string& text, host::GraphicsContainer& container, double x, double y,
                                std::int16_t fontSize, const std::string& fontName, bool italic, std::int32_t color,
                                int horizontalAlignment, int verticalAlignment, SymbolCache& cache) {
    return addText(text, container, x, y,
                   cache.textSymbol(fontName, fontSize, italic, color, horizontalAlignment, verticalAlignment));
}

host::ElementPtr AddPolylineElement(host::GraphicsContainer& container, const std::vector<host::XY>& points,
                                    std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color) {
    return addPolyline(container, points, makeLineSymbol(lineWidth, lineStyle, color));
}

host::ElementPtr AddPolylineElement(host::GraphicsContainer& container, const std::vector<host::XY>& points,
                                    std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color,
                                    SymbolCache& cache) {
    return addPolyline(container, points, cache.lineSymbol(lineWidth, lineStyle, color));
}

host::ElementPtr DrawZigZag(double height, double width, double x, double y, host::GraphicsContainer& container) {
    return zigZagTrapped(
        [&] { return AddPolylineElement(container, zigZagPoints(height, width, x, y), 1, 0, White); });
}

host::ElementPtr DrawZigZag(double height, double width, double x, double y, host::GraphicsContainer& container,
                            SymbolCache& cache) {
    return zigZagTrapped(
        [&] { return AddPolylineElement(container, zigZagPoints(height, width, x, y), 1, 0, White, cache); });
}

host::ElementPtr MakeTextElement(const std::string& text, double x, double y, std::int16_t fontSize,
                                 const std::string& fontName, bool italic, std::int32_t color, int horizontalAlignment,
                                 int verticalAlignment, SymbolCache& cache) {
    return makeText(text, x, y, cache.textSymbol(fontName, fontSize, italic, color, horizontalAlignment, verticalAlignment));
}

host::ElementPtr MakeZigZag(double height, double width, double x, double y, SymbolCache& cache) {
    return zigZagTrapped([&] { return makePolyline(zigZagPoints(height, width, x, y), cache.lineSymbol(1, 0, White)); });
}

host::TextSymbolPtr SymbolCache::textSymbol(const std::string& fontName, std::int16_t fontSize, bool italic,
                                            std::int32_t color, int horizontalAlignment, int verticalAlignment) {
    TextKey key{fontName, fontSize, italic, color, horizontalAlignment, verticalAlignment};
    for (const auto& [k, symbol] : texts_) {
        if (k == key) return symbol;
    }
    host::TextSymbolPtr symbol =
        makeTextSymbol(fontName, fontSize, italic, color, horizontalAlignment, verticalAlignment);
    texts_.emplace_back(std::move(key), symbol);
    return symbol;
}

host::LineSymbolPtr SymbolCache::lineSymbol(std::int16_t lineWidth, std::int32_t lineStyle, std::int32_t color) {
    const LineKey key{lineWidth, lineStyle, color};
    for (const auto& [k, symbol] : lines_) {
        if (k == key) return symbol;
    }
    host::LineSymbolPtr symbol = makeLineSymbol(lineWidth, lineStyle, color);
    lines_.emplace_back(key, symbol);
    return symbol;
}

}  // namespace plotlet
