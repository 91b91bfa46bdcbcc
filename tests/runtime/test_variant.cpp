// Conversions and comparisons of runtime values, row by row as the runtime defines them: what
// empty and null become, texts to numbers and booleans, booleans to numbers and texts, the
// half-even integer conversions, and the error number each refused conversion raises.
#include <gtest/gtest.h>

#include <compare>
#include <functional>
#include <limits>

#include "runtime/Error.h"
#include "runtime/Settings.h"
#include "runtime/Variant.h"
#include "support/RuntimeErrors.h"

using namespace runtime;
using testing_support::errorNumberOf;

namespace {

struct ToNumber {
    Variant value;
    double number;  // what toDouble gives, when error is 0
    int error;
};

struct Refused {
    const char* what;
    std::function<void()> conversion;
    int error;
};

}  // namespace

TEST(VariantConversions, ToNumberFollowsTheRuntimeRules) {
    const ToNumber rows[] = {
        {Variant(), 0, 0},
        {Variant(true), -1, 0},
        {Variant(false), 0, 0},
        {Variant(std::int16_t{-7}), -7, 0},
        {Variant(std::int32_t{100000}), 100000, 0},
        {Variant(2.5f), 2.5, 0},
        {Variant("  12.5  "), 12.5, 0},
        {Variant("-3"), -3, 0},
        {Variant("1E+15"), 1e15, 0},
        {Variant(""), 0, err::TypeMismatch},
        {Variant("   "), 0, err::TypeMismatch},
        {Variant("12 apples"), 0, err::TypeMismatch},
        {Variant("True"), 0, err::TypeMismatch},
        {Variant::null(), 0, err::InvalidUseOfNull},
    };
    for (const auto& row : rows) {
        const std::string label = row.value.typeName() + (row.value.isString() ? " \"" + row.value.stringValue() + "\"" : "");
        EXPECT_EQ(errorNumberOf([&] { (void)row.value.toDouble(); }), row.error) << label;
        if (row.error == 0) {
            EXPECT_EQ(row.value.toDouble(), row.number) << label;
        }
    }
}

TEST(VariantConversions, ToTextAndBooleanFollowTheRuntimeRules) {
    const std::pair<Variant, std::string> texts[] = {
        {Variant(), ""},           {Variant(true), "True"},       {Variant(false), "False"},
        {Variant(0.5), "0.5"},     {Variant(-0.0), "0"},          {Variant(1e15), "1E+15"},
        {Variant(0.1f), "0.1"},    {Variant(std::int16_t{-4}), "-4"}, {Variant("Ёж"), "Ёж"},
    };
    for (const auto& [value, text] : texts) EXPECT_EQ(value.toString(), text) << value.typeName();

    const std::pair<Variant, bool> booleans[] = {
        {Variant(), false},       {Variant("True"), true},  {Variant("FALSE"), false}, {Variant(" true "), true},
        {Variant("0"), false},    {Variant("-1"), true},    {Variant("0.5"), true},    {Variant(0.0), false},
        {Variant(-2.0), true},    {Variant(std::int32_t{0}), false},
    };
    for (const auto& [value, expected] : booleans) EXPECT_EQ(value.toBool(), expected) << value.toString();
}

TEST(VariantConversions, NumbersFollowTheSystemDecimalSeparator) {
    DecimalSeparatorScope comma(",");
    EXPECT_EQ(Variant(0.5).toString(), "0,5");
    EXPECT_EQ(Variant("2,25").toDouble(), 2.25);
    EXPECT_EQ(errorNumberOf([] { (void)Variant("2.25").toDouble(); }), err::TypeMismatch);
}

TEST(VariantConversions, IntegersRoundHalfToEvenAndOverflowWithError6) {
    const std::pair<double, int> int16Rows[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2},
                                                {-2.5, -2}, {2.49, 2}, {2.51, 3}, {32767.0, 32767}, {-32768.0, -32768}};
    for (const auto& [value, expected] : int16Rows) EXPECT_EQ(Variant(value).toInt16(), expected) << value;
    EXPECT_EQ(Variant("2.5").toInt16(), 2);
    EXPECT_EQ(Variant(true).toInt16(), -1);
    EXPECT_EQ(Variant(std::int32_t{2147483647}).toInt32(), 2147483647);
    EXPECT_EQ(Variant(4.5).toInt32(), 4);
    EXPECT_EQ(Variant(-4.5).toInt32(), -4);
}

TEST(VariantConversions, RefusedConversionsRaiseTheirErrorNumbers) {
    const double inf = std::numeric_limits<double>::infinity();
    const Refused rows[] = {
        {"null to text", [] { (void)Variant::null().toString(); }, err::InvalidUseOfNull},
        {"null to bool", [] { (void)Variant::null().toBool(); }, err::InvalidUseOfNull},
        {"null to integer", [] { (void)Variant::null().toInt16(); }, err::InvalidUseOfNull},
        {"text to bool", [] { (void)Variant("yes").toBool(); }, err::TypeMismatch},
        {"empty text to bool", [] { (void)Variant("").toBool(); }, err::TypeMismatch},
        {"text to integer", [] { (void)Variant("x").toInt32(); }, err::TypeMismatch},
        {"number to object", [] { (void)Variant(1.0).toObject(); }, err::TypeMismatch},
        {"text as an array", [] { (void)Variant("a").array(); }, err::TypeMismatch},
        {"32768 to 16 bits", [] { (void)Variant(32768.0).toInt16(); }, err::Overflow},
        {"32767.5 to 16 bits", [] { (void)Variant(32767.5).toInt16(); }, err::Overflow},
        {"-32768.6 to 16 bits", [] { (void)Variant(-32768.6).toInt16(); }, err::Overflow},
        {"2^31 to 32 bits", [] { (void)Variant(2147483648.0).toInt32(); }, err::Overflow},
        {"infinity to 32 bits", [=] { (void)Variant(inf).toInt32(); }, err::Overflow},
        {"1e39 to single", [] { (void)Variant(1e39).toSingle(); }, err::Overflow},
        {"subscript below the bounds", [] { (void)Array(1, 3).at(0); }, err::SubscriptOutOfRange},
        {"subscript above the bounds", [] { (void)Array(0, 2).at(3); }, err::SubscriptOutOfRange},
        {"a missing dimension", [] { (void)Array(0, 2).upperBound(2); }, err::SubscriptOutOfRange},
    };
    for (const auto& row : rows) EXPECT_EQ(errorNumberOf(row.conversion), row.error) << row.what;
    EXPECT_EQ(standardDescription(err::TypeMismatch), "Type mismatch");
    EXPECT_EQ(standardDescription(err::InvalidUseOfNull), "Invalid use of Null");
    EXPECT_EQ(standardDescription(err::Overflow), "Overflow");
}

TEST(VariantComparison, NumbersNumericallyTextsBinaryAndMixedByNumber) {
    struct Row {
        Variant a, b;
        std::strong_ordering order;
    };
    const Row rows[] = {
        {Variant(2.0), Variant(10.0), std::strong_ordering::less},
        {Variant("2"), Variant("10"), std::strong_ordering::greater},  // as texts
        {Variant("10"), Variant(9.0), std::strong_ordering::greater},  // a number and a numeric text
        {Variant(std::int16_t{3}), Variant(3.0), std::strong_ordering::equal},
        {Variant("a"), Variant("B"), std::strong_ordering::greater},  // binary: lower case after upper
        {Variant("Ё"), Variant("Е"), std::strong_ordering::less},     // U+0401 before U+0415
        {Variant(), Variant(0.0), std::strong_ordering::equal},
        {Variant(), Variant(""), std::strong_ordering::equal},
        {Variant(true), Variant(-1.0), std::strong_ordering::equal},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(compareValues(row.a, row.b) == row.order) << row.a.toString() << " vs " << row.b.toString();
    }
    EXPECT_EQ(errorNumberOf([] { (void)compareValues(Variant::null(), Variant(1.0)); }), err::InvalidUseOfNull);
    EXPECT_EQ(errorNumberOf([] { (void)compareValues(Variant("abc"), Variant(1.0)); }), err::TypeMismatch);
}
