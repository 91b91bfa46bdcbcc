#pragma once
// Maps the drawing benchmarks draw: bar-chart graphic elements as the chart builder makes them
// (a group of a chart marker with 5 bars and 5 value labels), scattered over a square.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "host/Element.h"
#include "host/Map.h"
#include "runtime/NumberText.h"

namespace bench_support {

constexpr int kBars = 5;
constexpr double kExtent = 100'000.0;  // map units (metres) on a side

inline std::vector<host::SymbolPtr> barFills() {
    const std::uint32_t colours[kBars] = {0x3030E0, 0x30C030, 0xE03030, 0x30C0E0, 0xC030C0};
    std::vector<host::SymbolPtr> fills;
    for (const auto c : colours) {
        auto fill = std::make_shared<host::SimpleFillSymbol>();
        fill->setColor(host::RgbColor(c));
        auto line = std::make_shared<host::SimpleLineSymbol>();
        line->setWidth(0.5);
        fill->setOutline(line);
        fills.push_back(fill);
    }
    return fills;
}

inline host::BarChartSymbolPtr chartSymbol(const std::vector<host::SymbolPtr>& fills) {
    auto chart = std::make_shared<host::BarChartSymbol>();
    chart->setWidth(4);
    chart->setSize(20);
    chart->setMaxValue(10);
    for (const auto& f : fills) chart->addSymbol(f);
    return chart;
}

// n charts scattered over the map, each a group of its chart marker and one label per bar, as
// the builder places them (labels centred over their bars, bottom-aligned, 6 points in `font`),
// for a picture `pictureWidth` pixels wide of the whole square at 96 dpi.
inline host::MapPtr chartElementMap(std::size_t n, double pictureWidth = 2000.0, const std::string& fontName = "Arial") {
    auto map = std::make_shared<host::Map>();
    auto layer = map->basicGraphicsLayer()->addLayer("Cities_charts", nullptr);
    const auto fills = barFills();
    auto labelSymbol = std::make_shared<host::TextSymbol>();
    host::FontSpec font;
    font.name = fontName;
    font.size = 6;
    labelSymbol->setFont(font);
    labelSymbol->setHorizontalAlignment(1);
    labelSymbol->setVerticalAlignment(3);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> position(0, kExtent), value(0.5, 10.0);
    // The labels' places depend on the chart's size in map units at the picture's scale.
    const double mapUnitsPerPoint = kExtent / pictureWidth * 96.0 / 72.0;
    layer->container().reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const host::XY p{position(random), position(random)};
        auto chart = chartSymbol(fills);
        auto group = std::make_shared<host::GroupElement>();
        auto marker = std::make_shared<host::MarkerElement>();
        marker->setGeometry(std::make_shared<host::Point>(p));
        marker->setName(std::to_string(i));
        double values[kBars];
        for (int k = 0; k < kBars; ++k) chart->setValue(k, values[k] = value(random));
        marker->setSymbol(chart);
        group->addElement(marker);
        const double barWidth = 4 * mapUnitsPerPoint, left = p.x - kBars * barWidth / 2;
        for (int k = 0; k < kBars; ++k) {
            auto label = std::make_shared<host::TextElement>();
            label->setText(runtime::numberText(std::round(values[k] * 10) / 10, "."));
            label->setSymbol(labelSymbol);
            label->setGeometry(
                std::make_shared<host::Point>(left + (k + 0.5) * barWidth, p.y + values[k] / 10 * 20 * mapUnitsPerPoint));
            group->addElement(label);
        }
        layer->container().addElement(group);
    }
    return map;
}

}  // namespace bench_support
