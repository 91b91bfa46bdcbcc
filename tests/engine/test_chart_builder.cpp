// The chart element builder, run against a stand-in of the dialog's settings: New and Recreate,
// placement, clamping, break marks, labels, nulls, negative values, keys, the expected messages
// and the error report.
#include <cmath>
#include <iterator>
#include <limits>

#include "ChartDialogFixture.h"
#include "engine/ElementData.h"
#include "host/Renderer.h"
#include "ui/CommonDialog.h"
#include "ui/TextBox.h"

using namespace plotlet;
using engine_test::BuilderTest;
using runtime::Variant;

namespace {
constexpr double eps = 1e-6;

std::vector<std::string> labelTexts(const std::vector<std::shared_ptr<host::TextElement>>& labels) {
    std::vector<std::string> out;
    for (const auto& l : labels) out.push_back(l->text());
    return out;
}
}  // namespace

TEST_F(BuilderTest, NewModeDrawsOneNamedChartPerFeature) {
    run();
    auto layer = chartLayer();
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->associatedLayer(), towns);
    EXPECT_EQ(map->activeGraphicsLayer(), layer);
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(markerOf(groups[0])->name(), "Raleigh");
    EXPECT_EQ(markerOf(groups[2])->name(), "Cary");
    EXPECT_EQ(symbolOf(groups[0])->valueList(), (std::vector<double>{5, 2, 1}));
    EXPECT_EQ(symbolOf(groups[0])->maxValue(), 8);
    EXPECT_EQ(symbolOf(groups[0])->size(), 45);
    EXPECT_EQ(symbolOf(groups[0])->width(), 10);
    EXPECT_EQ(symbolOf(groups[0])->symbol(2), fields->symbol(2));
    EXPECT_EQ(labelTexts(membersOf<host::TextElement>(groups[1])), (std::vector<std::string>{"3.0", "8.0", "4.0"}));
    EXPECT_TRUE(membersOf<host::LineElement>(groups[1]).empty());

    // The attached data: 3 + n entries in order.
    std::vector<std::string> names;
    std::vector<Variant> values;
    ASSERT_TRUE(GetElementData(markerOf(groups[0]), names, values));
    EXPECT_EQ(names, (std::vector<std::string>{"LayerName", "#Vmax#", "#Vmin#", "A", "B", "C"}));
    EXPECT_EQ(values, (std::vector<Variant>{"Towns", 5.0, 0.0, 5.0, 2.0, 1.0}));

    // The leader goes from the feature to the chart; one refresh at the end, no message.
    ASSERT_TRUE(symbolOf(groups[0])->background());
    EXPECT_EQ(symbolOf(groups[0])->background()->anchorPoint(), (host::XY{1000, 1000}));
    EXPECT_EQ(symbolOf(groups[0])->background()->leaderWidth(), 0.5);
    EXPECT_EQ(symbolOf(groups[0])->background()->gap(), 3);
    EXPECT_EQ(document->activeView().refreshCount(), 1u);
    EXPECT_TRUE(shell.messages().empty());

    // A second New run starts from an empty chart layer.
    run();
    EXPECT_EQ(charts().size(), 3u);
    EXPECT_EQ(document->activeView().refreshCount(), 2u);
}

TEST_F(BuilderTest, PlacementEastPutsTheChartBesideTheMarker) {
    run(1);
    const host::Envelope box = boundsWithoutLeader(charts()[0]);
    EXPECT_NEAR(box.xMin(), 1000 + pointsToMap(4), eps);  // the marker's right edge (8 points wide)
    EXPECT_NEAR(box.yMin(), 1000, eps);
    EXPECT_NEAR(box.width(), pointsToMap(30), eps);
    EXPECT_NEAR(box.height(), pointsToMap(45 * 5.0 / 8), eps);

    form.set("TxtLabelDistance", "100");
    run(4);
    const host::Envelope north = boundsWithoutLeader(charts()[0]);
    EXPECT_NEAR(north.yMin(), 1000 + pointsToMap(4) + 100, eps);
    EXPECT_NEAR(north.xMin() + north.width() / 2, 1000, eps);
    run(14);  // no such placement: the chart stands on the feature
    EXPECT_NEAR(boundsWithoutLeader(charts()[0]).yMin(), 1000, eps);
}

TEST_F(BuilderTest, ValuesBeyondTheMaximumGetABreakMarkAndKeepTheirLabel) {
    setValue(0, "A", 20);
    form.set("TxtMaxValue", "8");
    run(0);
    const auto chart = charts()[0];
    EXPECT_EQ(symbolOf(chart)->value(0), 8);  // clamped
    const auto marks = membersOf<host::LineElement>(chart);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0]->symbol()->color().rgb(), 0xFFFFFFu);
    const host::Envelope box = boundsWithoutLeader(chart);
    const auto path = std::dynamic_pointer_cast<host::Polyline>(marks[0]->geometry())->paths().at(0);
    EXPECT_NEAR(path.front().x, box.xMin(), eps);               // across the first bar
    EXPECT_NEAR(path.back().x, box.xMin() + box.width() / 3, eps);
    EXPECT_NEAR(path.front().y, box.yMin() + 0.8 * box.height(), eps);  // at 80 % of the bar
    EXPECT_EQ(membersOf<host::TextElement>(chart)[0]->text(), "20");
    std::vector<std::string> names;
    std::vector<Variant> values;
    GetElementData(markerOf(chart), names, values);
    EXPECT_EQ(values[1], Variant(8.0));
    EXPECT_EQ(values[3], Variant(20.0));  // the value as read
}

TEST_F(BuilderTest, SmallValuesGetTheMinimumAndZeroGetsNoLabel) {
    setValue(0, "A", 0.2);
    setValue(0, "B", 0);
    run(0);
    EXPECT_EQ(symbolOf(charts()[0])->valueList(), (std::vector<double>{0.5, 0.5, 1}));
    EXPECT_EQ(labelTexts(membersOf<host::TextElement>(charts()[0])), (std::vector<std::string>{"0.2", "1.0"}));
    form.set("TxtMinValue", "0");
    run(0);
    EXPECT_EQ(symbolOf(charts()[0])->valueList(), (std::vector<double>{0.2, 0, 1}));
}

TEST_F(BuilderTest, NegativeValuesHangDownAndMoveTheZeroLine) {
    setValue(0, "A", -4);
    setValue(0, "B", 2);
    setValue(0, "C", -20);
    run(0);
    const auto chart = charts()[0];
    EXPECT_EQ(symbolOf(chart)->valueList(), (std::vector<double>{-4, 2, -8}));
    std::vector<std::string> names;
    std::vector<Variant> values;
    GetElementData(markerOf(chart), names, values);
    EXPECT_EQ(values[1], Variant(2.0));
    EXPECT_EQ(values[2], Variant(-8.0));
    const host::Envelope box = boundsWithoutLeader(chart);
    EXPECT_NEAR(box.height(), pointsToMap(45.0 * 10 / 8), eps);
    // The zero line stands at 8 / 10 of the height; the chart's base on the feature.
    EXPECT_NEAR(box.yMin(), 1000, eps);
    const auto labels = membersOf<host::TextElement>(chart);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0]->symbol()->verticalAlignment(), host::VerticalAlignment::Top);
    EXPECT_EQ(labels[1]->symbol()->verticalAlignment(), host::VerticalAlignment::Bottom);
    EXPECT_NEAR(std::dynamic_pointer_cast<host::Point>(labels[0]->geometry())->y(), box.yMin() + box.height() * 4 / 10, eps);
    EXPECT_NEAR(std::dynamic_pointer_cast<host::Point>(labels[1]->geometry())->y(), box.yMax(), eps);
    // Only the cut bar (−20 beyond −8) gets a break mark; −4 is drawn whole.
    const auto marks = membersOf<host::LineElement>(chart);
    ASSERT_EQ(marks.size(), 1u);
    const auto path = std::dynamic_pointer_cast<host::Polyline>(marks[0]->geometry())->paths().at(0);
    EXPECT_NEAR(path.front().x, box.xMin() + 2 * box.width() / 3, eps);
    EXPECT_NEAR(path.front().y, box.yMin() + box.height() * (0.8 * -8 + 8) / 10, eps);
}

TEST_F(BuilderTest, NullsDrawTheSubstituteUnclamped) {
    setValue(0, "B", std::nan(""));
    form.set("TxtNullValue", "12,5");
    run(0);
    const auto chart = charts()[0];
    EXPECT_EQ(symbolOf(chart)->valueList(), (std::vector<double>{5, 12.5, 1}));
    EXPECT_EQ(labelTexts(membersOf<host::TextElement>(chart)), (std::vector<std::string>{"5.0", "12", "1.0"}));  // halves to even
    std::vector<std::string> names;
    std::vector<Variant> values;
    GetElementData(markerOf(chart), names, values);
    EXPECT_EQ(values[4], Variant("<Null>"));
    EXPECT_EQ(values[1], Variant(8.0));
    EXPECT_EQ(membersOf<host::LineElement>(chart).size(), 1u);  // beyond the maximum
}

TEST_F(BuilderTest, NonFiniteValues) {
    // A NaN is no value (drawn as the null substitute); infinities fall beyond the scale.
    auto fc = host::makeFeatureClass("Odd", host::GeometryType::Point,
                                     std::vector<host::Field>{{"NAME", host::FieldType::String},
                                                              {"A", host::FieldType::Double},
                                                              {"B", host::FieldType::Single}});
    const double inf = std::numeric_limits<double>::infinity();
    fc->addFeature(std::make_shared<host::Point>(500, 500),
                   {Variant("x"), Variant(std::nan("")), Variant(std::numeric_limits<float>::infinity())});
    fc->addFeature(std::make_shared<host::Point>(600, 600), {Variant("y"), Variant(-inf), Variant(2.0f)});
    auto odd = engine_test::pointLayer("Odd", fc);
    map->addLayer(odd);
    form.set("TxtNullValue", "1");
    run(0, false, false, {"A", "B"}, odd);
    const auto groups = charts("Odd_charts");
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(symbolOf(groups[0])->valueList(), (std::vector<double>{1, 8}));
    EXPECT_EQ(symbolOf(groups[1])->valueList(), (std::vector<double>{-8, 2}));
    EXPECT_EQ(labelTexts(membersOf<host::TextElement>(groups[0])), (std::vector<std::string>{"1.0", "Infinity"}));
    std::vector<std::string> names;
    std::vector<Variant> values;
    GetElementData(markerOf(groups[0]), names, values);
    EXPECT_EQ(values[3], Variant("<Null>"));
    EXPECT_EQ(membersOf<host::LineElement>(groups[1]).size(), 1u);
    for (const auto& g : groups) {
        const host::Envelope box = boundsWithoutLeader(g);
        EXPECT_TRUE(std::isfinite(box.width()) && std::isfinite(box.height()));
        EXPECT_LE(box.height(), pointsToMap(45 * 2) + eps);
    }
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, LabelsStandOnTheTopsOfTheirBars) {
    // Raleigh: 5, 2, 1 on a scale up to 8; the chart's extent is 0…5, so the tops lie at 1, 0.4
    // and 0.2 of its height.
    run(0);
    const auto chart = charts()[0];
    const host::Envelope box = boundsWithoutLeader(chart);
    const auto labels = membersOf<host::TextElement>(chart);
    ASSERT_EQ(labels.size(), 3u);
    const double tops[] = {1.0, 0.4, 0.2};
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const auto at = std::dynamic_pointer_cast<host::Point>(labels[k]->geometry());
        EXPECT_NEAR(at->y(), box.yMin() + tops[k] * box.height(), eps) << k;
        EXPECT_NEAR(at->x(), box.xMin() + box.width() * (2.0 * static_cast<double>(k) + 1) / 6, eps) << k;
    }
}

TEST_F(BuilderTest, AllEqualExtentsPutLabelsAndBreakMarksOnTheFlatChart) {
    // A maximum of 0 makes every chart's extent 0…0: no bar has a height, every value lies
    // beyond the scale, and labels and break marks still get a place instead of a division by
    // zero.
    form.set("TxtMaxValue", "0");
    form.set("TxtMinValue", "0");
    run(0);
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 3u);
    for (const auto& chart : groups) {
        std::vector<std::string> names;
        std::vector<Variant> values;
        ASSERT_TRUE(GetElementData(markerOf(chart), names, values));
        EXPECT_EQ(values[1], Variant(0.0));
        EXPECT_EQ(values[2], Variant(0.0));
        const host::Envelope box = boundsWithoutLeader(chart);
        EXPECT_NEAR(box.height(), 0.0, eps);
        const auto labels = membersOf<host::TextElement>(chart);
        const auto marks = membersOf<host::LineElement>(chart);
        EXPECT_EQ(labels.size(), 3u) << markerOf(chart)->name();
        EXPECT_EQ(marks.size(), 3u) << markerOf(chart)->name();
        for (const auto& label : labels) {
            const auto at = std::dynamic_pointer_cast<host::Point>(label->geometry());
            EXPECT_NEAR(at->y(), box.yMax(), eps);
            EXPECT_TRUE(std::isfinite(at->x()));
        }
        for (const auto& mark : marks) {
            const host::Envelope e = mark->geometry()->envelope();
            EXPECT_TRUE(std::isfinite(e.yMin()) && std::isfinite(e.yMax()));
        }
    }
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, LabelsAndLeaderFollowTheirSwitches) {
    form.set("ChkLabelDiagramm", 0);
    form.set("ChkShowLeader", 0);
    form.set("TxtMinLabelValue", "abc");  // not read while labels are off
    run();
    for (const auto& g : charts()) {
        EXPECT_EQ(g->elementCount(), 1u);
        EXPECT_FALSE(symbolOf(g)->background());
    }
    form.set("ChkLabelDiagramm", 1);
    form.set("TxtMinLabelValue", "4");
    run();
    EXPECT_EQ(labelTexts(membersOf<host::TextElement>(charts()[1])), (std::vector<std::string>{"8.0"}));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, RecreateKeepsEveryChartsLeftEdgeAndZeroLine) {
    setValue(1, "B", -3);
    run(11);  // below the features
    std::vector<host::XY> zero;
    for (const auto& g : charts()) {
        const host::Envelope box = boundsWithoutLeader(g);
        std::array<double, 2> z{};
        ASSERT_TRUE(GetX0Y0(markerOf(g), box, z));
        zero.push_back({z[0], z[1]});
    }
    // New values, also a new negative extent; then Recreate at the old place, twice.
    setValue(0, "A", -6);
    setValue(1, "B", 7);
    setValue(2, "C", 30);
    for (int round = 0; round < 2; ++round) {
        run(PlacementOldPlace, true);
        const auto groups = charts();
        ASSERT_EQ(groups.size(), 3u);
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const host::Envelope box = boundsWithoutLeader(groups[i]);
            std::vector<std::string> names;
            std::vector<Variant> values;
            GetElementData(markerOf(groups[i]), names, values);
            const double vmax = values[1].toDouble(), vmin = values[2].toDouble();
            const double ratio = vmax != vmin ? -vmin / (vmax - vmin) : 1.0;
            EXPECT_NEAR(box.xMin(), zero[i].x, eps) << i;
            EXPECT_NEAR(box.yMin() + box.height() * ratio, zero[i].y, eps) << i;
        }
    }
    EXPECT_EQ(symbolOf(chartNamed("Cary"))->value(2), 8);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, RecreatePlacesChartsWithoutAnOldOneOnTheFeature) {
    run(1, true);  // Recreate with no chart layer yet: it is created
    EXPECT_EQ(charts().size(), 3u);
    // A new feature has no old chart: drawn on its centre.
    towns->featureClass()->addFeature(std::make_shared<host::Point>(3000, 3000),
                                      {Variant("Apex"), Variant(1.0), Variant(1.0), Variant(1.0)});
    run(PlacementOldPlace, true);
    ASSERT_EQ(charts().size(), 4u);
    const host::Envelope apex = boundsWithoutLeader(chartNamed("Apex"));
    EXPECT_NEAR(apex.xMin() + apex.width() / 2, 3000, eps);
    EXPECT_NEAR(apex.yMin(), 3000, eps);
    // Recreate with a placement code replaces the charts at the new place.
    run(8, true);
    ASSERT_EQ(charts().size(), 4u);
    EXPECT_LT(boundsWithoutLeader(chartNamed("Apex")).xMax(), 3000);
}

TEST_F(BuilderTest, RecreateOverAnotherLayersCharts) {
    auto others = engine_test::pointLayer("Others", engine_test::townsClass({{1500, 1500, "Raleigh", 1, 1, 1},
                                                                             {6000, 6000, "Durham", 2, 2, 2}}));
    map->addLayer(others);
    run(13, false, false, {"A", "B", "C"}, others);
    const host::Envelope oldRaleigh = boundsWithoutLeader(chartNamed("Raleigh", "Others_charts"));
    run(1);  // Towns' own charts, about to be replaced
    form.set("CmbOldChartLayer", "Others_charts");
    run(PlacementOverOldCharts, true);

    const auto groups = charts();
    ASSERT_EQ(groups.size(), 3u);  // the old ones of Towns_charts were deleted first
    const host::Envelope raleigh = boundsWithoutLeader(chartNamed("Raleigh"));
    EXPECT_NEAR(raleigh.xMin(), oldRaleigh.xMin(), eps);
    EXPECT_NEAR(raleigh.yMin(), oldRaleigh.yMin(), eps);
    // Cary has no old chart there: it stands on its feature.
    EXPECT_NEAR(boundsWithoutLeader(chartNamed("Cary")).yMin(), 2000, eps);
    // The old charts stay where they are, without their leaders.
    ASSERT_EQ(charts("Others_charts").size(), 2u);
    for (const auto& g : charts("Others_charts")) EXPECT_FALSE(symbolOf(g)->background());
}

TEST_F(BuilderTest, RecreateOverAMissingLayerSaysSo) {
    form.set("CmbOldChartLayer", "Gone_charts");
    run(PlacementOverOldCharts, true);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "Annotation layer not exist Gone_charts");
    EXPECT_EQ(shell.messages()[0].title, "Refresh charts");
    EXPECT_EQ(shell.messages()[0].icon, ui::mb::Exclamation);
    EXPECT_EQ(document->activeView().refreshCount(), 0u);
}

TEST_F(BuilderTest, RussianMessages) {
    LoadMessagesFor("Русский");
    run(1, false, true);
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "Нет выбранных объектов");
}

TEST_F(BuilderTest, SelectedOnly) {
    run(1, false, true);  // nothing selected
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "No selected objects");
    EXPECT_EQ(shell.messages()[0].buttons, ui::mb::OKOnly);
    EXPECT_EQ(shell.messages()[0].icon, ui::mb::NoIcon);
    EXPECT_EQ(document->activeView().refreshCount(), 0u);
    ASSERT_TRUE(chartLayer());  // New mode had already made the chart layer afresh
    EXPECT_TRUE(charts().empty());

    towns->selectionSet()->addList({1, 3});
    run(1, false, true);
    const auto groups = charts();
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(markerOf(groups[1])->name(), "Cary");
}

TEST_F(BuilderTest, AnEmptyLayerEndsWithAnEmptyChartLayer) {
    auto empty = engine_test::pointLayer("Empty", engine_test::townsClass({}));
    map->addLayer(empty);
    form.set("TxtMaxValue", "not a number");  // never needed
    run(1, false, false, {"A"}, empty);
    ASSERT_TRUE(chartLayer("Empty_charts"));
    EXPECT_TRUE(charts("Empty_charts").empty());
    EXPECT_EQ(document->activeView().refreshCount(), 1u);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, KeyFields) {
    // Any field can be the key; a missing key leaves the charts unnamed.
    form.set("CmbKey", "OBJECTID");
    run();
    EXPECT_EQ(markerOf(charts()[2])->name(), "3");
    form.set("CmbKey", "NOPE");
    run();
    for (const auto& g : charts()) EXPECT_EQ(markerOf(g)->name(), "");
    // Recreate without names: each unnamed chart is found again by its leader's anchor, its
    // feature's point, so every feature keeps exactly one chart, run after run.
    run(PlacementOldPlace, true);
    EXPECT_EQ(charts().size(), 3u);
    run(PlacementOldPlace, true);
    EXPECT_EQ(charts().size(), 3u);

    // The fields of a joined table carry their table's name: the key is found qualified.
    const std::vector<host::Field> defs{{"Sites.NAME", host::FieldType::String}, {"A", host::FieldType::Double},
                                        {"B", host::FieldType::Double}, {"C", host::FieldType::Double}};
    auto joined = host::makeFeatureClass("Sites", host::GeometryType::Point, defs);
    joined->addFeature(std::make_shared<host::Point>(500, 500), {Variant("Apex"), Variant(1.0), Variant(2.0), Variant(3.0)});
    auto sites = engine_test::pointLayer("Sites", joined);
    map->addLayer(sites);
    form.set("CmbKey", "NAME");
    run(1, false, false, {"A", "B", "C"}, sites);
    ASSERT_EQ(charts("Sites_charts").size(), 1u);
    EXPECT_EQ(markerOf(charts("Sites_charts")[0])->name(), "Apex");
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, RecreateNeverDeletesAChartOfTheSameRun) {
    run(1);
    // Two features share one key; only one old chart carries it.
    towns->featureClass()->addFeature(std::make_shared<host::Point>(9000, 9000),
                                      {Variant("Raleigh"), Variant(1.0), Variant(2.0), Variant(3.0)});
    run(PlacementOldPlace, true);
    EXPECT_EQ(charts().size(), 4u);
}

TEST_F(BuilderTest, ALayerOfAnotherGeometryEndsInTheErrorReport) {
    auto renderer = std::make_shared<host::SimpleRenderer>();
    renderer->setSymbol(std::make_shared<host::SimpleFillSymbol>());
    towns->setRenderer(renderer);
    run();
    ASSERT_EQ(shell.messages().size(), 1u);
    const ui::ShellEvent box = shell.messages()[0];
    EXPECT_EQ(box.title, "Unexpected Program Error");
    EXPECT_NE(box.text.find("\tPlotletsGraphElementPlotlet_v8_2 Line : 17\r\n"), std::string::npos);
    EXPECT_NE(box.text.find("Type mismatch"), std::string::npos);
    EXPECT_TRUE(charts().empty());
    EXPECT_EQ(document->activeView().refreshCount(), 0u);
}

TEST_F(BuilderTest, BadSettingsEndInTheErrorReportOrASensibleChart) {
    form.set("TxtMaxValue", "lots");
    run();
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_NE(shell.messages()[0].text.find("PlotletsGraphElementPlotlet_v8_2 Line : 9"), std::string::npos);

    form.set("TxtMaxValue", "0");  // every bar flat, every bar cut
    run(2);
    ASSERT_EQ(charts().size(), 3u);
    EXPECT_EQ(boundsWithoutLeader(charts()[0]).height(), 0);
    form.set("TxtMaxValue", "8");
    form.set("TxtChartMarkerSize", "0");
    run(13);
    EXPECT_EQ(charts().size(), 3u);
    form.set("TxtChartMarkerSize", "45");
    form.set("TxtSignNumber", "99999");
    run();
    ASSERT_EQ(shell.messages().size(), 2u);
    EXPECT_NE(shell.messages()[1].text.find("Line : 31"), std::string::npos);
    EXPECT_NE(shell.messages()[1].text.find("Overflow"), std::string::npos);
    EXPECT_EQ(document->activeView().refreshCount(), 2u);
}

// Users quote the line of the error report: a setting that holds no number fails at the step
// that first needs it, and a setting that no feature needs is never read.
TEST_F(BuilderTest, EachSettingFailsAtTheStepThatNeedsIt) {
    setValue(0, "B", std::nan(""));  // the first feature needs the null substitute
    const std::pair<const char*, long> cases[] = {
        {"TxtMaxValue", 9},    {"TxtMinValue", 9},        {"TxtNullValue", 10},
        {"TxtChartWidth", 14}, {"TxtChartMarkerSize", 14}, {"TxtLabelDistance", 26},
        {"TxtMinLabelValue", 31}, {"TxtSignNumber", 31},  {"TxtFontSize", 31},
    };
    for (const auto& [control, line] : cases) {
        const std::string good = form.textBox(control).text();
        form.set(control, "x");
        const std::size_t before = shell.messages().size();
        run();
        ASSERT_EQ(shell.messages().size(), before + 1) << control;
        const std::string where = "\tPlotletsGraphElementPlotlet_v8_2 Line : " + std::to_string(line) + "\r\n";
        EXPECT_NE(shell.messages().back().text.find(where), std::string::npos) << control << shell.messages().back().text;
        EXPECT_TRUE(charts().empty()) << control;
        form.set(control, good);
    }

    // No null value, no labels, every chart kept at its old place: those boxes stay unread.
    setValue(0, "B", 2);
    for (const char* control : {"TxtNullValue", "TxtMinLabelValue", "TxtSignNumber", "TxtFontSize"}) form.set(control, "x");
    form.set("ChkLabelDiagramm", 0);
    run();
    form.set("TxtLabelDistance", "x");
    run(PlacementOldPlace, true);
    EXPECT_EQ(shell.messages().size(), std::size(cases));
    EXPECT_EQ(charts().size(), 3u);
}

TEST_F(BuilderTest, FailuresOfTheLayerAndItsChartsNameTheirStep) {
    const auto lineOfLast = [&] {
        const std::string text = shell.messages().back().text;  // a copy: messages() is a temporary
        const std::size_t at = text.find("PlotletsGraphElementPlotlet_v8_2 Line : ");
        return at == std::string::npos ? std::string("none") : text.substr(at + 40, text.find('\r', at) - at - 40);
    };
    plotlet::PlotletsGraphElement(form.dialog(), nullptr, 1, false, false, {"A"}, fields.get());
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(lineOfLast(), "2");

    run(1, false, false, {"A", "Missing", "C"});  // a chart field the layer lacks
    ASSERT_EQ(shell.messages().size(), 2u);
    EXPECT_EQ(lineOfLast(), "10");

    // The old chart of Raleigh is no chart: its place cannot be kept.
    run();
    auto& container = chartLayer()->container();
    container.deleteElement(container.findElementByName("Raleigh").get());
    auto text = std::make_shared<host::TextElement>();
    text->setName("Raleigh");
    container.addElement(text);
    run(PlacementOldPlace, true);
    ASSERT_EQ(shell.messages().size(), 3u);
    EXPECT_EQ(lineOfLast(), "24");
}

TEST_F(BuilderTest, ThousandsOfFields) {
    std::vector<host::Field> defs{{"NAME", host::FieldType::String}};
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i) {
        names.push_back("F" + std::to_string(i));
        defs.push_back({names.back(), host::FieldType::Double});
    }
    auto fc = host::makeFeatureClass("Wide", host::GeometryType::Point, defs);
    std::vector<Variant> row{Variant("w")};
    for (int i = 0; i < 2000; ++i) row.emplace_back(static_cast<double>(i % 10));
    fc->addFeature(std::make_shared<host::Point>(100, 100), row);
    auto wide = engine_test::pointLayer("Wide", fc);
    map->addLayer(wide);
    run(1, false, false, names, wide);
    const auto groups = charts("Wide_charts");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(symbolOf(groups[0])->valueCount(), 2000u);
    EXPECT_EQ(symbolOf(groups[0])->symbolCount(), 3u);  // the dialog gave three symbols
    std::vector<std::string> keys;
    std::vector<Variant> values;
    GetElementData(markerOf(groups[0]), keys, values);
    EXPECT_EQ(keys.size(), 2003u);
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(BuilderTest, LayerFileWithTheChartRenderer) {
    testing_support::TempFolder folder;
    const std::string path = (folder / "Towns.lyr").string();
    form.set("ChkSaveLyrFile", 1);
    form.initDir = folder.path().string();
    std::vector<std::string> seen;
    app->statusBar().progressBar().setObserver([&](const host::StepProgressor::State& s) {
        if (s.visible) seen.push_back(s.message + (form.isVisible() ? " (dialog shown)" : ""));
    });
    shell.shell->chooseFile(path);
    run();
    ASSERT_EQ(shell.shell->transcript().size(), 1u);
    const ui::ShellEvent& save = shell.shell->transcript()[0];
    EXPECT_EQ(save.kind, "save");
    EXPECT_EQ(save.title, "Save legend as:");
    EXPECT_EQ(save.text, "Towns.lyr");
    EXPECT_NE(save.detail.find("Layer *.lyr|*.lyr"), std::string::npos);
    EXPECT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "Saving Layerfile(s)");  // shown while writing, the dialog hidden
    EXPECT_FALSE(app->statusBar().progressBar().state().visible);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.initDir, folder.path().string() + "/");
    // The copy is not added to the map; the map's layer keeps its renderer.
    EXPECT_EQ(map->layerCount(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<host::SimpleRenderer>(towns->renderer()));
    // The last chart keeps its leader.
    EXPECT_TRUE(symbolOf(charts()[2])->background());

    auto back = std::dynamic_pointer_cast<host::FeatureLayer>(host::readLayerFile(path));
    ASSERT_TRUE(back);
    auto renderer = std::dynamic_pointer_cast<host::ChartRenderer>(back->renderer());
    ASSERT_TRUE(renderer);
    EXPECT_EQ(renderer->label(), "Label");
    EXPECT_FALSE(renderer->useOverposter());
    ASSERT_EQ(renderer->fieldCount(), 3u);
    EXPECT_EQ(renderer->field(0).name, "A");
    EXPECT_EQ(renderer->field(2).name, "C");
    EXPECT_EQ(renderer->field(1).alias, "");
    EXPECT_EQ(renderer->chartSymbol()->size(), 45);
    EXPECT_FALSE(renderer->chartSymbol()->background());
    EXPECT_EQ(renderer->chartSymbol()->symbolCount(), 3u);
    EXPECT_EQ(renderer->legend().size(), 3u);
    // The copy draws the same charts: its symbol for a feature holds that feature's values.
    auto cursor = back->search();
    auto second = (cursor->nextFeature(), cursor->nextFeature());
    auto drawn = std::dynamic_pointer_cast<host::BarChartSymbol>(renderer->symbolByFeature(*second));
    EXPECT_EQ(drawn->valueList(), (std::vector<double>{3, 8, 4}));
}

TEST_F(BuilderTest, LayerFileCancelledOrUnwritable) {
    form.set("ChkSaveLyrFile", 1);
    run();  // the headless user cancels
    EXPECT_TRUE(shell.messages().empty());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(document->activeView().refreshCount(), 1u);

    // A file that cannot be written is reported, not passed over in silence.
    shell.shell->chooseFile("/nonexistent-folder/Towns.lyr");
    run();
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_NE(shell.messages()[0].text.find("\tPlotletsGraphElement Plotlet_v8_2 Line : 34"), std::string::npos);
    EXPECT_NE(shell.messages()[0].text.find("Towns.lyr"), std::string::npos);
    EXPECT_FALSE(app->statusBar().progressBar().state().visible);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(document->activeView().refreshCount(), 2u);
}
