#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/ChartGeometry.h"
#include "host/Display.h"
#include "host/Element.h"

using namespace host;

namespace {

std::shared_ptr<BarChartSymbol> chart(std::vector<double> values, double maxValue, double size = 40, double width = 10) {
    auto s = std::make_shared<BarChartSymbol>();
    for (std::size_t k = 0; k < values.size(); ++k) s->setValue(k, values[k]);
    s->setMaxValue(maxValue);
    s->setSize(size);
    s->setWidth(width);
    return s;
}

}  // namespace

TEST(BarChartLayout, BarsRiseFromTheZeroLineInTheirSlots) {
    auto s = chart({8, 4, 0}, 8);
    const BarChartLayout l = layoutBarChart(*s);
    ASSERT_EQ(l.bars.size(), 3u);
    EXPECT_DOUBLE_EQ(l.box.x0, -15);
    EXPECT_DOUBLE_EQ(l.box.x1, 15);
    EXPECT_DOUBLE_EQ(l.box.y0, 0);
    EXPECT_DOUBLE_EQ(l.box.y1, 40);  // a value equal to the maximum takes the full size
    EXPECT_DOUBLE_EQ(l.bars[1].x0, -5);
    EXPECT_DOUBLE_EQ(l.bars[1].height(), 20);
    EXPECT_DOUBLE_EQ(l.bars[2].height(), 0);
    EXPECT_DOUBLE_EQ(l.zeroY, 0);
}

TEST(BarChartLayout, NegativeValuesHangAndLiftTheZeroLine) {
    auto s = chart({8, -4}, 8);
    const BarChartLayout l = layoutBarChart(*s);
    EXPECT_DOUBLE_EQ(l.zeroY, 20);
    EXPECT_DOUBLE_EQ(l.box.y1, 60);
    EXPECT_DOUBLE_EQ(l.bars[1].y0, 0);
    EXPECT_DOUBLE_EQ(l.bars[1].y1, 20);
}

TEST(BarChartLayout, UnusableValuesGiveFiniteShapes) {
    const double inf = std::numeric_limits<double>::infinity();
    auto s = chart({std::nan(""), inf, -inf, 3}, 0);  // a maximum of 0 too
    const BarChartLayout l = layoutBarChart(*s);
    for (const Rect& r : l.bars) {
        EXPECT_TRUE(std::isfinite(r.y0) && std::isfinite(r.y1));
    }
    EXPECT_DOUBLE_EQ(l.bars[0].height(), 0);
    EXPECT_DOUBLE_EQ(l.bars[1].height(), 40);
    EXPECT_DOUBLE_EQ(l.bars[3].height(), 0);
}

TEST(ElementBounds, ChartBoxScalesWithMapUnitsPerPoint) {
    // 1:72000 at 1 m per unit: one point is 0.0254 * 1000 = 25.4 map units.
    PlainDisplay display(72000, 0);
    EXPECT_NEAR(display.mapUnitsPerPoint(), 25.4, 1e-9);
    MarkerElement e;
    e.setGeometry(std::make_shared<Point>(1000, 2000));
    e.setSymbol(chart({8, 4}, 8, 10, 5));
    const Envelope b = e.queryBounds(display);
    EXPECT_NEAR(b.xMin(), 1000 - 5 * 25.4, 1e-6);
    EXPECT_NEAR(b.width(), 10 * 25.4, 1e-6);
    EXPECT_NEAR(b.yMin(), 2000, 1e-6);
    EXPECT_NEAR(b.height(), 10 * 25.4, 1e-6);
    // A reference scale fixes the size in map units whatever the map scale.
    PlainDisplay referenced(144000, 72000);
    EXPECT_NEAR(e.queryBounds(referenced).width(), 10 * 25.4, 1e-6);
}

TEST(ElementBounds, LeaderCountsOnlyOutsideItsTolerance) {
    PlainDisplay display(72 / 0.0254, 0);  // one point per map unit
    auto s = chart({10}, 10, 10, 10);
    auto callout = std::make_shared<LineCallout>();
    callout->setGap(2);
    callout->setLeaderTolerance(5);
    s->setBackground(callout);
    MarkerElement e;
    e.setSymbol(s);
    e.setGeometry(std::make_shared<Point>(100, 100));  // box (95,100)-(105,110)
    callout->setAnchorPoint(XY{100, 97});                // 3 below the box: within tolerance
    EXPECT_DOUBLE_EQ(e.queryBounds(display).yMin(), 100);
    EXPECT_FALSE(leaderSegment(*callout, Envelope(95, 100, 105, 110), 1.0));
    callout->setAnchorPoint(XY{100, 80});  // 20 below: a leader from the anchor, stopping 2 short
    EXPECT_DOUBLE_EQ(e.queryBounds(display).yMin(), 80);
    auto leader = leaderSegment(*callout, Envelope(95, 100, 105, 110), 1.0);
    ASSERT_TRUE(leader);
    EXPECT_DOUBLE_EQ(leader->to.y, 98);
}

TEST(ElementBounds, TextBoxFollowsBothAlignments) {
    PlainDisplay display(72 / 0.0254, 0);
    auto symbol = std::make_shared<TextSymbol>();
    symbol->setSize(10);
    symbol->setHorizontalAlignment(1);
    symbol->setVerticalAlignment(3);  // bottom: the text stands on the anchor
    TextElement t;
    t.setText("1234");  // plain display: 0.55 em a character, 0.8 + 0.2 em high
    t.setSymbol(symbol);
    t.setGeometry(std::make_shared<Point>(50, 50));
    Envelope b = t.queryBounds(display);
    EXPECT_NEAR(b.xMin(), 50 - 11, 1e-9);
    EXPECT_NEAR(b.xMax(), 50 + 11, 1e-9);
    EXPECT_NEAR(b.yMin(), 50, 1e-9);
    EXPECT_NEAR(b.yMax(), 60, 1e-9);
    symbol->setVerticalAlignment(0);  // top: it hangs from the anchor
    b = t.queryBounds(display);
    EXPECT_NEAR(b.yMax(), 50, 1e-9);
    EXPECT_NEAR(b.yMin(), 40, 1e-9);
}

TEST(ElementBounds, GroupsAreTheUnionAndMoveTogether) {
    PlainDisplay display(72 / 0.0254, 0);
    auto a = std::make_shared<MarkerElement>();
    auto sm = std::make_shared<SimpleMarkerSymbol>();
    sm->setSize(4);
    a->setSymbol(sm);
    a->setGeometry(std::make_shared<Point>(0, 0));
    auto line = std::make_shared<LineElement>();
    auto pl = std::make_shared<Polyline>();
    pl->addSegment({10, 10}, {20, 10});
    line->setGeometry(pl);
    GroupElement g;
    g.addElement(a);
    g.addElement(line);
    Envelope b = g.queryBounds(display);
    EXPECT_DOUBLE_EQ(b.xMin(), -2);
    EXPECT_DOUBLE_EQ(b.xMax(), 20);
    g.move(5, 1);
    b = g.queryBounds(display);
    EXPECT_DOUBLE_EQ(b.xMin(), 3);
    EXPECT_DOUBLE_EQ(b.yMax(), 11);
}
