// Chart placement around a feature marker and the zero point of a chart already on the map,
// read from the data the chart carries.
#include <cmath>

#include "EngineFixture.h"
#include "engine/ElementData.h"
#include "engine/Placement.h"

using namespace plotlet;
using runtime::Variant;

namespace {

constexpr double eps = 1e-9;
const host::Envelope marker(-2, -2, 2, 2);  // Wm = Hm = 4
const host::Envelope chart(0, 0, 6, 8);     // Wc = 6, Hc = 8, α = atan(6/8)

std::array<double, 2> offset(std::int16_t code, double d = 0.0) { return PlacementOffset(marker, chart, code, d); }

host::ElementPtr chartElement(const std::vector<std::string>& keys, const std::vector<Variant>& values) {
    auto e = std::make_shared<host::MarkerElement>();
    SetElementData(e, keys, values);
    return e;
}

}  // namespace

TEST(PlacementOffset, CodesWithoutMoveGiveZero) {
    for (std::int16_t code : {0, 5, -1, -2, 14, 200, -7}) {
        const auto o = offset(code, 3.0);
        EXPECT_EQ(o[0], 0.0) << code;
        EXPECT_EQ(o[1], 0.0) << code;
    }
}

TEST(PlacementOffset, CompassPositions) {
    const double ca = 0.8, sa = 0.6;  // cos and sin of atan(6/8)
    struct Case {
        std::int16_t code;
        double dx, dy;
    };
    const double d = 2.0;
    const Case cases[] = {
        {1, 5 + d, 0},          {2, 5 + d * ca, 2 + d * sa},      {4, 0, 2 + d},
        {6, -5 - d * ca, 2 + d * sa}, {8, -5 - d, 0},            {10, -5 - d * ca, -2 - 8 - d * sa},
        {11, 0, -2 - 8 - d},    {13, 5 + d * ca, -2 - 8 - d * sa},
    };
    for (const Case& c : cases) {
        const auto o = offset(c.code, d);
        EXPECT_NEAR(o[0], c.dx, eps) << c.code;
        EXPECT_NEAR(o[1], c.dy, eps) << c.code;
    }
}

TEST(PlacementOffset, CirclePositionsTreatTheMarkerAsACircle) {
    const double s = std::sqrt(0.5), d = 1.0;
    const auto ne = offset(3, d), nw = offset(7, d), sw = offset(9, d), se = offset(12, d);
    EXPECT_NEAR(ne[0], (4 * s + 6) / 2 + d * s, eps);
    EXPECT_NEAR(ne[1], 2 * s + d * s, eps);
    EXPECT_NEAR(nw[0], -ne[0], eps);
    EXPECT_NEAR(nw[1], ne[1], eps);
    EXPECT_NEAR(sw[0], -ne[0], eps);
    EXPECT_NEAR(sw[1], -2 * s - 8 - d * s, eps);
    EXPECT_NEAR(se[0], ne[0], eps);
    EXPECT_NEAR(se[1], sw[1], eps);
}

TEST(PlacementOffset, EdgesTouchTheMarkerAtDistanceZero) {
    // E: the chart's left edge (reference point minus Wc/2) lands on the marker's right edge.
    EXPECT_NEAR(offset(1)[0] - 3.0, 2.0, eps);
    // N: the chart's base stands on the marker's top edge.
    EXPECT_NEAR(offset(4)[1], 2.0, eps);
    // A marker of no size (a point) at NE circle: the lower-left corner at distance d at 45°.
    const auto o = PlacementOffset(host::Envelope(5, 5, 5, 5), chart, 3, 2.0);
    EXPECT_NEAR(o[0] - 3.0, std::sqrt(2.0), eps);
    EXPECT_NEAR(o[1], std::sqrt(2.0), eps);
}

TEST(PlacementOffset, AFlatChartHasAnAngleToo) {
    // All bars zero: no height. The rectangle corners then put it beside the marker's corner.
    const auto o = PlacementOffset(marker, host::Envelope(0, 0, 6, 0), 2, 2.0);
    EXPECT_TRUE(std::isfinite(o[0]) && std::isfinite(o[1]));
    EXPECT_NEAR(o[0], 5.0, eps);  // α = 90°: straight up from the corner
    EXPECT_NEAR(o[1], 4.0, eps);
}

TEST(ElementData, KeepsKeysInOrderAndTellsChartsApart) {
    auto e = chartElement({"LayerName", "#Vmax#", "#Vmin#", "A", "B"}, {"Towns", 8.0, 0.0, Variant::null(), 3.5});
    std::vector<std::string> names{"stale"};
    std::vector<Variant> values;
    ASSERT_TRUE(GetElementData(e, names, values));
    EXPECT_EQ(names, (std::vector<std::string>{"LayerName", "#Vmax#", "#Vmin#", "A", "B"}));
    EXPECT_EQ(values[0], Variant("Towns"));
    EXPECT_TRUE(values[3].isNull());

    std::vector<std::string> untouched{"keep"};
    std::vector<Variant> untouchedValues{1.0};
    auto text = std::make_shared<host::TextElement>();
    EXPECT_FALSE(GetElementData(text, untouched, untouchedValues));
    text->setCustomProperty(Variant("not a property set"));
    EXPECT_FALSE(GetElementData(text, untouched, untouchedValues));
    EXPECT_EQ(untouched, std::vector<std::string>{"keep"});
    EXPECT_THROW(SetElementData(text, {"A"}, {}), runtime::Error);
}

TEST(GetX0Y0, ZeroPointFromTheAttachedExtents) {
    testing_support::HeadlessScope shell;
    const host::Envelope old(10, 20, 16, 30);  // height 10
    std::array<double, 2> zero{};

    ASSERT_TRUE(GetX0Y0(std::make_shared<host::MarkerElement>(), old, zero));  // no data: lower left
    EXPECT_EQ(zero, (std::array<double, 2>{10, 20}));

    ASSERT_TRUE(GetX0Y0(chartElement({"LayerName", "#VMAX#", "#vmin#"}, {"T", 6.0, -4.0}), old, zero));
    EXPECT_NEAR(zero[1], 24.0, eps);  // 4 of 10 below the zero line

    ASSERT_TRUE(GetX0Y0(chartElement({"LayerName", "#Vmax#", "#Vmin#"}, {"T", 5.0, 5.0}), old, zero));
    EXPECT_EQ(zero, (std::array<double, 2>{10, 30}));  // equal extents: the top-left corner

    ASSERT_TRUE(GetX0Y0(chartElement({"LayerName"}, {"T"}), old, zero));  // missing extents read 0
    EXPECT_EQ(zero, (std::array<double, 2>{10, 30}));

    EXPECT_FALSE(GetX0Y0(chartElement({"#Vmax#", "#Vmin#"}, {"lots", 0.0}), old, zero));
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_NE(shell.messages()[0].text.find("GetX0Y0 Plotlet_v8_2 Line : 2"), std::string::npos);
}
