// The scanner's walk over values must accept exactly what its recursive form accepted (the
// document splitter's verdict decides which messages a damaged file gets) and stop at the same
// place.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/JsonScanner.h"

using namespace host;

namespace {

class Scanner : public JsonScanner {
public:
    using JsonScanner::JsonScanner;
    std::pair<bool, std::size_t> walk() {
        const bool ok = value(0);
        return {ok, p_};
    }
    // The recursive walk, member by member.
    std::pair<bool, std::size_t> walkRecursively() {
        const bool ok = recursive(0);
        return {ok, p_};
    }

private:
    bool recursive(int depth) {
        const char c = peek();
        if (c == '{') return object(depth, [&](const std::string&, int d) { return recursive(d); });
        if (c == '[') return array(depth, [&](int d) { return recursive(d); });
        if (c == '"') return string(nullptr);
        const std::size_t start = p_;
        while (p_ < t_.size() && std::strchr(",}] \n\r\t", t_[p_]) == nullptr) ++p_;
        return p_ > start;
    }
};

void expectSameWalk(const std::string& text, std::size_t maxDepth = 6) {
    const auto fast = Scanner(text, maxDepth).walk();
    const auto reference = Scanner(text, maxDepth).walkRecursively();
    EXPECT_EQ(fast, reference) << text;
}

}  // namespace

TEST(JsonScanner, WalksValuesAsTheRecursiveWalkDid) {
    for (const char* text : {"{}", "[]", "{\"a\":1}", "[1,2,[3,{}]]", " { \"a\" : [ 1 , \"x\\\"]\" ] , \"b\":{} } ", "{\"a\":1,}", "[1,]",
                             "{,}", "[}", "{\"a\"}", "{\"a\":}", "{1:2}", "[[[[[[[1]]]]]]]", "[[[[[[1]]]]]]", "tru\"e", "\"abc",
                             "[1 2]", "{\"a\":1\"b\":2}", "[\"\\", "[1]]", "", "   ", "[", "{\"a\":[1,{\"b\":[]}],\"c\":\"}\"}x"})
        expectSameWalk(text);
    expectSameWalk(std::string("[1\0,2]", 6));
    // Random texts of JSON's characters.
    std::mt19937 random(7);
    const std::string alphabet = "{}[]\":,  1a\\\n";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const std::size_t n = random() % 24;
        for (std::size_t k = 0; k < n; ++k) text += alphabet[random() % alphabet.size()];
        expectSameWalk(text, 1 + random() % 4);
    }
}

// Eight bytes at a time, the run must end exactly where a look at each byte ends it, whatever
// the bytes around the first special one (borrows between bytes may mark later ones).
TEST(JsonScanner, PlainRunsEndWhereALookAtEachByteEndsThem) {
    const auto special = [](unsigned char ch) { return ch == '"' || ch == '\\' || ch < 0x20 || ch >= 0x80; };
    const std::string bytes("a \x1F\x20\x21\"\\\x00\x01\x7F\x80\xFF\x5B\x5D\xC3", 15);
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const std::size_t n = random() % 40;
        for (std::size_t k = 0; k < n; ++k) text += random() % 3 ? 'x' : bytes[random() % bytes.size()];
        for (std::size_t from = 0; from <= text.size() + 1; ++from) {
            std::size_t expected = from;
            while (expected < text.size() && !special(static_cast<unsigned char>(text[expected]))) ++expected;
            ASSERT_EQ(plainRunEnd(text, from), expected) << testing::PrintToString(text) << " from " << from;
        }
    }
}

namespace {

class ListScanner : public JsonScanner {
public:
    using JsonScanner::JsonScanner;
    struct Result {
        bool ok = false;
        std::size_t end = 0;
        Ranges items;
        std::string skeleton;
        bool operator==(const Result&) const = default;
    };
    Result cut() {
        Result r;
        r.ok = cutList(0, r.items);
        r.end = p_;
        r.skeleton = skeleton();
        return r;
    }
};

// The list's scan with and without the helper thread.
ListScanner::Result scanned(const std::string& text, bool twoThreads) {
    auto& from = JsonScanner::twoThreadScanFrom();
    const std::size_t saved = from.load();
    from = twoThreads ? 0 : ~std::size_t{0};
    ListScanner::Result r = ListScanner(text, 8).cut();
    from = saved;
    return r;
}

std::string item(std::mt19937& random, int k) {
    std::string text = "{\"$class\":\"GroupElement\",\"elements\":[{\"n\":" + std::to_string(k) + ",\"s\":\"a]}\\\"{\"}";
    if (random() % 5 == 0) text += ",\n{\"next\":\n[1,\n2]}";  // an item over several lines, some starting with '{'
    return text + "]}";
}

}  // namespace

TEST(JsonScanner, ALongListScannedOnTwoThreadsGivesTheOneScansItems) {
    std::mt19937 random(3);
    int whole = 0;
    for (int round = 0; round < 300; ++round) {
        const int n = 1 + static_cast<int>(random() % 60);
        std::string text = "[\n";
        for (int k = 0; k < n; ++k) text += item(random, k) + (k + 1 < n ? ",\n" : "\n");
        text += "]";
        // Damage in either half, or a cut-off end, now and then.
        switch (random() % 6) {
            case 0:
                text[random() % text.size()] = "{}[],\"x\n"[random() % 8];
                break;
            case 1:
                text.resize(random() % text.size());
                break;
            default:
                break;
        }
        const ListScanner::Result one = scanned(text, false), two = scanned(text, true);
        EXPECT_EQ(two, one) << text;
        whole += one.ok ? 1 : 0;
    }
    EXPECT_GT(whole, 150);
}
