// Chart data and messages: the message table, field statistics, label texts of numbers, text
// replacement and shape centres.
#include <cmath>
#include <limits>

#include "EngineFixture.h"
#include "runtime/Settings.h"

using namespace plotlet;
using engine_test::EngineTest;
using runtime::Variant;

TEST(CutNumberString, WritesShortLabelTexts) {
    struct Case {
        double value;
        std::int16_t signs;
        const char* text;
    };
    const Case cases[] = {
        {123.456, 4, "123"},  {12.3456, 4, "12.3"}, {0.012345, 4, "0.01"}, {5, 4, "5.0"},
        {-12.3456, 4, "-12"}, {0, 4, "0.0"},       {0, 2, "0"},           {1e-20, 4, "0.0"},
        {1e15, 4, "1E+15"},   {2.5, 1, "2"},       {99.95, 3, "100"},     {-0.5, 3, "0.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(CutNumberString(c.value, c.signs), c.text) << c.value << " / " << c.signs;
}

TEST(CutNumberString, UsesAPointWhateverTheSystemSeparator) {
    runtime::DecimalSeparatorScope comma(",");
    EXPECT_EQ(CutNumberString(12.3456, 4), "12.3");
    EXPECT_EQ(CutNumberString(5, 4), "5.0");
    EXPECT_EQ(CutNumberString(0.012345, 4), "0.01");
}

TEST(CutNumberString, InfiniteValuesKeepTheirNames) {
    testing_support::HeadlessScope shell;
    EXPECT_EQ(CutNumberString(std::numeric_limits<double>::infinity(), 3), "Infinity");
    EXPECT_EQ(CutNumberString(-std::numeric_limits<double>::infinity(), 3), "-Infinity");
    EXPECT_TRUE(shell.messages().empty());
}

TEST(ReplaceText, ReplacesEveryOccurrence) {
    EXPECT_EQ(ReplaceText(",", "1,2,3", "."), "1.2.3");
    EXPECT_EQ(ReplaceText("x", "abc", "y"), "abc");
    EXPECT_EQ(ReplaceText("ab", "ababab", "b"), "bbb");
    EXPECT_EQ(ReplaceText("a", "aaa", "aa"), "aaaaaa");  // no rescan of replaced text
    EXPECT_EQ(ReplaceText("", "abc", "x"), "abc");       // nothing to find: unchanged, no endless loop
    EXPECT_EQ(ReplaceText("ы", "Крысы", "и"), "Криси");
}

TEST(LoadMessages, SwitchesTheTableByLanguage) {
    LoadMessagesFor("Русский");
    EXPECT_EQ(Message(17), "Невозможно удалить графический слой");
    EXPECT_EQ(Message(3), "  Cуществует ");
    EXPECT_EQ(Message(3).substr(2, 1), "C");  // Latin C, as users have always seen it
    EXPECT_EQ(Message(23), "Слой *.lyr|*.lyr");
    for (const char* other : {"English", "русский", ""}) {
        LoadMessagesFor(other);
        EXPECT_EQ(Message(20), "No selected objects") << other;
        EXPECT_EQ(Message(9), "Annotation layer not created ");
    }
    EXPECT_THROW(Message(0), runtime::Error);
    EXPECT_THROW(Message(24), runtime::Error);
}

TEST_F(EngineTest, DataStatisticReadsAllOrSelectedFeatures) {
    EXPECT_EQ(DataStatistic(towns, "A", "MAX", false), Variant(5.0));
    EXPECT_EQ(DataStatistic(towns, "A", "min", false), Variant(1.0));
    EXPECT_EQ(DataStatistic(towns, "A", "Sum", false), Variant(9.0));
    EXPECT_EQ(DataStatistic(towns, "A", "COUNT", false), Variant(std::int32_t(3)));
    EXPECT_EQ(DataStatistic(towns, "A", "MEAN", false), Variant(3.0));
    EXPECT_NEAR(DataStatistic(towns, "A", "stdev", false).toDouble(), std::sqrt(8.0 / 3.0), 1e-12);
    EXPECT_TRUE(DataStatistic(towns, "A", "MEDIAN", false).isEmpty());
    // No selection: an empty cursor, the host's figures for no rows.
    EXPECT_EQ(DataStatistic(towns, "A", "COUNT", true), Variant(std::int32_t(0)));
    towns->selectionSet()->add(2);
    EXPECT_EQ(DataStatistic(towns, "B", "MAX", true), Variant(8.0));
    EXPECT_TRUE(shell.messages().empty());
}

TEST_F(EngineTest, DataStatisticReportsAMissingField) {
    EXPECT_TRUE(DataStatistic(towns, "NOPE", "MAX", false).isEmpty());
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].title, "Unexpected Program Error");
    EXPECT_NE(shell.messages()[0].text.find("\tDataStatistic Line : "), std::string::npos);
}

TEST(GetShapeCenter, GivesPointsAndLabelPoints) {
    EXPECT_EQ(GetShapeCenter(std::make_shared<host::Point>(3, 4)).xy(), (host::XY{3, 4}));
    auto square = std::make_shared<host::Polygon>();
    square->addRing({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}});
    EXPECT_EQ(GetShapeCenter(square).xy(), (host::XY{2, 2}));
    auto line = std::make_shared<host::Polyline>();
    line->addSegment({0, 0}, {10, 2});
    EXPECT_EQ(GetShapeCenter(line).xy(), (host::XY{5, 1}));
    EXPECT_TRUE(GetShapeCenter(std::make_shared<host::Point>()).isEmpty());
    EXPECT_THROW(GetShapeCenter(nullptr), runtime::Error);
}
