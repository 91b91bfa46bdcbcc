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
