// Chart symbols: the bar chart symbol, its leader, labels, polylines and the break mark.
#include "EngineFixture.h"
#include "engine/ChartSymbols.h"
#include "host/ChartGeometry.h"
#include "host/GraphicsContainer.h"

using namespace plotlet;

namespace {

std::shared_ptr<host::BarChartSymbol> fills(int n) {
    auto array = std::make_shared<host::BarChartSymbol>();
    for (int i = 0; i < n; ++i) {
        auto fill = std::make_shared<host::SimpleFillSymbol>();
        fill->setColor(host::RgbColor(static_cast<std::uint32_t>(0x1000 * (i + 1))));
        array->addSymbol(fill);
    }
    return array;
}

BarChartSettings settings(double width = 10, double size = 40) {
    BarChartSettings s;
    s.Width = width;
    s.Size = size;
    return s;
}

}  // namespace

TEST(MakeBarChartSymbol, OneBarPerValueInItsFieldsSymbol) {
    auto symbols = fills(3);
    auto chart = MakeBarChartSymbol({8, 4, 0}, symbols.get(), 8, settings());
    ASSERT_TRUE(chart);
    EXPECT_EQ(chart->symbolCount(), 3u);
    EXPECT_EQ(chart->symbol(1), symbols->symbol(1));  // shared with the dialog's array
    EXPECT_EQ(chart->valueList(), (std::vector<double>{8, 4, 0}));
    EXPECT_EQ(chart->maxValue(), 8);
    EXPECT_EQ(chart->size(), 40);
    EXPECT_EQ(chart->width(), 10);
    EXPECT_EQ(chart->spacing(), 0);
    EXPECT_TRUE(chart->verticalBars());
    EXPECT_FALSE(chart->showAxes() || chart->display3D());

    const host::BarChartLayout layout = host::layoutBarChart(*chart);
    EXPECT_DOUBLE_EQ(layout.bars[0].height(), 40);  // the maximum: the full size
    EXPECT_DOUBLE_EQ(layout.bars[1].height(), 20);
    EXPECT_DOUBLE_EQ(layout.bars[2].height(), 0);   // zero: no bar
    EXPECT_DOUBLE_EQ(layout.bars[0].x1, layout.bars[1].x0);  // bars touch

    auto single = MakeBarChartSymbol({3}, fills(1).get(), 8, settings());
    EXPECT_EQ(single->symbolCount(), 1u);
    EXPECT_EQ(single->valueCount(), 1u);
}

TEST(MakeBarChartSymbol, ReportsAMissingSymbolArray) {
    testing_support::HeadlessScope shell;
    EXPECT_EQ(MakeBarChartSymbol({1}, nullptr, 8, settings()), nullptr);
    ASSERT_EQ(shell.messages().size(), 1u);
    // The procedure name carries no blank: the module name follows at once.
    EXPECT_NE(shell.messages()[0].text.find("\tMakeBarChartSymbolPlotlet_v8_2 Line : 2"), std::string::npos);
}

TEST(CreateLeader, GivesTheChartALineCallout) {
    testing_support::HeadlessScope shell;
    auto chart = MakeBarChartSymbol({1, 2}, fills(2).get(), 8, settings());
    CreateLeader(chart, 0.5, 0x0000FF, 3, 25);
    ASSERT_TRUE(chart->background());
    EXPECT_EQ(chart->background()->leaderWidth(), 0.5);
    EXPECT_EQ(chart->background()->leaderColor().rgb(), 0x0000FFu);
    EXPECT_EQ(chart->background()->gap(), 3);
    EXPECT_EQ(chart->background()->leaderTolerance(), 25);
    EXPECT_FALSE(chart->background()->anchorPoint());

    CreateLeader(nullptr, 0.5, 0, 3, 25);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_NE(shell.messages()[0].text.find("\tCreateLeaderPlotlet_v8_2 Line : 2"), std::string::npos);
}

TEST(AddTextElement, AddsAScaledLabel) {
    host::GraphicsContainer container;
    auto element = AddTextElement("12.3", container, 5, 6, 7, "Arial Narrow", false, 0x00FF00, 1, 3);
    auto text = std::dynamic_pointer_cast<host::TextElement>(element);
    ASSERT_TRUE(text);
    EXPECT_TRUE(container.contains(text.get()));
    EXPECT_EQ(text->text(), "12.3");
    EXPECT_TRUE(text->scaleText());
    EXPECT_EQ(text->symbol()->font().name, "Arial Narrow");
    EXPECT_EQ(text->symbol()->size(), 7);
    EXPECT_EQ(text->symbol()->color().rgb(), 0x00FF00u);
    EXPECT_EQ(text->symbol()->horizontalAlignment(), host::HorizontalAlignment::Center);
    EXPECT_EQ(text->symbol()->verticalAlignment(), host::VerticalAlignment::Bottom);
    EXPECT_EQ(std::dynamic_pointer_cast<host::Point>(text->geometry())->xy(), (host::XY{5, 6}));
    EXPECT_THROW(AddTextElement("x", container, 0, 0, 7, "Arial", false, 0, 1, 9), runtime::Error);
}

TEST(AddPolylineElement, ConnectsTheRows) {
    host::GraphicsContainer container;
    auto two = std::dynamic_pointer_cast<host::LineElement>(AddPolylineElement(container, {{0, 0}, {3, 4}}, 2, 1, 255));
    ASSERT_TRUE(two);
    EXPECT_EQ(std::dynamic_pointer_cast<host::Polyline>(two->geometry())->segmentCount(), 1u);
    auto line = std::dynamic_pointer_cast<host::SimpleLineSymbol>(two->symbol());
    EXPECT_EQ(line->style(), host::SimpleLineStyle::Dash);
    EXPECT_EQ(line->width(), 2);
    EXPECT_EQ(line->color().rgb(), 255u);
    auto one = std::dynamic_pointer_cast<host::LineElement>(AddPolylineElement(container, {{1, 1}}, 1, 0, 0));
    EXPECT_TRUE(one->geometry()->isEmpty());
    EXPECT_EQ(container.elementCount(), 2u);
}

TEST(DrawZigZag, CutsTheBarInWhite) {
    host::GraphicsContainer container;
    auto mark = std::dynamic_pointer_cast<host::LineElement>(DrawZigZag(2, 8, 10, 20, container));
    ASSERT_TRUE(mark);
    const auto& paths = std::dynamic_pointer_cast<host::Polyline>(mark->geometry())->paths();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], (std::vector<host::XY>{{10, 20}, {11, 20}, {12, 19}, {16, 21}, {17, 20}, {18, 20}}));
    EXPECT_EQ(mark->symbol()->color().rgb(), 0xFFFFFFu);
    EXPECT_EQ(mark->symbol()->width(), 1);
}

TEST(SymbolCache, SharesOneSymbolPerStyle) {
    host::GraphicsContainer container;
    SymbolCache cache;
    auto mark1 = std::dynamic_pointer_cast<host::LineElement>(DrawZigZag(2, 8, 0, 0, container, cache));
    auto mark2 = std::dynamic_pointer_cast<host::LineElement>(DrawZigZag(1, 1, 5, 5, container, cache));
    EXPECT_EQ(mark1->symbol(), mark2->symbol());
    auto up = std::dynamic_pointer_cast<host::TextElement>(
        AddTextElement("1.0", container, 0, 0, 6, "Arial", false, 0, 1, 3, cache));
    auto same = std::dynamic_pointer_cast<host::TextElement>(
        AddTextElement("2.0", container, 1, 1, 6, "Arial", false, 0, 1, 3, cache));
    auto down = std::dynamic_pointer_cast<host::TextElement>(
        AddTextElement("-2.0", container, 1, 1, 6, "Arial", false, 0, 1, 0, cache));
    EXPECT_EQ(up->symbol(), same->symbol());
    EXPECT_NE(up->symbol(), down->symbol());
    EXPECT_EQ(down->symbol()->verticalAlignment(), host::VerticalAlignment::Top);
}
