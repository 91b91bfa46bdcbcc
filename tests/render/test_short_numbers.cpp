// Value labels that fit: the short forms of numbers in both languages, and the labels of a chart
// shortened only where they would overlap a neighbouring bar's label, measured with real fonts.
#include <gtest/gtest.h>

#include <limits>

#include "host/ChartGeometry.h"
#include "render/CairoDisplay.h"
#include "render/RenderFixtures.h"
#include "render/ShortNumbers.h"

using namespace rendertest;

namespace {

using Forms = std::vector<std::string>;

TEST(ShortNumberForms, ThreeThenTwoSignificantDigitsInEachLanguagesConvention) {
    EXPECT_EQ(render::shortNumberForms(12345, false), (Forms{"12.3k", "12k"}));
    EXPECT_EQ(render::shortNumberForms(12345, true), (Forms{"12,3 тыс.", "12 тыс."}));
    EXPECT_EQ(render::shortNumberForms(1234567, false), (Forms{"1.23M", "1.2M"}));
    EXPECT_EQ(render::shortNumberForms(1234567, true), (Forms{"1,23 млн", "1,2 млн"}));
    EXPECT_EQ(render::shortNumberForms(2.5e9, true), (Forms{"2,5 млрд"})) << "trailing zeros dropped, no repeats";
    EXPECT_EQ(render::shortNumberForms(4.5e12, false), (Forms{"4.5T"}));
    EXPECT_EQ(render::shortNumberForms(-12345, false), (Forms{"-12.3k", "-12k"}));
    EXPECT_EQ(render::shortNumberForms(123456, false), (Forms{"123k"})) << "never fewer digits than the whole part";
    // Rounding that reaches a thousand of a unit moves to the next unit.
    EXPECT_EQ(render::shortNumberForms(999960, false), (Forms{"1M"}));
    EXPECT_EQ(render::shortNumberForms(999.5e3, true), (Forms{"1 млн"}));
    // Nothing shorter exists below a thousand, nor for what is no number.
    EXPECT_TRUE(render::shortNumberForms(999, false).empty());
    EXPECT_TRUE(render::shortNumberForms(std::numeric_limits<double>::infinity(), false).empty());
    EXPECT_TRUE(render::shortNumberForms(std::numeric_limits<double>::quiet_NaN(), false).empty());
}

TEST(ShortNumberForms, OnlyLabelsThatAreNumbersAreRead) {
    double v = 0;
    EXPECT_TRUE(render::labelNumber("12345", v));
    EXPECT_EQ(v, 12345);
    EXPECT_TRUE(render::labelNumber("-12.5", v));
    EXPECT_EQ(v, -12.5);
    EXPECT_TRUE(render::labelNumber("1E+15", v));
    EXPECT_EQ(v, 1e15);
    EXPECT_FALSE(render::labelNumber("12.3k", v));
    EXPECT_FALSE(render::labelNumber("Moscow", v));
    EXPECT_FALSE(render::labelNumber("", v));
}

// A chart as the builder makes it: a group of the chart marker and one label per bar, centred
// over its bar's slot, its bottom on the bar's top.
class CrowdedLabels : public ::testing::Test {
protected:
    static constexpr double kFont = 7;
    void SetUp() override {
        display.displayTransformation() = frameOf(1000, 1000, host::Envelope(0, 0, 1000, 1000));
        k = display.mapUnitsPerPoint();
    }
    double width(const std::string& text) const {
        host::FontSpec font;
        font.name = "Arial";
        font.size = kFont;
        return display.measureText(font, text).width;
    }
    // The room labels side by side need between them so as not to read as one number.
    double clearance() const {
        host::FontSpec font;
        font.name = "Arial";
        font.size = kFont;
        const host::TextExtent e = display.measureText(font, "0");
        return (e.ascent + e.descent) / 4;
    }
    std::vector<std::shared_ptr<host::TextElement>> addChart(host::XY at, const std::vector<double>& values, double max,
                                                             double barWidth) {
        auto symbol = barChart(values, std::vector<std::uint32_t>(values.size(), 0x808080), max, barWidth, 30);
        auto group = std::make_shared<host::GroupElement>();
        group->addElement(markerAt(at, symbol));
        const host::Envelope box = host::chartBox(*symbol, at, k);
        const double slot = box.width() / static_cast<double>(values.size());
        std::vector<std::shared_ptr<host::TextElement>> labels;
        for (std::size_t i = 0; i < values.size(); ++i) {
            const double top = box.yMin() + values[i] / max * 30 * k;
            labels.push_back(textAt({box.xMin() + slot * (static_cast<double>(i) + 0.5), top}, std::to_string(static_cast<long>(values[i])), kFont, 1, 3));
            group->addElement(labels.back());
        }
        container.addElement(group);
        return labels;
    }
    bool overlap(const host::TextElement& a, const host::TextElement& b) const {
        const host::Envelope p = a.queryBounds(display), q = b.queryBounds(display);
        return p.xMin() < q.xMax() && q.xMin() < p.xMax() && p.yMin() < q.yMax() && q.yMin() < p.yMax();
    }

    render::CairoDisplay display;
    host::GraphicsContainer container;
    double k = 0;
};

TEST_F(CrowdedLabels, OnlyOverlappingLabelsAreShortenedAndJustEnoughToClear) {
    // Bars just wide enough for "12.3k" beside "13.5k", not for the full numbers.
    const double full = (width("12345") + width("13456")) / 2, shorter = (width("12.3k") + width("13.5k")) / 2;
    ASSERT_LT(shorter + 0.2, full) << "the short form is narrower in this font";
    const double bar = shorter + clearance() + 0.1;
    // Bars 0 and 1 of similar height: their labels overlap. Bar 2 is low: its label lies below
    // them and fits. The second chart's bars are far apart in height: nothing overlaps.
    const auto crowded = addChart({300, 500}, {12345, 13456, 1000}, 30000, bar);
    const auto apart = addChart({700, 500}, {12345, 29000}, 30000, bar);
    ASSERT_TRUE(overlap(*crowded[0], *crowded[1]));
    ASSERT_FALSE(overlap(*crowded[1], *crowded[2]));
    ASSERT_FALSE(overlap(*apart[0], *apart[1]));

    const render::LabelShortening done = render::shortenCrowdedLabels(container, display, false);
    EXPECT_EQ(done.charts, 2u);
    EXPECT_EQ(done.shortened, 2u);
    EXPECT_EQ(done.crowded, 0u);
    EXPECT_EQ(crowded[0]->text(), "12.3k");
    EXPECT_EQ(crowded[1]->text(), "13.5k");
    EXPECT_EQ(crowded[2]->text(), "1000") << "a label that fits keeps the dialog's text";
    EXPECT_EQ(apart[0]->text(), "12345");
    EXPECT_EQ(apart[1]->text(), "29000");
    EXPECT_FALSE(overlap(*crowded[0], *crowded[1]));
    EXPECT_FALSE(overlap(*crowded[0], *crowded[2]));
    // Shortening again changes nothing.
    EXPECT_EQ(render::shortenCrowdedLabels(container, display, false).shortened, 0u);

    // Labels that merely touch read as one number ("1234513456"): they crowd too.
    const auto touching = addChart({500, 200}, {12345, 13456}, 30000, full);
    ASSERT_FALSE(overlap(*touching[0], *touching[1]));
    render::shortenCrowdedLabels(container, display, false);
    EXPECT_EQ(touching[0]->text(), "12.3k");
    EXPECT_EQ(touching[1]->text(), "13.5k");
}

TEST_F(CrowdedLabels, NarrowBarsTakeTheShortestFormAndWhatCannotClearIsCounted) {
    // Room for "12k" beside "13k" only.
    const double bar = (width("12k") + width("13k")) / 2 + clearance() + 0.1;
    ASSERT_LT(bar, (width("12.3k") + width("13.5k")) / 2 + clearance());
    const auto labels = addChart({300, 500}, {12345, 13456}, 30000, bar);
    // Bars too narrow for any form: the pair still overlaps and is counted.
    const auto stuck = addChart({700, 500}, {12345, 13456}, 30000, 1);
    const render::LabelShortening done = render::shortenCrowdedLabels(container, display, false);
    EXPECT_EQ(labels[0]->text(), "12k");
    EXPECT_EQ(labels[1]->text(), "13k");
    EXPECT_FALSE(overlap(*labels[0], *labels[1]));
    EXPECT_EQ(stuck[0]->text(), "12k") << "as short as it gets";
    EXPECT_EQ(done.crowded, 1u);
    EXPECT_EQ(done.shortened, 4u);
}

TEST_F(CrowdedLabels, RussianFormsAreTakenOnlyWhereTheyAreNarrower) {
    // "12,3 тыс." and "12 тыс." are wider than "12345": no help, the label stays; millions do
    // get shorter.
    ASSERT_GT(width("12 тыс."), width("12345"));
    const auto thousands = addChart({300, 500}, {12345, 13456}, 30000, 8);
    const auto millions = addChart({700, 500}, {12345678, 13456789}, 30000000, 14);
    ASSERT_TRUE(overlap(*millions[0], *millions[1]));
    render::shortenCrowdedLabels(container, display, true);
    EXPECT_EQ(thousands[0]->text(), "12345");
    EXPECT_NE(millions[0]->text().find(" млн"), std::string::npos) << millions[0]->text();
    EXPECT_LT(width(millions[0]->text()), width("12345678"));
}

}  // namespace

TEST_F(CrowdedLabels, LabelsKeptCompactlyAreShortenedAndStaySo) {
    const double bar = (width("12.3k") + width("13.5k")) / 2 + clearance() + 0.1;
    {
        // One symbol for the chart's labels, which only their group holds: kept compactly.
        const auto labels = addChart({300, 500}, {12345, 13456, 1000}, 30000, bar);
        for (const auto& label : labels) label->setSymbol(labels[0]->symbol());
    }
    auto group = std::static_pointer_cast<host::GroupElement>(container.elementsSnapshot()[0]);
    group->compactLabels();
    ASSERT_EQ(group->compactLabelCount(), 3u);
    EXPECT_EQ(render::shortenCrowdedLabels(container, display, false).shortened, 2u);
    EXPECT_EQ(group->compactLabelCount(), 3u);
    std::vector<std::string> texts;
    group->forEachMember([&](const host::Element& m) {
        if (const auto* t = host::elementAs<host::TextElement>(m)) texts.push_back(t->text());
    });
    EXPECT_EQ(texts, (std::vector<std::string>{"12.3k", "13.5k", "1000"}));
}
