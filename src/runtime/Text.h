#pragma once
// Text helpers with the original runtime's conventions: UTF-8 throughout, 1-based positions
// counted in characters (not bytes), 0 for "not found", upper-casing that folds Latin and
// Cyrillic letters.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace runtime {

inline constexpr std::string_view CRLF = "\r\n";
inline constexpr std::string_view TAB = "\t";

// Upper case of Latin (ASCII and Latin-1), Greek and Cyrillic letters; other characters stay.
std::string upperCase(std::string_view text);
std::string lowerCase(std::string_view text);
// Equality after upper-casing both sides.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// Trim blanks (spaces) from both ends, as the runtime's Trim.
std::string trim(std::string_view text);

// Number of characters (code points) in a UTF-8 text.
std::size_t characterCount(std::string_view text);
// 1-based position of `find` in `text` starting at character `start` (InStr), 0 when absent.
// An empty `find` gives `start`.
std::size_t inStr(std::string_view text, std::string_view find, std::size_t start = 1);
// 1-based position of the last occurrence (InStrRev), 0 when absent.
std::size_t inStrRev(std::string_view text, std::string_view find);
// The first / last n characters, and n characters from 1-based position start (Mid).
std::string left(std::string_view text, std::size_t n);
std::string right(std::string_view text, std::size_t n);
std::string mid(std::string_view text, std::size_t start, std::size_t n = std::string::npos);

// Every occurrence of `find` replaced (case-sensitive); an empty `find` changes nothing.
std::string replaceAll(std::string_view text, std::string_view find, std::string_view replacement);
// Splits on a separator; an empty text gives one empty part.
std::vector<std::string> split(std::string_view text, std::string_view separator);

// Whether a byte sequence is valid UTF-8.
bool isValidUtf8(std::string_view text);
// Appends the code point `c` (at most U+10FFFF) as UTF-8.
void appendUtf8(std::string& out, char32_t c);

}  // namespace runtime
