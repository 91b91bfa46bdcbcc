#include "runtime/NumberText.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "runtime/Error.h"
#include "runtime/Settings.h"

namespace runtime {
namespace {

// The significant digits of |value| rounded to `precision` digits, without trailing zeros,
// and the decimal exponent of the first digit.
struct Digits {
    std::string digits;  // at least one digit, no trailing zeros (except the single "0")
    int exponent = 0;
};

Digits decimalDigits(double value, int precision) {
    // to_chars gives the same correctly rounded digits as printf's %e, without the locale and
    // format parsing that made number texts the slowest part of labelling a million charts.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer - 1, std::fabs(value),
                                       std::chars_format::scientific, precision - 1);
    *written.ptr = '\0';
    Digits d;
    d.digits.reserve(static_cast<std::size_t>(precision));
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
    }
    d.exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    return d;
}

std::string formatDigits(double value, int precision, std::string_view separator) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    if (value == 0.0) return "0";
    const Digits d = decimalDigits(value, precision);
    std::string out = std::signbit(value) ? "-" : "";
    const std::string& s = d.digits;
    const int e = d.exponent;
    if (e >= precision || e < -4) {
        out += s[0];
        if (s.size() > 1) {
            out += separator;
            out.append(s, 1, std::string::npos);
        }
        char exp[16];
        std::snprintf(exp, sizeof exp, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
        out += exp;
    } else if (e >= 0) {
        const auto intDigits = static_cast<std::size_t>(e) + 1;
        if (s.size() <= intDigits) {
            out += s;
            out.append(intDigits - s.size(), '0');
        } else {
            out.append(s, 0, intDigits);
            out += separator;
            out.append(s, intDigits, std::string::npos);
        }
    } else {
        out += "0";
        out += separator;
        out.append(static_cast<std::size_t>(-e - 1), '0');
        out += s;
    }
    return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Parses sign, digits, separator, digits, exponent; the whole text must be consumed.
std::optional<double> parseStrict(std::string_view text, std::string_view separator) {
    text = trimBlanks(text);
    std::string normal;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) normal += text[i++];
    bool anyDigit = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        normal += text[i++];
        anyDigit = true;
    }
    if (!separator.empty() && text.substr(i, separator.size()) == separator) {
        normal += '.';
        i += separator.size();
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            normal += text[i++];
            anyDigit = true;
        }
    }
    if (!anyDigit) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::string exp = "e";
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exp += text[j++];
        bool expDigit = false;
        while (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            exp += text[j++];
            expDigit = true;
        }
        if (!expDigit) return std::nullopt;
        normal += exp;
        i = j;
    }
    if (i != text.size()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(normal.c_str(), &end);
    if (end != normal.c_str() + normal.size()) return std::nullopt;
    if (std::isinf(value)) return std::nullopt;  // the runtime overflows rather than hold infinity
    return value;
}

}  // namespace

std::string numberText(double value) { return formatDigits(value, 15, decimalSeparator()); }

std::string numberText(double value, std::string_view separator) {
    return formatDigits(value, 15, separator);
}

std::string singleText(float value) {
    return formatDigits(static_cast<double>(value), 7, decimalSeparator());
}

double roundHalfEven(double value, int decimals) {
    if (decimals < 0) raise(err::InvalidCall, "Round");
    if (!std::isfinite(value) || value == 0.0) return value;
    const Digits d = decimalDigits(value, 15);
    const int keep = d.exponent + 1 + decimals;  // digits kept before the rounding position
    const int count = static_cast<int>(d.digits.size());
    if (keep >= count) return value;  // nothing beyond the requested decimals
    if (keep < 0) return std::signbit(value) ? -0.0 : 0.0;
    std::string kept = d.digits.substr(0, static_cast<std::size_t>(keep));
    const char next = d.digits[static_cast<std::size_t>(keep)];
    const bool restNonZero = d.digits.find_first_not_of('0', static_cast<std::size_t>(keep) + 1)
                             != std::string::npos;
    const int lastKept = kept.empty() ? 0 : kept.back() - '0';
    const bool up = next > '5' || (next == '5' && (restNonZero || lastKept % 2 == 1));
    int exponent = d.exponent + 1 - keep;  // value = kept * 10^exponent
    if (kept.empty()) kept = "0";
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') {
            kept[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) kept.insert(kept.begin(), '1');
        else ++kept[static_cast<std::size_t>(i)];
    }
    const std::string text = (std::signbit(value) ? "-" : "") + kept + "e" + std::to_string(exponent);
    return std::strtod(text.c_str(), nullptr);
}

std::int16_t toInt16(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= -32768.0 && r <= 32767.0)) raise(err::Overflow, "CInt");
    return static_cast<std::int16_t>(r);
}

std::int32_t toInt32(double value) {
    const double r = std::nearbyint(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) raise(err::Overflow, "CLng");
    return static_cast<std::int32_t>(r);
}

std::optional<double> tryParseNumber(std::string_view text) {
    return parseStrict(text, decimalSeparator());
}

std::optional<double> tryParseNumber(std::string_view text, std::string_view separator) {
    return parseStrict(text, separator);
}

double parseNumber(std::string_view text) {
    if (auto v = tryParseNumber(text)) return *v;
    raise(err::TypeMismatch, "CDbl");
}

std::optional<double> tryParseDecimal(std::string_view text) {
    std::string normal(text);
    for (char& c : normal) {
        if (c == ',') c = '.';
    }
    return parseStrict(normal, ".");
}

double parseDecimal(std::string_view text) {
    if (auto v = tryParseDecimal(text)) return *v;
    raise(err::TypeMismatch, "CDbl");
}

double val(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    std::string normal;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) normal += text[i++];
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') normal += text[i++];
    if (i < text.size() && text[i] == '.') {
        normal += text[i++];
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') normal += text[i++];
    }
    const double v = std::strtod(normal.c_str(), nullptr);
    return v == 0.0 ? 0.0 : v;
}

}  // namespace runtime
