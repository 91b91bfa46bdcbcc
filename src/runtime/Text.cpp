#include "runtime/Text.h"

#include <cstdint>

namespace runtime {
namespace {

// Decodes one code point at byte offset i and advances i; invalid bytes decode as themselves
// (Latin-1) so that no text is ever lost.
char32_t decode(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    auto cont = [&](std::size_t k) -> int {
        if (i + k >= s.size()) return -1;
        const auto b = static_cast<unsigned char>(s[i + k]);
        return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
    };
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    if ((b0 & 0xE0) == 0xC0) {
        const int c1 = cont(1);
        if (c1 >= 0) {
            i += 2;
            return static_cast<char32_t>(((b0 & 0x1F) << 6) | c1);
        }
    } else if ((b0 & 0xF0) == 0xE0) {
        const int c1 = cont(1), c2 = cont(2);
        if (c1 >= 0 && c2 >= 0) {
            i += 3;
            return static_cast<char32_t>(((b0 & 0x0F) << 12) | (c1 << 6) | c2);
        }
    } else if ((b0 & 0xF8) == 0xF0) {
        const int c1 = cont(1), c2 = cont(2), c3 = cont(3);
        if (c1 >= 0 && c2 >= 0 && c3 >= 0) {
            i += 4;
            return static_cast<char32_t>(((b0 & 0x07) << 18) | (c1 << 12) | (c2 << 6) | c3);
        }
    }
    ++i;
    return b0;
}


char32_t toUpper(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // Latin-1 letters
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F && c != 0x131 && c != 0x138 && c != 0x149) {  // Latin Extended-A
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
        return (c % 2 == 1) ? c - 1 : c;
    }
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;  // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;                // Cyrillic а..я
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;                // ѐ..џ (ё, ї, є, ў ...)
    if (c == 0x4CF) return 0x4C0;
    if (c >= 0x460 && c <= 0x4FF && c % 2 == 1 && !(c >= 0x482 && c <= 0x489)) {
        if (c >= 0x4C1 && c <= 0x4CE) return (c % 2 == 0) ? c - 1 : c;  // odd-first block
        return c - 1;                                                     // ґ, ғ, қ, ң, ү, ...
    }
    if (c >= 0x4C2 && c <= 0x4CE && c % 2 == 0) return c - 1;
    return c;
}

char32_t toLower(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    if (c >= 0x460 && c <= 0x4BF && c % 2 == 0 && !(c >= 0x482 && c <= 0x489)) return c + 1;
    return c;
}

template <class F>
std::string mapChars(std::string_view text, F f) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) appendUtf8(out, f(decode(text, i)));
    return out;
}

// Byte offset of the 1-based character position (clamped to the end).
std::size_t byteOffset(std::string_view text, std::size_t position) {
    std::size_t i = 0;
    for (std::size_t n = 1; n < position && i < text.size(); ++n) decode(text, i);
    return i;
}

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string upperCase(std::string_view text) { return mapChars(text, toUpper); }
std::string lowerCase(std::string_view text) { return mapChars(text, toLower); }

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return upperCase(a) == upperCase(b);
}

std::string trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

std::size_t characterCount(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++n) decode(text, i);
    return n;
}

std::size_t inStr(std::string_view text, std::string_view find, std::size_t start) {
    if (start < 1) start = 1;
    const std::size_t from = byteOffset(text, start);
    if (from > text.size()) return 0;
    const std::size_t at = text.find(find, from);
    if (at == std::string_view::npos) return 0;
    return characterCount(text.substr(0, at)) + 1;
}

std::size_t inStrRev(std::string_view text, std::string_view find) {
    const std::size_t at = text.rfind(find);
    if (at == std::string_view::npos) return 0;
    return characterCount(text.substr(0, at)) + 1;
}

std::string left(std::string_view text, std::size_t n) {
    return std::string(text.substr(0, byteOffset(text, n + 1)));
}

std::string right(std::string_view text, std::size_t n) {
    const std::size_t count = characterCount(text);
    if (n >= count) return std::string(text);
    return std::string(text.substr(byteOffset(text, count - n + 1)));
}

std::string mid(std::string_view text, std::size_t start, std::size_t n) {
    if (start < 1) start = 1;
    const std::size_t from = byteOffset(text, start);
    if (from >= text.size()) return {};
    const std::string_view rest = text.substr(from);
    if (n == std::string::npos) return std::string(rest);
    return std::string(rest.substr(0, byteOffset(rest, n + 1)));
}

std::string replaceAll(std::string_view text, std::string_view find, std::string_view replacement) {
    if (find.empty()) return std::string(text);
    std::string out;
    std::size_t pos = 0;
    while (true) {
        const std::size_t at = text.find(find, pos);
        if (at == std::string_view::npos) break;
        out.append(text, pos, at - pos);
        out += replacement;
        pos = at + find.size();
    }
    out.append(text, pos, std::string_view::npos);
    return out;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    if (separator.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    std::size_t pos = 0;
    while (true) {
        const std::size_t at = text.find(separator, pos);
        if (at == std::string_view::npos) break;
        parts.emplace_back(text.substr(pos, at - pos));
        pos = at + separator.size();
    }
    parts.emplace_back(text.substr(pos));
    return parts;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        std::size_t len = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3
                        : (b0 & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > text.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        if (len == 2 && b0 < 0xC2) return false;
        i += len;
    }
    return true;
}

}  // namespace runtime
