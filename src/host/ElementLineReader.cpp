#include "host/ElementLineReader.h"

#include <atomic>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "host/Color.h"
#include "host/Element.h"
#include "host/Geometry.h"
#include "host/JsonScanner.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "runtime/Date.h"
#include "runtime/Error.h"
#include "runtime/Text.h"

namespace host {

namespace {

std::atomic<bool> directReading{true};

// Whether `text` is the literal `word`: a length check and a compare of known size, which the
// compiler writes out in place (the reader compares every key it meets with several).
template <std::size_t N>
bool is(std::string_view text, const char (&word)[N]) {
    return text.size() == N - 1 && std::memcmp(text.data(), word, N - 1) == 0;
}

// Thrown inside the reader when it gives up; never leaves it.
struct GiveUp {};

[[noreturn]] void giveUp() { throw GiveUp{}; }

// Groups inside groups: this keeps the reader's own recursion small whatever the document's
// nesting limit is (lines the splitter did not walk are bounded by maxContainerNesting too).
constexpr int maxNesting = 64;
constexpr int maxContainerNesting = static_cast<int>(directLineNesting);

class LineReader {
public:
    // `pending`: the ids of lines parsed before this one but not yet registered in the context.
    LineReader(std::string_view text, const PersistContext& context, ReadSharing& sharing, const PendingIds* pending)
        : t_(text), c_(context), sharing_(sharing), pending_(pending) {}

    ParsedElementLine parse() {
        runtime::ObjectPtr element = object(0);
        std::shared_ptr<Element> typed = cast<Element>(std::move(element));
        if (!typed) giveUp();
        ws();
        if (p_ != t_.size()) giveUp();
        return {std::move(typed), std::move(ids_), objects_};
    }

private:
    // Counts the objects and lists the reader is inside, the way the document splitter counts
    // them, and gives up beyond maxContainerNesting: a line the reader takes is never nested
    // deeper than that, whatever its classes (see directLineNesting).
    struct Nest {
        explicit Nest(LineReader& reader) : r(reader) {
            if (++r.nesting_ > maxContainerNesting) giveUp();
        }
        ~Nest() { --r.nesting_; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;
        LineReader& r;
    };

    // ---- JSON text ---------------------------------------------------------------------------

    void ws() {
        while (p_ < t_.size() && static_cast<unsigned char>(t_[p_]) <= ' ' &&
               (t_[p_] == ' ' || t_[p_] == '\n' || t_[p_] == '\r' || t_[p_] == '\t'))
            ++p_;
    }
    char peek() {
        ws();
        return p_ < t_.size() ? t_[p_] : '\0';
    }
    void expect(char ch) {
        if (peek() != ch) giveUp();
        ++p_;
    }
    // The next list item or member follows (true) or the list ends (false).
    bool more(char close) {
        const char ch = peek();
        ++p_;
        if (ch == ',') return true;
        if (ch != close) giveUp();
        return false;
    }
    bool literal(std::string_view word) {
        ws();
        if (t_.substr(p_, word.size()) != word) return false;
        p_ += word.size();
        return true;
    }
    // Null stands for an absent optional member, as the generic reader takes it.
    bool null() { return peek() == 'n' && literal("null"); }

    static int hex(char ch) {
        if (ch >= '0' && ch <= '9') return ch - '0';
        if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
        if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
        giveUp();
    }
    unsigned codeUnit() {
        if (p_ + 4 > t_.size()) giveUp();
        unsigned u = 0;
        for (int i = 0; i < 4; ++i) u = u * 16 + static_cast<unsigned>(hex(t_[p_++]));
        return u;
    }
    // One well-formed UTF-8 sequence starting at p_ (the JSON parser refuses anything else).
    void utf8() {
        const auto byte = [&](std::size_t i) { return i < t_.size() ? static_cast<unsigned char>(t_[i]) : 0u; };
        const unsigned b0 = byte(p_);
        const auto in = [](unsigned b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; };
        std::size_t n = 0;
        unsigned lo = 0x80, hi = 0xBF;
        if (in(b0, 0xC2, 0xDF)) n = 1;
        else if (b0 == 0xE0) n = 2, lo = 0xA0;
        else if (in(b0, 0xE1, 0xEC) || in(b0, 0xEE, 0xEF)) n = 2;
        else if (b0 == 0xED) n = 2, hi = 0x9F;
        else if (b0 == 0xF0) n = 3, lo = 0x90;
        else if (in(b0, 0xF1, 0xF3)) n = 3;
        else if (b0 == 0xF4) n = 3, hi = 0x8F;
        else giveUp();
        if (!in(byte(p_ + 1), lo, hi)) giveUp();
        for (std::size_t i = 2; i <= n; ++i)
            if (!in(byte(p_ + i), 0x80, 0xBF)) giveUp();
        p_ += n + 1;
    }
    // A string's text: a view into the line when it has no escapes, else decoded into `buffer`.
    std::string_view string(std::string& buffer) {
        expect('"');
        const std::size_t start = p_;
        for (;;) {
            p_ = plainRunEnd(t_, p_);
            if (p_ >= t_.size()) giveUp();
            const auto ch = static_cast<unsigned char>(t_[p_]);
            if (ch == '"') {
                ++p_;
                return t_.substr(start, p_ - 1 - start);
            }
            if (ch < 0x20) giveUp();
            if (ch == '\\') break;
            utf8();
        }
        buffer.assign(t_, start, p_ - start);
        for (;;) {
            if (p_ >= t_.size()) giveUp();
            const auto ch = static_cast<unsigned char>(t_[p_]);
            if (ch == '"') break;
            if (ch < 0x20) giveUp();
            if (ch >= 0x80) {
                const std::size_t from = p_;
                utf8();
                buffer.append(t_, from, p_ - from);
                continue;
            }
            ++p_;
            if (ch != '\\') {
                buffer += static_cast<char>(ch);
                continue;
            }
            if (p_ >= t_.size()) giveUp();
            const char e = t_[p_++];
            switch (e) {
            case '"': buffer += '"'; break;
            case '\\': buffer += '\\'; break;
            case '/': buffer += '/'; break;
            case 'b': buffer += '\b'; break;
            case 'f': buffer += '\f'; break;
            case 'n': buffer += '\n'; break;
            case 'r': buffer += '\r'; break;
            case 't': buffer += '\t'; break;
            case 'u': {
                unsigned cp = codeUnit();
                if (cp >= 0xDC00 && cp <= 0xDFFF) giveUp();
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (t_.substr(p_, 2) != "\\u") giveUp();
                    p_ += 2;
                    const unsigned low = codeUnit();
                    if (low < 0xDC00 || low > 0xDFFF) giveUp();
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                runtime::appendUtf8(buffer, static_cast<char32_t>(cp));
                break;
            }
            default: giveUp();
            }
        }
        ++p_;
        return buffer;
    }
    std::string text() {
        std::string buffer;
        const std::string_view s = string(buffer);
        return s.data() == buffer.data() ? std::move(buffer) : std::string(s);
    }

    // A number's text as JSON spells it; `whole` tells an integer from a number with a fraction
    // or an exponent (the JSON parser keeps them apart).
    std::string_view number(bool& whole) {
        ws();
        // On a local index: the digits of every coordinate pass through here.
        const char* const b = t_.data();
        const std::size_t n = t_.size(), start = p_;
        std::size_t i = p_;
        const auto digit = [&] { return i < n && static_cast<unsigned>(b[i] - '0') < 10u; };
        const auto digits = [&] {
            if (!digit()) giveUp();
            while (digit()) ++i;
        };
        if (i < n && b[i] == '-') ++i;
        if (!digit()) giveUp();
        if (b[i] == '0') ++i;
        else digits();
        whole = true;
        if (i < n && b[i] == '.') {
            ++i;
            whole = false;
            digits();
        }
        if (i < n && (b[i] == 'e' || b[i] == 'E')) {
            ++i;
            whole = false;
            if (i < n && (b[i] == '+' || b[i] == '-')) ++i;
            digits();
        }
        p_ = i;
        return t_.substr(start, i - start);
    }
    // A whole number that fits a signed 64-bit integer (the generic reader's `long`).
    long integer() {
        bool whole = false;
        const std::string_view s = number(whole);
        if (!whole) giveUp();
        long v = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (ec != std::errc() || end != s.data() + s.size()) giveUp();
        return v;
    }
    // A number as readDouble takes it: exactly what the JSON parser makes of the text (an
    // integer converted, a fraction correctly rounded), or the texts of NaN and the infinities.
    double real() {
        if (peek() == '"') {
            std::string buffer;
            const std::string_view s = string(buffer);
            if (is(s, "NaN")) return std::numeric_limits<double>::quiet_NaN();
            if (is(s, "Infinity")) return std::numeric_limits<double>::infinity();
            if (is(s, "-Infinity")) return -std::numeric_limits<double>::infinity();
            giveUp();
        }
        bool whole = false;
        const std::string_view s = number(whole);
        const char* first = s.data();
        const char* last = s.data() + s.size();
        if (whole) {
            // "-0" is the integer 0 to the JSON parser, and so a positive zero.
            if (s[0] == '-') {
                std::int64_t v = 0;
                const auto [end, ec] = std::from_chars(first, last, v);
                if (ec != std::errc() || end != last) giveUp();
                return static_cast<double>(v);
            }
            std::uint64_t v = 0;
            const auto [end, ec] = std::from_chars(first, last, v);
            if (ec != std::errc() || end != last) giveUp();
            return static_cast<double>(v);
        }
        double v = 0;
        const auto [end, ec] = std::from_chars(first, last, v);
        if (ec != std::errc() || end != last) giveUp();
        return v;
    }
    std::optional<double> optReal() {
        if (null()) return std::nullopt;
        return real();
    }
    bool flag() {
        if (literal("true")) return true;
        if (literal("false")) return false;
        giveUp();
    }
    std::optional<bool> optFlag() {
        if (null()) return std::nullopt;
        return flag();
    }
    std::optional<long> optInteger() {
        if (null()) return std::nullopt;
        return integer();
    }
    std::optional<std::string> optText() {
        if (null()) return std::nullopt;
        return text();
    }
    XY xy() {
        const Nest nest(*this);
        expect('[');
        XY p;
        p.x = real();
        expect(',');
        p.y = real();
        expect(']');
        return p;
    }
    std::vector<XY> path() {
        const Nest nest(*this);
        std::vector<XY> points;
        expect('[');
        if (peek() == ']') return ++p_, points;
        do {
            points.push_back(xy());
            if (points.size() > c_.limits().maxArrayItems) giveUp();
        } while (more(']'));
        return points;
    }
    // Calls `item` for each item of a list, bounded as the generic reader bounds lists.
    template <class F>
    void list(F&& item) {
        const Nest nest(*this);
        expect('[');
        if (peek() == ']') return void(++p_);
        std::size_t n = 0;
        do {
            if (++n > c_.limits().maxArrayItems) giveUp();
            item();
        } while (more(']'));
    }
    RgbColor color() {
        const Nest nest(*this);
        std::optional<long> rgb, transparency;
        bool seenRgb = false, seenTransparency = false;
        members([&](std::string_view key) {
            if (is(key, "rgb")) take(rgb, seenRgb, [&] { return optInteger(); });
            else if (is(key, "transparency")) take(transparency, seenTransparency, [&] { return optInteger(); });
            else giveUp();
        });
        const long value = rgb.value_or(0);
        if (value < 0 || value > 0xFFFFFF) giveUp();
        RgbColor c(static_cast<std::uint32_t>(value));
        c.setTransparency(static_cast<int>(transparency.value_or(0)));
        return c;
    }
    std::optional<RgbColor> optColor() {
        if (null()) return std::nullopt;
        return color();
    }
    static void once(int seen) {
        if (seen) giveUp();
    }

    // The members of an object, `member(key)` reading each value.
    template <class F>
    void members(F&& member) {
        expect('{');
        if (peek() == '}') return void(++p_);
        std::string buffer;
        do {
            const std::string_view key = string(buffer);
            expect(':');
            member(key);
        } while (more('}'));
    }
    // Skips a value checking its spelling loosely (the real reading of the object checks it).
    void skip(int depth) {
        if (depth > maxNesting) giveUp();
        const char ch = peek();
        std::string buffer;
        if (ch == '{') return members([&](std::string_view) { skip(depth + 1); });
        if (ch == '[') return list([&] { skip(depth + 1); });
        if (ch == '"') return void(string(buffer));
        if (literal("true") || literal("false") || literal("null")) return;
        bool whole = false;
        (void)number(whole);
    }

    // ---- objects -------------------------------------------------------------------------------

    // An object's class name, wherever the member stands among the others.
    std::string_view className(std::size_t open) {
        std::string_view found;
        std::string keyBuffer;
        expect('{');
        if (peek() != '}') {
            do {
                const std::string_view key = string(keyBuffer);
                expect(':');
                if (is(key, "$class")) {
                    if (peek() != '"') giveUp();
                    std::string buffer;
                    found = string(buffer);
                    if (found.data() == buffer.data()) giveUp();  // escaped: no class of ours
                    break;
                }
                skip(1);
            } while (more('}'));
        }
        p_ = open;
        if (found.empty()) giveUp();
        return found;
    }

    // A $ref, checked and resolved: only to objects of earlier lines, complete by now (a
    // reference into this line depends on the order the generic reader fills members in).
    runtime::ObjectPtr reference() {
        const long id = integer();
        expect('}');
        if (auto it = c_.readObjects().find(id); it != c_.readObjects().end()) {
            if (!it->second) giveUp();
            return it->second;
        }
        if (pending_) {
            if (auto it = pending_->find(id); it != pending_->end()) return it->second;
        }
        giveUp();
    }

    // The classes a T read from a chart's line mostly is.
    template <class T>
    static std::shared_ptr<T> cast(runtime::ObjectPtr o) {
        if constexpr (std::is_same_v<T, Element>)
            return runtime::objectCast<T, TextElement, MarkerElement, GroupElement, LineElement, PolygonElement>(std::move(o));
        else if constexpr (std::is_same_v<T, Geometry>) return runtime::objectCast<T, Point, Polyline, Polygon>(std::move(o));
        else if constexpr (std::is_same_v<T, MarkerSymbol>) return runtime::objectCast<T, BarChartSymbol, SimpleMarkerSymbol>(std::move(o));
        else if constexpr (std::is_same_v<T, LineSymbol>) return runtime::objectCast<T, SimpleLineSymbol>(std::move(o));
        else if constexpr (std::is_same_v<T, FillSymbol> || std::is_same_v<T, Symbol>) return runtime::objectCast<T, SimpleFillSymbol>(std::move(o));
        else if constexpr (std::is_final_v<T>) return runtime::objectCast<T, T>(std::move(o));
        else return std::dynamic_pointer_cast<T>(std::move(o));
    }
    template <class T>
    std::shared_ptr<T> objectAs(int depth) {
        runtime::ObjectPtr o = object(depth);
        if (!o) giveUp();
        auto typed = cast<T>(std::move(o));
        if (!typed) giveUp();
        return typed;
    }
    template <class T>
    std::shared_ptr<T> optObjectAs(int depth) {
        if (null()) return nullptr;
        return objectAs<T>(depth);
    }

    // An object in full or by reference.
    runtime::ObjectPtr object(int depth) {
        const Nest nest(*this);
        if (depth > maxNesting) giveUp();
        ws();
        const std::size_t open = p_;
        expect('{');
        std::string keyBuffer;
        std::string classBuffer;
        std::string_view cls;
        if (peek() == '"') {
            const std::size_t keyStart = p_;
            const std::string_view first = string(keyBuffer);
            if (is(first, "$ref")) {
                expect(':');
                return reference();
            }
            if (is(first, "$class")) {
                // As this program writes every object: its class first. The class's reader
                // goes on from here instead of reading the member a second time.
                expect(':');
                if (peek() != '"') giveUp();
                cls = string(classBuffer);
                if (cls.data() == classBuffer.data()) giveUp();  // escaped: no class of ours
                classRead_ = true;
            } else {
                p_ = keyStart;
            }
        }
        if (!classRead_) {
            p_ = open;
            cls = className(open);
        }
        if (is(cls, "GroupElement")) return group(depth);
        if (is(cls, "MarkerElement")) return element<MarkerElement, MarkerSymbol>(depth);
        if (is(cls, "TextElement")) return element<TextElement, TextSymbol>(depth);
        if (is(cls, "LineElement")) return element<LineElement, LineSymbol>(depth);
        if (is(cls, "PolygonElement")) return element<PolygonElement, FillSymbol>(depth);
        if (is(cls, "Point")) return point();
        if (is(cls, "Polyline")) return lines<Polyline>("paths");
        if (is(cls, "Polygon")) return lines<Polygon>("rings");
        if (is(cls, "PropertySet")) return propertySet(depth);
        if (is(cls, "BarChartSymbol")) return barChart(depth);
        if (is(cls, "LineCallout")) return callout();
        if (is(cls, "SimpleMarkerSymbol")) return simpleMarker();
        if (is(cls, "SimpleLineSymbol")) return simpleLine();
        if (is(cls, "SimpleFillSymbol")) return simpleFill(depth);
        if (is(cls, "TextSymbol")) return textSymbol();
        giveUp();
    }

    // Reads an object's members: "$class" (known already), "$id" and the class's own, each at
    // most once. `member(key)` returns false for a key the class does not have.
    template <class F>
    void body(const runtime::ObjectPtr& self, F&& member) {
        ++objects_;
        bool seenClass = false, seenId = false;
        const auto read = [&](std::string_view key) {
            if (is(key, "$class")) {
                once(seenClass);
                seenClass = true;
                std::string buffer;
                (void)string(buffer);
            } else if (is(key, "$id")) {
                once(seenId);
                seenId = true;
                const long id = integer();
                if (c_.readObjects().count(id) || (pending_ && pending_->count(id))) giveUp();
                for (const auto& [known, object] : ids_)
                    if (known == id) giveUp();
                ids_.emplace_back(id, self);
            } else if (!member(key)) {
                giveUp();
            }
        };
        if (!classRead_) return members(read);
        // object() has read the opening brace and the class member.
        classRead_ = false;
        seenClass = true;
        std::string buffer;
        while (more('}')) {
            const std::string_view key = string(buffer);
            expect(':');
            read(key);
        }
    }

    // Members of every element but a group.
    struct ElementBase {
        std::optional<std::string> name;
        bool seenName = false, seenGeometry = false, seenCustom = false, seenLocked = false;
        GeometryPtr geometry;
        std::optional<runtime::Variant> custom;
        std::optional<bool> locked;
    };
    bool elementMember(std::string_view key, ElementBase& b, int depth, bool group) {
        if (is(key, "name")) {
            once(b.seenName);
            b.seenName = true;
            b.name = optText();
        } else if (is(key, "geometry") && !group) {
            once(b.seenGeometry);
            b.seenGeometry = true;
            b.geometry = optObjectAs<Geometry>(depth + 1);
        } else if (is(key, "custom")) {
            once(b.seenCustom);
            b.seenCustom = true;
            if (!null()) b.custom = variant(depth + 1);
        } else if (is(key, "locked")) {
            once(b.seenLocked);
            b.seenLocked = true;
            b.locked = optFlag();
        } else {
            return false;
        }
        return true;
    }
    static void applyBase(Element& e, ElementBase& b, bool group) {
        e.setName(b.name.value_or(std::string()));
        if (!group) e.setGeometry(std::move(b.geometry));
        if (b.custom) e.setCustomProperty(std::move(*b.custom));
        e.setLocked(b.locked.value_or(false));
    }

    template <class E, class S>
    runtime::ObjectPtr element(int depth) {
        auto e = std::make_shared<E>();
        ElementBase base;
        std::shared_ptr<S> symbol;
        bool seenSymbol = false, seenText = false, seenScale = false;
        std::optional<std::string> text;
        std::optional<bool> scaleText;
        body(e, [&](std::string_view key) {
            if (elementMember(key, base, depth, false)) return true;
            if (is(key, "symbol")) {
                once(seenSymbol);
                seenSymbol = true;
                symbol = optObjectAs<S>(depth + 1);
                return true;
            }
            if constexpr (std::is_same_v<E, TextElement>) {
                if (is(key, "text")) {
                    once(seenText);
                    seenText = true;
                    text = optText();
                    return true;
                }
                if (is(key, "scaleText")) {
                    once(seenScale);
                    seenScale = true;
                    scaleText = optFlag();
                    return true;
                }
            }
            return false;
        });
        applyBase(*e, base, false);
        if constexpr (std::is_same_v<E, TextElement>) {
            e->setText(text.value_or(std::string()));
            e->setSymbol(std::move(symbol));
            e->setScaleText(scaleText.value_or(true));
        } else {
            e->setSymbol(std::move(symbol));
        }
        return e;
    }

    runtime::ObjectPtr group(int depth) {
        auto g = std::make_shared<GroupElement>();
        ElementBase base;
        std::vector<ElementPtr> members;
        bool seenElements = false;
        body(g, [&](std::string_view key) {
            if (elementMember(key, base, depth, true)) return true;
            if (!is(key, "elements")) return false;
            once(seenElements);
            seenElements = true;
            list([&] { members.push_back(objectAs<Element>(depth + 1)); });
            return true;
        });
        if (!seenElements) giveUp();
        applyBase(*g, base, true);
        for (auto& m : members) g->addElement(std::move(m));
        g->compactLabels();
        return g;
    }

    runtime::ObjectPtr point() {
        auto o = std::make_shared<Point>();
        std::optional<XY> at;
        bool seenXY = false, seenEmpty = false;
        body(o, [&](std::string_view key) {
            if (is(key, "xy")) {
                once(seenXY);
                seenXY = true;
                if (!null()) at = xy();
            } else if (is(key, "empty")) {
                once(seenEmpty);
                seenEmpty = true;
                (void)optFlag();
            } else {
                return false;
            }
            return true;
        });
        if (at) *o = Point(*at);
        return o;
    }

    template <class G>
    runtime::ObjectPtr lines(std::string_view name) {
        auto o = std::make_shared<G>();
        std::vector<std::vector<XY>> parts;
        bool seen = false;
        body(o, [&](std::string_view key) {
            if (key != name) return false;
            once(seen);
            seen = true;
            list([&] { parts.push_back(path()); });
            return true;
        });
        if (!seen) giveUp();
        for (auto& part : parts) {
            if constexpr (std::is_same_v<G, Polyline>) o->addPath(std::move(part));
            else o->addRing(std::move(part));
        }
        return o;
    }

    runtime::Variant variant(int depth) {
        const Nest nest(*this);
        expect('[');
        std::string buffer;
        const std::string_view kind = string(buffer);
        const auto last = [&] { expect(']'); };
        const auto payload = [&] { expect(','); };
        if (is(kind, "e")) return last(), runtime::Variant();
        if (is(kind, "n")) return last(), runtime::Variant::null();
        payload();
        runtime::Variant v;
        if (is(kind, "s")) {
            if (peek() != '"') giveUp();
            v = sharing_.text(text());
        } else if (is(kind, "d")) {
            v = runtime::Variant(real());
        } else if (is(kind, "f")) {
            v = runtime::Variant(static_cast<float>(real()));
        } else if (is(kind, "i4")) {
            const long x = integer();
            if (x < -2147483648L || x > 2147483647L) giveUp();
            v = runtime::Variant(static_cast<std::int32_t>(x));
        } else if (is(kind, "i2")) {
            const long x = integer();
            if (x < -32768 || x > 32767) giveUp();
            v = runtime::Variant(static_cast<std::int16_t>(x));
        } else if (is(kind, "b")) {
            v = runtime::Variant(flag());
        } else if (is(kind, "t")) {
            constexpr double firstDate = -657434.0, afterLastDate = 2958466.0;
            const double serial = real();
            if (!(serial >= firstDate && serial < afterLastDate)) giveUp();
            v = runtime::Variant(runtime::Date{serial});
        } else if (is(kind, "o")) {
            v = runtime::Variant(null() ? runtime::ObjectPtr() : object(depth + 1));
        } else {
            giveUp();
        }
        last();
        return v;
    }

    runtime::ObjectPtr propertySet(int depth) {
        auto o = std::make_shared<PropertySet>();
        std::vector<std::pair<std::string, runtime::Variant>> items;
        bool seen = false;
        body(o, [&](std::string_view key) {
            if (!is(key, "properties")) return false;
            once(seen);
            seen = true;
            list([&] {
                const Nest nest(*this);
                expect('[');
                if (peek() != '"') giveUp();
                std::string name = text();
                expect(',');
                runtime::Variant value = variant(depth + 1);
                expect(']');
                items.emplace_back(std::move(name), std::move(value));
            });
            return true;
        });
        if (!seen) giveUp();
        std::vector<std::string> names;
        std::vector<runtime::Variant> values;
        names.reserve(items.size());
        values.reserve(items.size());
        for (auto& [name, value] : items) {
            names.push_back(std::move(name));
            values.push_back(std::move(value));
        }
        sharing_.fill(*o, std::move(names), std::move(values));
        return o;
    }

    // Members of marker symbols (simple markers and bar charts).
    struct MarkerBase {
        std::optional<double> size, angle;
        std::optional<RgbColor> color;
        std::optional<XY> offset;
        bool seenSize = false, seenAngle = false, seenColor = false, seenOffset = false;
    };
    bool markerMember(std::string_view key, MarkerBase& b) {
        if (is(key, "size")) take(b.size, b.seenSize, [&] { return optReal(); });
        else if (is(key, "color")) take(b.color, b.seenColor, [&] { return optColor(); });
        else if (is(key, "angle")) take(b.angle, b.seenAngle, [&] { return optReal(); });
        else if (is(key, "offset")) {
            once(b.seenOffset);
            b.seenOffset = true;
            if (!null()) b.offset = xy();
        } else {
            return false;
        }
        return true;
    }
    static void applyMarker(MarkerSymbol& s, const MarkerBase& b) {
        s.setSize(b.size.value_or(s.size()));
        s.setColor(b.color.value_or(RgbColor()));
        s.setAngle(b.angle.value_or(0));
        if (b.offset) s.setOffset(b.offset->x, b.offset->y);
    }

    // A member read into `slot`, refused when given twice.
    template <class T, class R>
    static void take(std::optional<T>& slot, bool& seen, R&& read) {
        once(seen);
        seen = true;
        slot = read();
    }

    runtime::ObjectPtr simpleMarker() {
        auto o = std::make_shared<SimpleMarkerSymbol>();
        MarkerBase base;
        std::optional<long> style;
        std::optional<bool> outline;
        std::optional<RgbColor> outlineColor;
        std::optional<double> outlineSize;
        bool s1 = false, s2 = false, s3 = false, s4 = false;
        body(o, [&](std::string_view key) {
            if (markerMember(key, base)) return true;
            if (is(key, "style")) take(style, s1, [&] { return optInteger(); });
            else if (is(key, "outline")) take(outline, s2, [&] { return optFlag(); });
            else if (is(key, "outlineColor")) take(outlineColor, s3, [&] { return optColor(); });
            else if (is(key, "outlineSize")) take(outlineSize, s4, [&] { return optReal(); });
            else return false;
            return true;
        });
        applyMarker(*o, base);
        const long st = style.value_or(0);
        if (st < 0 || st > 4) giveUp();
        o->setStyle(static_cast<SimpleMarkerStyle>(st));
        o->setOutline(outline.value_or(false));
        o->setOutlineColor(outlineColor.value_or(RgbColor()));
        o->setOutlineSize(outlineSize.value_or(1.0));
        return o;
    }

    runtime::ObjectPtr simpleLine() {
        auto o = std::make_shared<SimpleLineSymbol>();
        std::optional<double> width;
        std::optional<RgbColor> color;
        std::optional<long> style;
        bool s1 = false, s2 = false, s3 = false;
        body(o, [&](std::string_view key) {
            if (is(key, "width")) take(width, s1, [&] { return optReal(); });
            else if (is(key, "color")) take(color, s2, [&] { return optColor(); });
            else if (is(key, "style")) take(style, s3, [&] { return optInteger(); });
            else return false;
            return true;
        });
        o->setWidth(width.value_or(1.0));
        o->setColor(color.value_or(RgbColor()));
        const long st = style.value_or(0);
        if (st < 0 || st > 5) giveUp();
        o->setStyle(static_cast<int>(st));
        return o;
    }

    runtime::ObjectPtr simpleFill(int depth) {
        auto o = std::make_shared<SimpleFillSymbol>();
        std::optional<RgbColor> color;
        std::optional<long> style;
        LineSymbolPtr outline;
        bool s1 = false, s2 = false, s3 = false;
        body(o, [&](std::string_view key) {
            if (is(key, "color")) take(color, s1, [&] { return optColor(); });
            else if (is(key, "style")) take(style, s2, [&] { return optInteger(); });
            else if (is(key, "outline")) {
                once(s3);
                s3 = true;
                outline = optObjectAs<LineSymbol>(depth + 1);
            } else {
                return false;
            }
            return true;
        });
        o->setColor(color.value_or(RgbColor()));
        o->setOutline(std::move(outline));
        const long st = style.value_or(0);
        if (st < 0 || st > 7) giveUp();
        o->setStyle(static_cast<SimpleFillStyle>(st));
        return o;
    }

    runtime::ObjectPtr textSymbol() {
        auto o = std::make_shared<TextSymbol>();
        std::optional<std::string> fontName;
        std::optional<double> fontSize, angle;
        std::optional<bool> bold, italic, underline;
        std::optional<RgbColor> color;
        std::optional<long> hAlign, vAlign;
        bool seenFont = false, s1 = false, s2 = false, s3 = false, s4 = false;
        body(o, [&](std::string_view key) {
            if (is(key, "font")) {
                once(seenFont);
                seenFont = true;
                bool f1 = false, f2 = false, f3 = false, f4 = false, f5 = false;
                members([&](std::string_view k) {
                    if (is(k, "name")) take(fontName, f1, [&] { return optText(); });
                    else if (is(k, "size")) take(fontSize, f2, [&] { return optReal(); });
                    else if (is(k, "bold")) take(bold, f3, [&] { return optFlag(); });
                    else if (is(k, "italic")) take(italic, f4, [&] { return optFlag(); });
                    else if (is(k, "underline")) take(underline, f5, [&] { return optFlag(); });
                    else giveUp();
                });
            } else if (is(key, "color")) {
                take(color, s1, [&] { return optColor(); });
            } else if (is(key, "hAlign")) {
                take(hAlign, s2, [&] { return optInteger(); });
            } else if (is(key, "vAlign")) {
                take(vAlign, s3, [&] { return optInteger(); });
            } else if (is(key, "angle")) {
                take(angle, s4, [&] { return optReal(); });
            } else {
                return false;
            }
            return true;
        });
        if (!seenFont) giveUp();
        o->setFont(FontSpec{fontName.value_or("Arial"), fontSize.value_or(8.0), bold.value_or(false), italic.value_or(false),
                            underline.value_or(false)});
        o->setColor(color.value_or(RgbColor()));
        const long h = hAlign.value_or(0), v = vAlign.value_or(2);
        if (h < 0 || h > 3 || v < 0 || v > 3) giveUp();
        o->setHorizontalAlignment(static_cast<int>(h));
        o->setVerticalAlignment(static_cast<int>(v));
        o->setAngle(angle.value_or(0));
        return o;
    }

    runtime::ObjectPtr callout() {
        auto o = std::make_shared<LineCallout>();
        std::optional<double> width, gap, tolerance;
        std::optional<RgbColor> color;
        std::optional<XY> anchor;
        bool s1 = false, s2 = false, s3 = false, s4 = false, s5 = false;
        body(o, [&](std::string_view key) {
            if (is(key, "leaderWidth")) take(width, s1, [&] { return optReal(); });
            else if (is(key, "leaderColor")) take(color, s2, [&] { return optColor(); });
            else if (is(key, "gap")) take(gap, s3, [&] { return optReal(); });
            else if (is(key, "tolerance")) take(tolerance, s4, [&] { return optReal(); });
            else if (is(key, "anchor")) take(anchor, s5, [&] { return null() ? std::optional<XY>() : std::optional<XY>(xy()); });
            else return false;
            return true;
        });
        o->setLeaderWidth(width.value_or(1.0));
        o->setLeaderColor(color.value_or(RgbColor()));
        o->setGap(gap.value_or(0));
        o->setLeaderTolerance(tolerance.value_or(0));
        if (anchor) o->setAnchorPoint(*anchor);
        return o;
    }

    runtime::ObjectPtr barChart(int depth) {
        auto o = std::make_shared<BarChartSymbol>();
        MarkerBase base;
        std::optional<bool> showAxes, verticalBars, display3D;
        std::optional<double> spacing, width, thickness, maxValue;
        std::vector<double> values;
        std::vector<SymbolPtr> symbols;
        LineCalloutPtr background;
        bool s[10] = {};
        body(o, [&](std::string_view key) {
            if (markerMember(key, base)) return true;
            if (is(key, "showAxes")) take(showAxes, s[0], [&] { return optFlag(); });
            else if (is(key, "spacing")) take(spacing, s[1], [&] { return optReal(); });
            else if (is(key, "verticalBars")) take(verticalBars, s[2], [&] { return optFlag(); });
            else if (is(key, "width")) take(width, s[3], [&] { return optReal(); });
            else if (is(key, "display3D")) take(display3D, s[4], [&] { return optFlag(); });
            else if (is(key, "thickness")) take(thickness, s[5], [&] { return optReal(); });
            else if (is(key, "maxValue")) take(maxValue, s[6], [&] { return optReal(); });
            else if (is(key, "values")) {
                once(s[7]);
                s[7] = true;
                list([&] { values.push_back(real()); });
            } else if (is(key, "symbols")) {
                once(s[8]);
                s[8] = true;
                list([&] { symbols.push_back(objectAs<Symbol>(depth + 1)); });
            } else if (is(key, "background")) {
                once(s[9]);
                s[9] = true;
                background = optObjectAs<LineCallout>(depth + 1);
            } else {
                return false;
            }
            return true;
        });
        if (!s[7] || !s[8]) giveUp();
        applyMarker(*o, base);
        o->setShowAxes(showAxes.value_or(false));
        o->setSpacing(spacing.value_or(0));
        o->setVerticalBars(verticalBars.value_or(true));
        o->setWidth(width.value_or(8));
        o->setDisplay3D(display3D.value_or(false));
        o->setThickness(thickness.value_or(0));
        o->setMaxValue(maxValue.value_or(0));
        o->setValues(values);
        for (auto& symbol : symbols) o->addSymbol(std::move(symbol));
        sharing_.shareBarSymbols(*o);
        o->setBackground(std::move(background));
        return o;
    }

    std::string_view t_;
    std::size_t p_ = 0;
    const PersistContext& c_;
    ReadSharing& sharing_;
    const PendingIds* pending_;
    std::vector<std::pair<long, runtime::ObjectPtr>> ids_;  // registered when the line is read
    // Set by object() when it has read an object's class member, for the body() that follows
    // (the class's reader calls it before reading anything else).
    bool classRead_ = false;
    int nesting_ = 0;  // see Nest
    std::size_t objects_ = 0;                               // counted then
};

}  // namespace

bool parseElementLine(std::string_view text, const PersistContext& context, ReadSharing& sharing, const PendingIds* pending,
                      ParsedElementLine& out) {
    try {
        out = LineReader(text, context, sharing, pending).parse();
        return true;
    } catch (const GiveUp&) {
        return false;
    } catch (const runtime::Error&) {
        return false;  // an object refusing a value: the generic reader names it
    }
}

bool registerElementLine(ParsedElementLine& line, PersistContext& context) {
    // What the generic reader would have counted and registered, applied only now that the
    // whole line is read: refused (changing nothing) when over the limit or when an id was
    // taken by a line registered since this one was parsed.
    const std::size_t max = context.limits().maxObjects;
    if (line.objects > max || context.objectCount() > max - line.objects) return false;
    for (const auto& entry : line.ids)
        if (context.readObjects().count(entry.first)) return false;
    for (std::size_t i = 0; i < line.objects; ++i) context.countObject();
    for (auto& [id, object] : line.ids) context.readObjects().emplace(id, std::move(object));
    line.ids.clear();
    return true;
}

runtime::ObjectPtr readElementLineDirect(std::string_view text, PersistContext& context) {
    ParsedElementLine line;
    if (!parseElementLine(text, context, context.sharing(), nullptr, line) || !registerElementLine(line, context)) return nullptr;
    return line.element;
}

bool directElementReading() { return directReading.load(std::memory_order_relaxed); }

void setDirectElementReading(bool on) { directReading.store(on, std::memory_order_relaxed); }

}  // namespace host
