// Text rules the dialogs lean on: upper- and lower-casing of Latin and Cyrillic letters (Ё/ё
// included, which lies outside the А..я block), comparisons that ignore case, and 1-based
// character positions in texts that mix one- and two-byte letters.
#include <gtest/gtest.h>

#include "runtime/Text.h"

using namespace runtime;

namespace {

struct CasePair {
    const char* lower;
    const char* upper;
};

// Every Russian letter, Ё/ё on its own, and Latin letters with and without marks.
const CasePair kCasePairs[] = {
    {"abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
    {"абвгдежзийклмнопрстуфхцчшщъыьэюя", "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"},
    {"ё", "Ё"},
    {"ёлка", "ЁЛКА"},
    {"щёлоково", "ЩЁЛОКОВО"},
    {"ї є ў ђ џ", "Ї Є Ў Ђ Џ"},
    {"àéîõüç", "ÀÉÎÕÜÇ"},
    {"население 1974 г.", "НАСЕЛЕНИЕ 1974 Г."},
    {"bir74_рожд", "BIR74_РОЖД"},
};

}  // namespace

TEST(CaseFolding, UpperAndLowerCaseAreEachOthersInverseForLetters) {
    for (const auto& [lower, upper] : kCasePairs) {
        EXPECT_EQ(upperCase(lower), upper) << lower;
        EXPECT_EQ(lowerCase(upper), lower) << upper;
        EXPECT_EQ(upperCase(upper), upper) << upper;
        EXPECT_EQ(lowerCase(lower), lower) << lower;
        EXPECT_TRUE(equalsIgnoreCase(lower, upper)) << lower;
    }
}

TEST(CaseFolding, OtherCharactersStayAsTheyAre) {
    for (const char* text : {"", "0123456789", " .,;:!?-_()[]{}\"'", "×÷", "№ 5", "€", "中文"}) {
        EXPECT_EQ(upperCase(text), text) << text;
        EXPECT_EQ(lowerCase(text), text) << text;
    }
    // ß and the dotless ı have no one-letter upper case in this runtime; they stay.
    EXPECT_EQ(upperCase("ß"), "ß");
    // Invalid UTF-8 passes through byte by byte instead of being lost.
    EXPECT_EQ(characterCount(upperCase("a\xFF" "b")), 3u);
}

TEST(CaseFolding, IgnoringCaseDistinguishesDifferentLetters) {
    const std::pair<const char*, const char*> different[] = {
        {"е", "ё"}, {"Е", "Ё"}, {"и", "й"}, {"ь", "ъ"}, {"a", "а"} /* Latin against Cyrillic */, {"c", "с"},
        {"Name", "Names"}, {"", " "},
    };
    for (const auto& [a, b] : different) EXPECT_FALSE(equalsIgnoreCase(a, b)) << a << " / " << b;
}

TEST(TextPositions, CountCharactersNotBytesAndStartAtOne) {
    struct InStrCase {
        const char* text;
        const char* find;
        std::size_t start, position;
    };
    const InStrCase cases[] = {
        {"Растение", "е", 1, 5},   {"Растение", "е", 6, 8},  {"Растение", "x", 1, 0},
        {"abc", "", 2, 2},         {"abc", "c", 4, 0},        {"ёжик ёж", "ёж", 2, 6},
        {"Plotlet", "P", 1, 1},    {"Plotlet", "t", 5, 7},   {"Plotlet", "lot", 0, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(inStr(c.text, c.find, c.start), c.position) << c.text << " " << c.find;
    EXPECT_EQ(inStrRev("ёжик ёж", "ёж"), 6u);
    EXPECT_EQ(inStrRev("abc", "z"), 0u);

    EXPECT_EQ(characterCount("Ёлка"), 4u);
    EXPECT_EQ(left("Ёлка", 2), "Ёл");
    EXPECT_EQ(right("Ёлка", 2), "ка");
    EXPECT_EQ(right("Ёлка", 9), "Ёлка");
    EXPECT_EQ(mid("Ёлка", 2, 2), "лк");
    EXPECT_EQ(mid("Ёлка", 3), "ка");
    EXPECT_EQ(mid("Ёлка", 5), "");
    EXPECT_EQ(trim("  два  слова  "), "два  слова");
}

TEST(TextPositions, SplitAndReplaceKeepEmptyParts) {
    EXPECT_EQ(split("", ","), (std::vector<std::string>{""}));
    EXPECT_EQ(split("a,,б", ","), (std::vector<std::string>{"a", "", "б"}));
    EXPECT_EQ(split("a\r\nb", CRLF), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(replaceAll("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll("Поле Поле", "Поле", "Field"), "Field Field");
}
