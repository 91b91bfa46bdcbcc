#pragma once
// Numbers as the original runtime wrote and read them. The plug-in's label texts, dialog boxes
// and parameter files depend on these exact forms.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// The text of a double as the system writes it by default: the shortest text holding up to 15
// significant digits, no trailing zeros, the system decimal separator, "-" for negatives and
// none for zero (negative zero included). Exponent form ("1E+15", "1.5E-05") when more than
// 15 digits would stand before the separator or when the value is below 1E-04 in magnitude.
// NaN and infinities, which the original runtime could not hold, read "NaN", "Infinity" and
// "-Infinity".
std::string numberText(double value);
// The same with an explicit separator (the dialog writes some boxes with ".").
std::string numberText(double value, std::string_view separator);
// A single-precision value: 7 significant digits, otherwise as above.
std::string singleText(float value);

// Round(value, decimals): halves go to the even neighbour, judged on the decimal digits the
// value is written with (so 2.5 gives 2, 0.125 to two decimals gives 0.12). Negative decimals
// are error 5.
double roundHalfEven(double value, int decimals);

// Conversions to the 16- and 32-bit integers: round half to even, error 6 "Overflow" outside
// the range (NaN included).
std::int16_t toInt16(double value);
std::int32_t toInt32(double value);

// Text to number in the system format: blanks around are ignored, an optional sign, digits,
// the system decimal separator and an optional exponent. Nothing else: an empty or non-numeric
// text gives no value.
std::optional<double> tryParseNumber(std::string_view text);
std::optional<double> tryParseNumber(std::string_view text, std::string_view separator);
// As above, error 13 "Type mismatch" when the text is not a number.
double parseNumber(std::string_view text);

// A number typed by a user, who may use "," or "." as the decimal separator. Error 13 when the
// text is not a number.
double parseDecimal(std::string_view text);
std::optional<double> tryParseDecimal(std::string_view text);

// The leading numeric part of a text (the runtime's Val): skips leading blanks, reads an
// optional sign, digits and a "." decimal part and stops at the first other character. "" is 0.
double val(std::string_view text);

}  // namespace runtime
