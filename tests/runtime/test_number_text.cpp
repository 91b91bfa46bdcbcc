#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Settings.h"
#include "support/RuntimeErrors.h"

using namespace runtime;

namespace {

using testing_support::errorNumberOf;

}  // namespace

TEST(NumberText, WritesShortestTextUpTo15SignificantDigits) {
    EXPECT_EQ(numberText(0.0), "0");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(5.0), "5");
    EXPECT_EQ(numberText(-12.3456), "-12.3456");
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(numberText(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(numberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(numberText(999999999999999.0), "999999999999999");
    EXPECT_EQ(numberText(0.0001), "0.0001");
    EXPECT_EQ(numberText(0.00012), "0.00012");
}

TEST(NumberText, UsesExponentFormForHugeAndTinyMagnitudes) {
    EXPECT_EQ(numberText(1e15), "1E+15");
    EXPECT_EQ(numberText(1234567890123456.0), "1.23456789012346E+15");
    EXPECT_EQ(numberText(1e21), "1E+21");
    EXPECT_EQ(numberText(-2.5e21), "-2.5E+21");
    EXPECT_EQ(numberText(1e-20), "1E-20");
    EXPECT_EQ(numberText(0.00001), "1E-05");
    EXPECT_EQ(numberText(1.5e-5), "1.5E-05");
    EXPECT_EQ(numberText(1e300), "1E+300");
    // Rounding to 15 digits may carry into a new leading digit.
    EXPECT_EQ(numberText(9999999999999999.0), "1E+16");
    EXPECT_EQ(numberText(999999999999999.9), "1E+15");
}

TEST(NumberText, FollowsTheSystemDecimalSeparator) {
    DecimalSeparatorScope comma(",");
    EXPECT_EQ(numberText(0.5), "0,5");
    EXPECT_EQ(numberText(1.5e-5), "1,5E-05");
    EXPECT_EQ(numberText(0.5, "."), "0.5");
    EXPECT_DOUBLE_EQ(parseNumber("2,25"), 2.25);
    EXPECT_FALSE(tryParseNumber("2.25").has_value());
}

TEST(NumberText, NonFiniteValuesHaveReadableTexts) {
    EXPECT_EQ(numberText(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(numberText(std::numeric_limits<double>::infinity()), "Infinity");
    EXPECT_EQ(numberText(-std::numeric_limits<double>::infinity()), "-Infinity");
}

TEST(NumberText, SinglesKeepSevenDigits) {
    EXPECT_EQ(singleText(0.1f), "0.1");
    EXPECT_EQ(singleText(6.0f), "6");
    EXPECT_EQ(singleText(1234567.0f), "1234567");
    EXPECT_EQ(singleText(12345678.0f), "1.234568E+07");
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(2.5, 0), 2.0);
    EXPECT_EQ(roundHalfEven(3.5, 0), 4.0);
    EXPECT_EQ(roundHalfEven(-2.5, 0), -2.0);
    EXPECT_EQ(roundHalfEven(0.5, 0), 0.0);
    EXPECT_EQ(roundHalfEven(1.5, 0), 2.0);
    EXPECT_EQ(roundHalfEven(0.125, 2), 0.12);
    EXPECT_EQ(roundHalfEven(0.135, 2), 0.14);
    EXPECT_EQ(roundHalfEven(12.3456, 1), 12.3);
    EXPECT_EQ(roundHalfEven(0.012345, 2), 0.01);
    EXPECT_EQ(roundHalfEven(45.354, 0), 45.0);
    EXPECT_EQ(roundHalfEven(90.7, 0), 91.0);
    EXPECT_EQ(roundHalfEven(99.95, 1), 100.0);
    EXPECT_EQ(roundHalfEven(0.4, 0), 0.0);
    EXPECT_EQ(roundHalfEven(1e20, 2), 1e20);
    EXPECT_EQ(roundHalfEven(1.0 / 3.0, 10), 0.3333333333);
    EXPECT_EQ(errorNumberOf([] { roundHalfEven(1.0, -1); }), err::InvalidCall);
}

TEST(IntegerConversions, RoundHalfEvenAndOverflowLikeTheRuntime) {
    EXPECT_EQ(toInt16(2.5), 2);
    EXPECT_EQ(toInt16(3.5), 4);
    EXPECT_EQ(toInt16(-2.5), -2);
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);
    EXPECT_EQ(errorNumberOf([] { toInt16(32767.5); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toInt16(-32769.0); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toInt16(std::nan("")); }), err::Overflow);
    EXPECT_EQ(toInt32(2147483647.0), 2147483647);
    EXPECT_EQ(toInt32(-2147483648.5), -2147483648);
    EXPECT_EQ(errorNumberOf([] { toInt32(2147483647.5); }), err::Overflow);
    EXPECT_EQ(errorNumberOf([] { toInt32(1e21); }), err::Overflow);
}

TEST(Parsing, SystemFormatAcceptsOnlyWellFormedNumbers) {
    EXPECT_DOUBLE_EQ(parseNumber("  12.5 "), 12.5);
    EXPECT_DOUBLE_EQ(parseNumber("-3"), -3.0);
    EXPECT_DOUBLE_EQ(parseNumber("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(parseNumber("1E+15"), 1e15);
    EXPECT_DOUBLE_EQ(parseNumber("2e-3"), 0.002);
    for (const char* bad : {"", " ", "abc", "1,5", "1.2.3", "12a", "-", ".", "1e", "1e999"}) {
        EXPECT_FALSE(tryParseNumber(bad).has_value()) << bad;
    }
    EXPECT_EQ(errorNumberOf([] { parseNumber("x"); }), err::TypeMismatch);
}

TEST(Parsing, UserDecimalsAcceptCommaOrPoint) {
    EXPECT_DOUBLE_EQ(parseDecimal("0,5"), 0.5);
    EXPECT_DOUBLE_EQ(parseDecimal("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(parseDecimal(" -1,25 "), -1.25);
    EXPECT_EQ(errorNumberOf([] { parseDecimal("1,2.3"); }), err::TypeMismatch);
    EXPECT_EQ(errorNumberOf([] { parseDecimal(""); }), err::TypeMismatch);
}

TEST(Parsing, ValReadsTheLeadingNumericPart) {
    EXPECT_EQ(val(""), 0.0);
    EXPECT_EQ(val("  42abc"), 42.0);
    EXPECT_EQ(val("-3.75 m"), -3.75);
    EXPECT_EQ(val("10"), 10.0);
    EXPECT_EQ(val("abc"), 0.0);
    EXPECT_EQ(val("1,5"), 1.0);
}
