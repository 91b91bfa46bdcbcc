#include "host/ElementText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <typeinfo>
#include <utility>

#include "host/PropertySet.h"
#include "host/Symbol.h"

namespace host {

void WriteLimits::shape(const Json& j, std::size_t depth) {
    if (!j.is_structured()) return;
    if (j.is_object() && j.contains("$class")) ++objects_;
    container(depth);
    if (j.is_array()) list(j.size());
    for (const auto& item : j) shape(item, depth + 1);
}

void WriteLimits::objectsWithinLimit() const {
    if (objects_ > maxObjects_)
        c_.fail("it holds more than " + std::to_string(maxObjects_) + " objects, more than reading accepts");
}

void WriteLimits::tooDeep() const {
    c_.fail("its objects are nested deeper than the " + std::to_string(maxDepth_) + " levels reading accepts");
}

void WriteLimits::tooLong(std::size_t items) const {
    c_.fail("a list holds " + std::to_string(items) + " items; reading accepts at most " + std::to_string(maxListItems_));
}

void appendJsonText(std::string& out, const Json& j) { out += j.dump(-1, ' ', false, Json::error_handler_t::replace); }

namespace {

template <class T, class P>
const T* exactly(const P& object) {
    return typeid(object) == typeid(T) ? static_cast<const T*>(&object) : nullptr;
}

// Members are written in the order of their keys (the order a JSON tree gives them), objects
// are numbered in the order writeObject meets them. Where the two differ and the earlier key's
// value may take ids, the later key's value is written first into a scratch text.
class Writer {
public:
    Writer(std::string& out, PersistContext& context, WriteLimits& limits) : out_(&out), c_(context), k_(limits) {}

    // `numbered`: written with an id whatever its holders (see writeObjectNumbered).
    template <class T>
    void any(const std::shared_ptr<T>& p, bool numbered = false) {
        if (!p) {
            *out_ += "null";
            return;
        }
        numbered_ = numbered;
        const runtime::Object& o = *p;
        if (auto* e = exactly<GroupElement>(o)) return object(p, "GroupElement", false, [&] { group(*e); });
        if (auto* e = exactly<MarkerElement>(o)) return object(p, "MarkerElement", false, [&] { leaf(*e, e->symbol()); });
        if (auto* e = exactly<TextElement>(o)) return object(p, "TextElement", false, [&] { text(*e); });
        if (auto* e = exactly<LineElement>(o)) return object(p, "LineElement", false, [&] { leaf(*e, e->symbol()); });
        if (auto* e = exactly<PolygonElement>(o)) return object(p, "PolygonElement", false, [&] { leaf(*e, e->symbol()); });
        if (auto* s = exactly<BarChartSymbol>(o)) return object(p, "BarChartSymbol", false, [&] { barChart(*s); });
        if (auto* s = exactly<SimpleFillSymbol>(o)) return object(p, "SimpleFillSymbol", false, [&] { simpleFill(*s); });
        if (auto* s = exactly<SimpleLineSymbol>(o)) return object(p, "SimpleLineSymbol", false, [&] { simpleLine(*s); });
        if (auto* s = exactly<SimpleMarkerSymbol>(o)) return object(p, "SimpleMarkerSymbol", false, [&] { simpleMarker(*s); });
        if (auto* s = exactly<TextSymbol>(o)) return object(p, "TextSymbol", false, [&] { textSymbol(*s); });
        if (auto* s = exactly<LineCallout>(o)) return object(p, "LineCallout", false, [&] { callout(*s); });
        if (auto* s = exactly<PropertySet>(o)) return object(p, "PropertySet", false, [&] { propertySet(*s); });
        if (auto* g = exactly<Point>(o)) return object(p, "Point", true, [&] { point(*g); });
        if (auto* g = exactly<Polyline>(o)) return object(p, "Polyline", false, [&] { paths("paths", g->paths()); });
        if (auto* g = exactly<Polygon>(o)) return object(p, "Polygon", false, [&] { paths("rings", g->rings()); });
        numbered_ = false;
        if (numbered) {
            const Json j = writeObjectNumbered(p, c_);
            k_.shape(j, depth_ + 1);
            appendJsonText(*out_, j);
            return;
        }
        generic(p);
    }

private:
    // ---- the text -------------------------------------------------------------------------------

    void open(char bracket) {
        k_.container(++depth_);
        *out_ += bracket;
    }
    void close(char bracket) {
        --depth_;
        *out_ += bracket;
    }
    void list(char bracket, std::size_t items) {
        open(bracket);
        k_.list(items);
    }
    // Every member but an object's first ("$class", or a colour's "rgb").
    void key(std::string_view name) {
        *out_ += ",\"";
        *out_ += name;
        *out_ += "\":";
    }
    template <class I>
    void integer(I value) {
        char buffer[24];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
        out_->append(buffer, end);
    }
    void flag(bool on) { *out_ += on ? "true" : "false"; }
    // As writeDouble: texts for NaN and the infinities, whole numbers without a fraction, "-0.0"
    // for negative zero; otherwise the shortest text that reads back as the same double.
    void number(double v) {
        if (std::isnan(v)) {
            *out_ += "\"NaN\"";
        } else if (std::isinf(v)) {
            *out_ += v > 0 ? "\"Infinity\"" : "\"-Infinity\"";
        } else if (v == 0 && std::signbit(v)) {
            *out_ += "-0.0";
        } else if (constexpr double exactIntegers = 9007199254740992.0; v == std::trunc(v) && std::fabs(v) < exactIntegers) {
            integer(static_cast<std::int64_t>(v));
        } else {
            char buffer[32];
            const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
            out_->append(buffer, end);
        }
    }
    void string(std::string_view s) {
        for (const char ch : s) {
            const auto byte = static_cast<unsigned char>(ch);
            if (byte < 0x20 || byte >= 0x80 || ch == '"' || ch == '\\') {
                // Escapes, other scripts and bytes that are not UTF-8: as the JSON library writes them.
                appendJsonText(*out_, Json(s));
                return;
            }
        }
        *out_ += '"';
        *out_ += s;
        *out_ += '"';
    }
    void xy(XY p) {
        list('[', 2);
        number(p.x);
        *out_ += ',';
        number(p.y);
        close(']');
    }
    void color(const RgbColor& c) {
        open('{');
        *out_ += "\"rgb\":";
        integer(c.rgb());
        if (c.transparency() != 0) {
            key("transparency");
            integer(c.transparency());
        }
        close('}');
    }

    // Where the text goes for a while (a member written ahead of its place).
    class Scratch {
    public:
        explicit Scratch(Writer& w) : w_(w), saved_(w.out_) {
            if (w_.scratchUsed_ == w_.scratch_.size()) w_.scratch_.emplace_back();
            text_ = &w_.scratch_[w_.scratchUsed_++];
            text_->clear();
            w_.out_ = text_;
        }
        ~Scratch() { --w_.scratchUsed_; }
        Scratch(const Scratch&) = delete;
        Scratch& operator=(const Scratch&) = delete;
        // Back to the text it interrupted; `text()` holds what was written meanwhile.
        void end() { w_.out_ = saved_; }
        const std::string& text() const { return *text_; }

    private:
        Writer& w_;
        std::string* saved_;
        std::string* text_;
    };

    // ---- objects ----------------------------------------------------------------------------------

    // The object's braces, class and id (as writeObject gives them) around `body`; a reference
    // instead when the object was written already.
    template <class T, class Body>
    void object(const std::shared_ptr<T>& p, std::string_view cls, bool byValue, Body&& body) {
        long* slot = nullptr;
        std::optional<PersistContext::UnsharedScope> unshared;
        const bool numbered = std::exchange(numbered_, false);
        if (byValue) {
            // A value: never numbered, never referred to.
        } else if (p.use_count() == 1 && !numbered) {
            unshared.emplace(c_);
        } else {
            auto& ids = c_.writtenIds();
            auto [it, fresh] = ids.try_emplace(static_cast<const runtime::Object*>(p.get()), 0);
            if (!fresh) {
                if (it->second < 0) c_.fail("a " + std::string(cls) + " holds itself (a cycle) and cannot be saved");
                open('{');
                *out_ += "\"$ref\":";
                integer(it->second);
                close('}');
                return;
            }
            // Negative while it is being written: met again inside itself, it is a cycle.
            it->second = -static_cast<long>(ids.size());
            slot = &it->second;  // element references stay valid when the map grows
            c_.retain(p);
        }
        classed(cls, slot, body);
        if (slot) *slot = -*slot;
    }

    // An object only its one holder refers to, whatever its count says (a view of a compact
    // label is held by nobody).
    template <class Body>
    void unsharedObject(std::string_view cls, Body&& body) {
        numbered_ = false;
        PersistContext::UnsharedScope unshared(c_);
        classed(cls, nullptr, body);
    }

    // Braces, class and the id `slot` holds (negated while it is written) around `body`.
    template <class Body>
    void classed(std::string_view cls, const long* slot, Body& body) {
        k_.object();
        open('{');
        *out_ += "\"$class\":\"";
        *out_ += cls;
        *out_ += '"';
        if (slot) {
            *out_ += ",\"$id\":";
            integer(-*slot);
        }
        body();
        close('}');
    }

    // Anything this writer does not write itself, as writeObject writes it.
    template <class T>
    void generic(const std::shared_ptr<T>& p) {
        const Json j = writeObject(p, c_);
        k_.shape(j, depth_ + 1);
        appendJsonText(*out_, j);
    }

    void variant(const runtime::Variant& v) {
        using K = runtime::Variant::Kind;
        const auto kind = [&](const char* tag, std::size_t items) {
            list('[', items);
            *out_ += tag;
        };
        switch (v.kind()) {
        case K::Empty: kind("\"e\"", 1); break;
        case K::Null: kind("\"n\"", 1); break;
        case K::Bool:
            kind("\"b\",", 2);
            flag(v.boolValue());
            break;
        case K::Int16:
            kind("\"i2\",", 2);
            integer(v.int16Value());
            break;
        case K::Int32:
            kind("\"i4\",", 2);
            integer(v.int32Value());
            break;
        case K::Single:
            kind("\"f\",", 2);
            number(v.singleValue());
            break;
        case K::Double:
            kind("\"d\",", 2);
            number(v.doubleValue());
            break;
        case K::String:
            kind("\"s\",", 2);
            string(v.stringValue());
            break;
        case K::Date:
            kind("\"t\",", 2);
            number(v.dateValue().serial);
            break;
        case K::Object:
            kind("\"o\",", 2);
            any(v.objectValue());
            break;
        default: {
            const Json j = writeVariant(v, c_);
            k_.shape(j, depth_ + 1);
            appendJsonText(*out_, j);
            return;
        }
        }
        close(']');
    }

    // ---- elements ---------------------------------------------------------------------------------

    void group(const GroupElement& g) {
        // writeObject's order: name, custom, locked, elements.
        if (!g.customProperty().isEmpty()) {
            key("custom");
            variant(g.customProperty());
        }
        key("elements");
        list('[', g.elementCount());
        bool first = true;
        const auto comma = [&] {
            if (!first) *out_ += ',';
            first = false;
        };
        // Compact labels are written as the text elements they stand for. Their symbol is
        // numbered as it would be were each label its own holder of it.
        const TextSymbolPtr& labelSymbol = g.compactLabelSymbol();
        const bool numberedSymbol = g.compactLabelCount() > 1;
        g.forEachOwnMember(
            [&](const ElementPtr& m) {
                comma();
                any(m);
            },
            [&](const TextElement& view) {
                comma();
                unsharedObject("TextElement", [&] {
                    leaf(view, labelSymbol, true, numberedSymbol);
                    key("text");
                    string(view.text());
                });
            });
        close(']');
        base(g);
    }
    // "locked" and "name", the keys every element ends its common part with.
    void base(const Element& e) {
        if (e.locked()) {
            key("locked");
            flag(true);
        }
        if (!e.name().empty()) {
            key("name");
            string(e.name());
        }
    }
    // An element with a geometry: writeObject writes the geometry before the custom value, the
    // keys put it after.
    template <class S>
    void leaf(const Element& e, const std::shared_ptr<S>& symbol, bool textElement = false, bool numberedSymbol = false) {
        const GeometryPtr& g = e.geometry();
        const auto is = [&g](const std::type_info& type) {
            const Geometry& geometry = *g;
            return typeid(geometry) == type;
        };
        const bool noIds = !g || is(typeid(Point)) || (g.use_count() == 1 && (is(typeid(Polyline)) || is(typeid(Polygon))));
        std::optional<Scratch> geometry;
        if (!noIds) {
            geometry.emplace(*this);
            any(g);
            geometry->end();
        }
        if (!e.customProperty().isEmpty()) {
            key("custom");
            variant(e.customProperty());
        }
        key("geometry");
        if (geometry) *out_ += geometry->text();
        else any(g);
        base(e);
        if (textElement && !static_cast<const TextElement&>(e).scaleText()) {
            key("scaleText");
            flag(false);
        }
        key("symbol");
        any(symbol, numberedSymbol);
    }
    void text(const TextElement& e) {
        leaf(e, e.symbol(), true);
        key("text");
        string(e.text());
    }

    // ---- geometries -------------------------------------------------------------------------------

    void point(const Point& p) {
        if (p.isEmpty()) {
            key("empty");
            flag(true);
        } else {
            key("xy");
            xy(p.xy());
        }
    }
    void paths(std::string_view name, const std::vector<std::vector<XY>>& parts) {
        key(name);
        list('[', parts.size());
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i) *out_ += ',';
            list('[', parts[i].size());
            for (std::size_t k = 0; k < parts[i].size(); ++k) {
                if (k) *out_ += ',';
                xy(parts[i][k]);
            }
            close(']');
        }
        close(']');
    }

    // ---- symbols ----------------------------------------------------------------------------------

    void angle(const MarkerSymbol& s) {
        if (s.angle() != 0) {
            key("angle");
            number(s.angle());
        }
    }
    void offset(const MarkerSymbol& s) {
        if (s.xOffset() != 0 || s.yOffset() != 0) {
            key("offset");
            xy({s.xOffset(), s.yOffset()});
        }
    }
    void barChart(const BarChartSymbol& s) {
        // writeObject meets the bar symbols before the callout; the keys put the callout first.
        const LineCalloutPtr& background = s.background();
        std::optional<Scratch> bars;
        if (background && background.use_count() != 1) {
            bars.emplace(*this);
            barSymbols(s);
            bars->end();
        }
        angle(s);
        key("background");
        any(background);
        key("color");
        color(s.color());
        key("display3D");
        flag(s.display3D());
        key("maxValue");
        number(s.maxValue());
        offset(s);
        key("showAxes");
        flag(s.showAxes());
        key("size");
        number(s.size());
        key("spacing");
        number(s.spacing());
        key("symbols");
        if (bars) *out_ += bars->text();
        else barSymbols(s);
        key("thickness");
        number(s.thickness());
        key("values");
        const auto& values = s.values();
        list('[', values.size());
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i) *out_ += ',';
            number(values[i]);
        }
        close(']');
        key("verticalBars");
        flag(s.verticalBars());
        key("width");
        number(s.width());
    }
    void barSymbols(const BarChartSymbol& s) {
        const auto& symbols = s.symbols();
        const bool shared = s.symbolsShared();
        list('[', symbols.size());
        for (std::size_t i = 0; i < symbols.size(); ++i) {
            if (i) *out_ += ',';
            any(symbols[i], shared);
        }
        close(']');
    }
    void simpleMarker(const SimpleMarkerSymbol& s) {
        angle(s);
        key("color");
        color(s.color());
        offset(s);
        if (s.outline()) {
            key("outline");
            flag(true);
            key("outlineColor");
            color(s.outlineColor());
            key("outlineSize");
            number(s.outlineSize());
        }
        key("size");
        number(s.size());
        key("style");
        integer(static_cast<int>(s.style()));
    }
    void simpleLine(const SimpleLineSymbol& s) {
        key("color");
        color(s.color());
        key("style");
        integer(static_cast<int>(s.style()));
        key("width");
        number(s.width());
    }
    void simpleFill(const SimpleFillSymbol& s) {
        key("color");
        color(s.color());
        key("outline");
        any(s.outline());
        key("style");
        integer(static_cast<int>(s.style()));
    }
    void textSymbol(const TextSymbol& s) {
        if (s.angle() != 0) {
            key("angle");
            number(s.angle());
        }
        key("color");
        color(s.color());
        const FontSpec& f = s.font();
        key("font");
        open('{');
        *out_ += "\"bold\":";
        flag(f.bold);
        key("italic");
        flag(f.italic);
        key("name");
        string(f.name);
        key("size");
        number(f.size);
        key("underline");
        flag(f.underline);
        close('}');
        key("hAlign");
        integer(static_cast<int>(s.horizontalAlignment()));
        key("vAlign");
        integer(static_cast<int>(s.verticalAlignment()));
    }
    void callout(const LineCallout& s) {
        if (s.anchorPoint()) {
            key("anchor");
            xy(*s.anchorPoint());
        }
        key("gap");
        number(s.gap());
        key("leaderColor");
        color(s.leaderColor());
        key("leaderWidth");
        number(s.leaderWidth());
        key("tolerance");
        number(s.leaderTolerance());
    }
    void propertySet(const PropertySet& s) {
        key("properties");
        const auto items = s.items();
        list('[', items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i) *out_ += ',';
            const auto item = items[i];
            list('[', 2);
            string(item.first);
            *out_ += ',';
            variant(item.second);
            close(']');
        }
        close(']');
    }

    std::string* out_;
    PersistContext& c_;
    WriteLimits& k_;
    std::size_t depth_ = 0;
    bool numbered_ = false;  // for the object `any` is about to write
    std::deque<std::string> scratch_;
    std::size_t scratchUsed_ = 0;
};

}  // namespace

void appendElementText(std::string& out, const ElementPtr& element, PersistContext& context, WriteLimits& limits) {
    Writer(out, context, limits).any(element);
}

}  // namespace host
