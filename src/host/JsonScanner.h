#pragma once
// A scanner that walks JSON text without building it, for readers that cut the long lists of a
// document (a million elements) out of it and parse each item on its own. It checks only what
// it needs to find its way (brackets, strings, nesting depth); the JSON parser checks the rest.
// Every walk returns false on text it does not understand, and the caller then parses the whole
// text, which reports the fault.
#include <array>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace host {

// Where a plain run of JSON string text that starts at `from` ends: at the first quote,
// backslash, control character or byte of a multi-byte sequence (0x80 and up), or at the end of
// the text. Eight bytes are looked at a time: strings are most of a document's bytes.
inline std::size_t plainRunEnd(std::string_view t, std::size_t from) {
    const auto special = [](unsigned char ch) { return ch == '"' || ch == '\\' || ch < 0x20 || ch >= 0x80; };
    std::size_t i = from;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
        for (; i + 8 <= t.size(); i += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, t.data() + i, 8);
            const std::uint64_t quote = w ^ (ones * '"'), slash = w ^ (ones * '\\');
            // The high bit of each byte that is a quote, a backslash, below 0x20, or 0x80 and
            // up. A borrow may mark a byte above a marked one too, never the first.
            const std::uint64_t marked =
                (((quote - ones) & ~quote) | ((slash - ones) & ~slash) | ((w - ones * 0x20) & ~w) | w) & highs;
            if (marked) return i + static_cast<std::size_t>(std::countr_zero(marked)) / 8;
        }
    }
    while (i < t.size() && !special(static_cast<unsigned char>(t[i]))) ++i;
    return i;
}

class JsonScanner {
public:
    // The text may be a file mapped into memory: the scanner keeps only a view of it.
    JsonScanner(std::string_view text, std::size_t maxDepth) : t_(text), maxDepth_(maxDepth) {}
    virtual ~JsonScanner() = default;
    // Lists of at least this many bytes are scanned on two threads (see itemList).
    static std::atomic<std::size_t>& twoThreadScanFrom() {
        static std::atomic<std::size_t> bytes{std::size_t{32} << 20};
        return bytes;
    }

protected:
    // The helpers below run for every byte of a document: they are inlined into the walks.
    [[gnu::always_inline]] void ws() {
        while (p_ < t_.size() && static_cast<unsigned char>(t_[p_]) <= ' ' &&
               (t_[p_] == ' ' || t_[p_] == '\n' || t_[p_] == '\r' || t_[p_] == '\t'))
            ++p_;
    }
    [[gnu::always_inline]] char peek() {
        ws();
        return p_ < t_.size() ? t_[p_] : '\0';
    }
    [[gnu::always_inline]] bool string(std::string* out) {
        if (peek() != '"') return false;
        const std::size_t start = ++p_;
        while (p_ < t_.size() && t_[p_] != '"') p_ += t_[p_] == '\\' ? 2 : 1;
        if (p_ >= t_.size()) return false;
        if (out) out->assign(t_, start, p_ - start);
        ++p_;
        return true;
    }
    // `member(key, depth)` reads the value of each member.
    template <class F>
    bool object(int depth, F&& member) {
        if (peek() != '{' || depth + 1 > static_cast<int>(maxDepth_)) return false;
        ++p_;
        if (peek() == '}') return ++p_, true;
        for (;;) {
            std::string key;
            if (!string(&key) || peek() != ':') return false;
            ++p_;
            if (!member(key, depth + 1)) return false;
            const char c = peek();
            ++p_;
            if (c == '}') return true;
            if (c != ',') return false;
        }
    }
    // `item(depth)` reads each item.
    template <class F>
    bool array(int depth, F&& item) {
        if (peek() != '[' || depth + 1 > static_cast<int>(maxDepth_)) return false;
        ++p_;
        if (peek() == ']') return ++p_, true;
        for (;;) {
            if (!item(depth + 1)) return false;
            const char c = peek();
            ++p_;
            if (c == ']') return true;
            if (c != ',') return false;
        }
    }
    // What object() and array() accept, walked without recursion or key copies: this runs over
    // every byte of a million-element document.
    bool value(int depth) {
        const char c = peek();
        if (c == '"') return string(nullptr);
        if (c != '{' && c != '[') return scalar();
        std::vector<char> open;  // the closing bracket of each container entered
        const auto enter = [&]() {
            if (depth + static_cast<int>(open.size()) + 1 > static_cast<int>(maxDepth_)) return false;
            open.push_back(t_[p_] == '{' ? '}' : ']');
            ++p_;
            return true;
        };
        if (!enter()) return false;
        for (bool first = true;;) {
            // At an item (or the first place of an emptiable container).
            if (first && peek() == open.back()) {
                ++p_;
                open.pop_back();
            } else {
                if (open.back() == '}') {
                    if (!string(nullptr) || peek() != ':') return false;
                    ++p_;
                }
                const char v = peek();
                if (v == '{' || v == '[') {
                    if (!enter()) return false;
                    first = true;
                    continue;
                }
                if (!(v == '"' ? string(nullptr) : scalar())) return false;
            }
            // After a value: close containers or go on to the next item.
            for (;;) {
                if (open.empty()) return true;
                const char sep = peek();
                ++p_;
                if (sep == ',') break;
                if (sep != open.back()) return false;
                open.pop_back();
            }
            first = false;
        }
    }
    // A number or literal, up to the next delimiter; the parser checks its spelling. (A NUL
    // byte ends it too.)
    [[gnu::always_inline]] bool scalar() {
        static constexpr auto delimiters = [] {
            std::array<bool, 256> d{};
            for (unsigned char ch : {',', '}', ']', ' ', '\n', '\r', '\t', '\0'}) d[ch] = true;
            return d;
        }();
        const std::size_t start = p_;
        while (p_ < t_.size() && !delimiters[static_cast<unsigned char>(t_[p_])]) ++p_;
        return p_ > start;
    }
    bool atEnd() {
        ws();
        return p_ == t_.size();
    }

    using Ranges = std::vector<std::pair<std::size_t, std::size_t>>;
    // A list whose items' texts are noted in `out` and whose content is cut from the skeleton.
    bool cutList(int depth, Ranges& out) {
        const std::size_t open = p_ + 1;
        if (!itemList(depth, out)) return false;
        cut(open);
        return true;
    }

    // As cutList, for a list laid out as this program writes element lists: its opening bracket
    // ends a line and each item takes a line of its own, the last one closing the list. A line
    // that starts with '{' and ends in "}," is taken as an item without being walked when the
    // next line starts with '{' too and not with `notItem` (the line after the last item, which
    // is walked, may be another object); the rest of the list is walked. `taken` tells how many
    // were taken so: their reader must check them (a line might be no value, part of one laid
    // out over several lines, or past the list's end). With no line taken, this is cutList.
    bool cutLines(int depth, Ranges& out, std::string_view notItem, std::size_t& taken) {
        taken = 0;
        if (peek() != '[' || p_ + 1 >= t_.size() || t_[p_ + 1] != '\n') return cutList(depth, out);
        const std::size_t open = p_ + 1;
        std::size_t at = open + 1;
        while (at < t_.size() && t_[at] == '{') {
            const void* newline = std::memchr(t_.data() + at, '\n', t_.size() - at);
            if (!newline) break;
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(newline) - t_.data());
            if (end < at + 2 || t_[end - 1] != ',' || t_[end - 2] != '}') break;
            const std::string_view next = t_.substr(end + 1, notItem.size());
            if (next.empty() || next[0] != '{' || next == notItem) break;
            out.emplace_back(at, end - 1);
            ++taken;
            at = end + 1;
            itemScanned(at);
        }
        if (taken == 0) return cutList(depth, out);
        if (depth + 1 > static_cast<int>(maxDepth_)) return false;  // as itemList would
        // At an item, after the comma of the last line taken: the rest as itemList walks it.
        p_ = at;
        if (!restOfList(depth, out)) return false;
        cut(open);
        return true;
    }

    // Called after each item of a cut list, with the offset the scan has reached: a reader of a
    // mapped file lets go of the pages behind it.
    virtual void itemScanned(std::size_t /*offset*/) {}
    // The text without the content of the cut lists (their brackets stay).
    std::string skeleton() const {
        std::string out;
        out.reserve(t_.size() - removed_);
        std::size_t from = 0;
        for (const auto& [begin, end] : cuts_) {
            out.append(t_, from, begin - from);
            from = end;
        }
        out.append(t_, from, std::string::npos);
        return out;
    }

    std::string_view t_;
    std::size_t maxDepth_;
    std::size_t p_ = 0;

private:
    // The items of the list at p_, as array() walks them. A long list (a million elements, one
    // per line) is scanned from both ends at once: a helper thread scans items from the first
    // line near the middle that starts with '{', while this thread scans from the front. When
    // this thread's scan arrives at that very place between two items, the helper's items are
    // the rest of the list, exactly as this thread would have found them; when it passes it
    // inside an item (an item over several lines, a guess inside a string) the helper's work is
    // dropped. Either way the items, the end and the verdict are the one scan's.
    bool itemList(int depth, Ranges& out) {
        const std::size_t remaining = t_.size() - p_;
        if (remaining < twoThreadScanFrom().load() || std::thread::hardware_concurrency() < 2) {
            return array(depth, [&](int d) { return item(d, out); });
        }
        if (peek() != '[' || depth + 1 > static_cast<int>(maxDepth_)) return false;
        ++p_;
        if (peek() == ']') return ++p_, true;
        std::size_t guess = t_.find('\n', p_ + (t_.size() - p_) / 2);
        if (guess != std::string_view::npos) ++guess;
        bool helping = guess != std::string_view::npos && guess < t_.size() && t_[guess] == '{';
        struct Helper {
            Ranges items;
            std::size_t end = 0;
            bool ok = false;
            std::atomic<bool> stop{false};
            std::thread thread;
            ~Helper() {
                stop = true;
                if (thread.joinable()) thread.join();
            }
        } helper;
        if (helping) {
            try {
                helper.thread = std::thread([this, depth, guess, &helper] {
                    try {
                        JsonScanner rest(t_, maxDepth_);
                        rest.p_ = guess;
                        for (std::size_t n = 1;; ++n) {
                            if ((n & 0xFFF) == 0 && helper.stop.load(std::memory_order_relaxed)) return;
                            if (!rest.item(depth + 1, helper.items)) return;
                            const char c = rest.peek();
                            ++rest.p_;
                            if (c == ']') break;
                            if (c != ',') return;
                        }
                        helper.end = rest.p_;
                        helper.ok = true;
                    } catch (...) {
                        // Out of memory: this thread scans on alone.
                    }
                });
            } catch (const std::system_error&) {
                helping = false;
            }
        }
        for (;;) {
            ws();
            if (helping && p_ == guess) {
                helper.thread.join();
                if (helper.ok) {
                    out.insert(out.end(), helper.items.begin(), helper.items.end());
                    p_ = helper.end;
                    itemScanned(p_);
                    return true;
                }
                helping = false;  // the scan from here fails there too: on alone, to say where
            } else if (helping && p_ > guess) {
                helper.stop = true;
                helping = false;
            }
            if (!item(depth + 1, out)) return false;
            const char c = peek();
            ++p_;
            if (c == ']') return true;
            if (c != ',') return false;
        }
    }
    // The items of a list from an item at p_ through the list's closing bracket.
    bool restOfList(int depth, Ranges& out) {
        for (;;) {
            if (!item(depth + 1, out)) return false;
            const char c = peek();
            ++p_;
            if (c == ']') return true;
            if (c != ',') return false;
        }
    }
    // Cuts a list's content, from `open` to its closing bracket just passed, from the skeleton.
    void cut(std::size_t open) {
        const std::size_t close = p_ - 1;
        cuts_.emplace_back(open, close);
        removed_ += close - open;
    }
    bool item(int depth, Ranges& out) {
        ws();
        const std::size_t begin = p_;
        if (!value(depth)) return false;
        out.emplace_back(begin, p_);
        itemScanned(p_);
        return true;
    }

    Ranges cuts_;
    std::size_t removed_ = 0;
};

}  // namespace host
