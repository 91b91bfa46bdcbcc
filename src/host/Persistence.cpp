#include "host/Persistence.h"

#include "host/PersistenceTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "host/Error.h"
#include "host/PropertySet.h"
#include "host/Symbol.h"
#include "runtime/HookSlot.h"

namespace host {
namespace fs = std::filesystem;

// ---- context, limits, low-level values --------------------------------------------------------

namespace {

constexpr const char* kPersistenceSource = "Plotlet.Persistence";

runtime::HookSlot<DataSourceOpener>& openerSlot() {
    static runtime::HookSlot<DataSourceOpener> slot;
    return slot;
}

}  // namespace

void setDataSourceOpener(DataSourceOpener opener) { openerSlot().set(std::move(opener)); }

DataSourceOpener dataSourceOpener() { return openerSlot().get(); }

void PersistContext::fail(const std::string& what) const {
    raiseHost(100, kPersistenceSource, sourceName_.empty() ? what : "File " + sourceName_ + ": " + what);
}

PersistContext::UnsharedScope::UnsharedScope(PersistContext& context) : context_(context) {
    // Objects without an id are not looked up, so a cycle through them (possible only where an
    // object is entered by reference) would recurse without end: bounded like the nesting the
    // reader accepts.
    if (++context_.unsharedDepth_ > context_.limits_.maxDepth)
        context_.fail("its objects are nested deeper than the " + std::to_string(context_.limits_.maxDepth) +
                      " levels reading accepts (or hold themselves)");
}

void ReadSharing::shareBarSymbols(SymbolArray& chart) {
    if (lastBarSymbols_ && lastBarSymbols_->symbols() == chart.symbols()) {
        chart.shareSymbols(*lastBarSymbols_);
        return;
    }
    if (!lastBarSymbols_) lastBarSymbols_ = std::make_shared<SymbolArray>();
    lastBarSymbols_->shareSymbols(chart);
}

void ReadSharing::fill(PropertySet& set, std::vector<std::string> names, std::vector<runtime::Variant> values) {
    if (!(lastNames_ && *lastNames_ == names)) {
        if (!PropertySet::distinctNames(names)) {
            for (std::size_t i = 0; i < names.size(); ++i) set.setProperty(names[i], std::move(values[i]));
            return;
        }
        lastNames_ = std::make_shared<const std::vector<std::string>>(std::move(names));
    }
    set.assignShared(lastNames_, std::move(values));
}

runtime::Variant ReadSharing::text(std::string text) {
    if (!(lastText_.isString() && lastText_.stringValue() == text)) lastText_ = runtime::Variant(std::move(text));
    return lastText_;
}

void PersistContext::countObject() {
    if (++objectCount_ > limits_.maxObjects)
        fail("holds more than " + std::to_string(limits_.maxObjects) + " objects");
}

Json writeDouble(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    // A whole number is written without the ".0" (a chart's sizes and counts, most scales):
    // read back as a number it is the same double. Negative zero keeps its sign only as "-0.0".
    constexpr double exactIntegers = 9007199254740992.0;  // 2^53
    if (value == std::trunc(value) && std::fabs(value) < exactIntegers && !(value == 0 && std::signbit(value)))
        return static_cast<std::int64_t>(value);
    return value;
}

double readDouble(const Json& json, PersistContext& context, const char* what) {
    if (json.is_number()) return json.get<double>();
    if (json.is_string()) {
        const auto& s = json.get_ref<const std::string&>();
        if (s == "NaN") return std::numeric_limits<double>::quiet_NaN();
        if (s == "Infinity") return std::numeric_limits<double>::infinity();
        if (s == "-Infinity") return -std::numeric_limits<double>::infinity();
    }
    context.fail(std::string(what) + " must be a number");
}

// ---- pieces shared by the families ---------------------------------------------------------------

namespace persistence {

Json writeColor(const RgbColor& c) {
    Json j = {{"rgb", c.rgb()}};
    if (c.transparency() != 0) j["transparency"] = c.transparency();
    return j;
}

RgbColor readColor(const In& in, const char* key, const RgbColor& fallback) {
    if (!in.has(key)) return fallback;
    In c(in.at(key), in.context(), in.what() + " colour");
    const long value = c.integer("rgb", 0);
    if (value < 0 || value > 0xFFFFFF) in.context().fail(in.what() + " has a colour value out of range");
    RgbColor color(static_cast<std::uint32_t>(value));
    color.setTransparency(static_cast<int>(c.integer("transparency", 0)));
    return color;
}

Json writeXY(XY p) { return Json::array({writeDouble(p.x), writeDouble(p.y)}); }

XY readXY(const Json& j, PersistContext& c) {
    if (!j.is_array() || j.size() != 2) c.fail("a coordinate pair must be a list of two numbers");
    return {readDouble(j[0], c, "a coordinate"), readDouble(j[1], c, "a coordinate")};
}

Json writePath(const std::vector<XY>& path) {
    Json a = Json::array();
    for (const XY& p : path) a.push_back(writeXY(p));
    return a;
}

std::vector<XY> readPath(const Json& j, PersistContext& c) {
    if (!j.is_array()) c.fail("a path must be a list of coordinate pairs");
    if (j.size() > c.limits().maxArrayItems) c.fail("a path is too long");
    std::vector<XY> path;
    path.reserve(j.size());
    for (const auto& p : j) path.push_back(readXY(p, c));
    return path;
}

}  // namespace persistence

// ---- the class table -----------------------------------------------------------------------------

namespace {

using namespace persistence;

const HandlerTable& handlers() {
    static const HandlerTable table = [] {
        HandlerTable t;
        addGeometryHandlers(t);
        addSymbolHandlers(t);
        addElementHandlers(t);
        addLayerHandlers(t);
        // Property sets.
        t["PropertySet"] = handler<PropertySet>(
            [](const PropertySet& o, Json& j, PersistContext& c) {
                Json props = Json::array();
                for (const auto& [name, value] : o.items()) props.push_back(Json::array({name, writeVariant(value, c)}));
                j["properties"] = props;
            },
            [](PropertySet& o, const In& in) {
                std::vector<std::string> names;
                std::vector<runtime::Variant> values;
                for (const auto& p : in.array("properties")) {
                    if (!p.is_array() || p.size() != 2 || !p[0].is_string())
                        in.context().fail("a property must be a pair of a name and a value");
                    names.push_back(p[0].get<std::string>());
                    values.push_back(readVariant(p[1], in.context()));
                }
                in.context().sharing().fill(o, std::move(names), std::move(values));
            });
        return t;
    }();
    return table;
}

}  // namespace

bool isPersistable(const std::string& className) { return handlers().count(className) != 0; }

Json writeObject(const runtime::ObjectPtr& object, PersistContext& context) {
    if (!object) return nullptr;
    if (object.use_count() == 1) {
        // Held by nothing but the pointer being written, the object cannot turn up again in this
        // write (a second holder would count): no id, nothing to remember. A chart's own symbol,
        // callout and data are such; the symbols all charts share are not.
        const PersistContext::UnsharedScope nested(context);
        return writeSoleHeld(*object, context);
    }
    if (!context.writtenIds().count(object.get())) context.retain(object);
    return writeObject(*object, context);
}

Json writeObjectNumbered(const runtime::ObjectPtr& object, PersistContext& context) {
    if (!object) return nullptr;
    if (!context.writtenIds().count(object.get())) context.retain(object);
    return writeObject(*object, context);
}

Json writeSoleHeld(const runtime::Object& object, PersistContext& context) {
    const std::string cls = object.className();
    auto h = handlers().find(cls);
    if (h == handlers().end()) context.fail("an object of class " + cls + " cannot be saved");
    Json j = {{"$class", cls}};
    h->second.write(object, j, context);
    return j;
}

Json writeObject(const runtime::Object& object, PersistContext& context) {
    auto& ids = context.writtenIds();
    if (auto it = ids.find(&object); it != ids.end()) {
        // Negative while the object is being written: it holds itself, and a file with such a
        // cycle could not be read back.
        if (it->second < 0) context.fail("a " + object.className() + " holds itself (a cycle) and cannot be saved");
        return Json{{"$ref", it->second}};
    }
    const std::string cls = object.className();
    auto h = handlers().find(cls);
    if (h == handlers().end()) context.fail("an object of class " + cls + " cannot be saved");
    if (h->second.byValue) {
        // Written in full wherever it appears: no identity to keep, and no bookkeeping for the
        // millions of points of a large map.
        Json j = {{"$class", cls}};
        h->second.write(object, j, context);
        return j;
    }
    const long id = static_cast<long>(ids.size()) + 1;
    // A reference to the entry stays valid while writing the members adds to the map.
    long& slot = ids.emplace(&object, -id).first->second;
    Json j = {{"$class", cls}, {"$id", id}};
    h->second.write(object, j, context);
    slot = id;
    return j;
}

runtime::ObjectPtr readObject(const Json& json, PersistContext& context) {
    if (json.is_null()) return nullptr;
    if (!json.is_object()) context.fail("an object must be a JSON object or null");
    if (auto ref = json.find("$ref"); ref != json.end()) {
        if (!ref->is_number_integer()) context.fail("an object reference must be a whole number");
        auto it = context.readObjects().find(ref->get<long>());
        if (it == context.readObjects().end()) context.fail("an object reference points at nothing (" + ref->dump() + ")");
        // An object still being read is one of the reference's own containers: accepting it
        // would make a cycle (a group holding itself, a set inside itself) that walks forever.
        if (!it->second) context.fail("an object refers to object " + ref->dump() + ", which contains it (a reference cycle)");
        return it->second;
    }
    auto cls = json.find("$class");
    if (cls == json.end() || !cls->is_string()) context.fail("an object lacks its class name (\"$class\")");
    auto h = handlers().find(cls->get<std::string>());
    if (h == handlers().end()) context.fail("unknown object class \"" + cls->get<std::string>() + "\"");
    context.countObject();
    runtime::ObjectPtr object = h->second.create();
    // The id is taken before the object is filled (a second object with the same id inside it
    // is an error) but refers to nothing until it is complete.
    runtime::ObjectPtr* slot = nullptr;
    if (auto id = json.find("$id"); id != json.end()) {
        if (!id->is_number_integer()) context.fail("an object id must be a whole number");
        auto [it, fresh] = context.readObjects().emplace(id->get<long>(), nullptr);
        if (!fresh) context.fail("two objects carry the id " + id->dump());
        slot = &it->second;
    }
    try {
        h->second.fill(*object, In(json, context, "a " + cls->get<std::string>()));
    } catch (const runtime::Error& e) {
        // The reader's own refusals already name the file; an object refusing a value (a field
        // without a name, a bad index) is named here.
        if (e.source() == kPersistenceSource) throw;
        context.fail("a " + cls->get<std::string>() + " is unusable: " + e.description());
    }
    if (slot) *slot = object;
    return object;
}

Json writeVariant(const runtime::Variant& v, PersistContext& context) {
    using K = runtime::Variant::Kind;
    switch (v.kind()) {
    case K::Empty: return Json::array({"e"});
    case K::Null: return Json::array({"n"});
    case K::Bool: return Json::array({"b", v.boolValue()});
    case K::Int16: return Json::array({"i2", v.int16Value()});
    case K::Int32: return Json::array({"i4", v.int32Value()});
    case K::Single: return Json::array({"f", writeDouble(v.singleValue())});
    case K::Double: return Json::array({"d", writeDouble(v.doubleValue())});
    case K::String: return Json::array({"s", v.stringValue()});
    case K::Date: return Json::array({"t", writeDouble(v.dateValue().serial)});
    case K::Object: return Json::array({"o", writeObject(v.objectValue(), context)});
    case K::Array: {
        const runtime::Array& a = v.array();
        Json lower = Json::array(), upper = Json::array(), items = Json::array();
        for (int d = 1; d <= a.dimensions(); ++d) {
            lower.push_back(a.lowerBound(d));
            upper.push_back(a.upperBound(d));
        }
        for (const auto& item : a.items()) items.push_back(writeVariant(item, context));
        return Json::array({"a", {{"lower", lower}, {"upper", upper}, {"items", items}}});
    }
    }
    return Json::array({"e"});
}

runtime::Variant readVariant(const Json& j, PersistContext& c) {
    if (!j.is_array() || j.empty() || !j[0].is_string()) c.fail("a value must be a list starting with its kind");
    const std::string& kind = j[0].get_ref<const std::string&>();
    auto payload = [&]() -> const Json& {
        if (j.size() != 2) c.fail("a value of kind \"" + kind + "\" lacks its content");
        return j[1];
    };
    auto whole = [&](long lo, long hi) {
        const Json& p = payload();
        if (!p.is_number_integer()) c.fail("a value of kind \"" + kind + "\" must be a whole number");
        const long v = p.get<long>();
        if (v < lo || v > hi) c.fail("a value of kind \"" + kind + "\" is out of range");
        return v;
    };
    if (kind == "e") return {};
    if (kind == "n") return runtime::Variant::null();
    if (kind == "b") {
        if (!payload().is_boolean()) c.fail("a Boolean value must be true or false");
        return runtime::Variant(payload().get<bool>());
    }
    if (kind == "i2") return runtime::Variant(static_cast<std::int16_t>(whole(-32768, 32767)));
    if (kind == "i4") return runtime::Variant(static_cast<std::int32_t>(whole(-2147483648L, 2147483647L)));
    if (kind == "f") return runtime::Variant(static_cast<float>(readDouble(payload(), c, "a single value")));
    if (kind == "d") return runtime::Variant(readDouble(payload(), c, "a double value"));
    if (kind == "s") {
        if (!payload().is_string()) c.fail("a text value must be a JSON string");
        return c.sharing().text(payload().get<std::string>());
    }
    if (kind == "t") {
        // The date type runs from 1 January 100 to 31 December 9999; other serials (and NaN)
        // are no date, and converting them to days would overflow.
        constexpr double firstDate = -657434.0, afterLastDate = 2958466.0;
        const double serial = readDouble(payload(), c, "a date value");
        if (!(serial >= firstDate && serial < afterLastDate)) c.fail("a date value is outside the years 100 to 9999");
        return runtime::Variant(runtime::Date{serial});
    }
    if (kind == "o") return runtime::Variant(readObject(payload(), c));
    if (kind == "a") {
        In in(payload(), c, "an array value");
        std::vector<long> lower, upper;
        for (const auto& x : in.array("lower")) {
            if (!x.is_number_integer()) c.fail("array bounds must be whole numbers");
            lower.push_back(x.get<long>());
        }
        for (const auto& x : in.array("upper")) {
            if (!x.is_number_integer()) c.fail("array bounds must be whole numbers");
            upper.push_back(x.get<long>());
        }
        std::vector<runtime::Variant> items;
        for (const auto& x : in.array("items")) items.push_back(readVariant(x, c));
        try {
            return runtime::Variant(runtime::Array::fromItems(lower, upper, std::move(items)));
        } catch (const runtime::Error&) {
            c.fail("an array value's bounds do not match its items");
        }
    }
    c.fail("unknown value kind \"" + kind + "\"");
}

runtime::ObjectPtr copyObject(const runtime::ObjectPtr& object) {
    if (!object) return nullptr;
    PersistContext out(PersistPurpose::Copy);
    const Json j = writeObject(object, out);
    PersistContext in(PersistPurpose::Copy);
    return readObject(j, in);
}

namespace {

// A first pass over the text that only counts nesting. The DOM parser with a callback would do
// the same, but it rescans every parent container at each closing brace (quadratic on long
// lists), so the check runs on its own and the DOM is built by the plain parser afterwards.
class DepthCheck final : public nlohmann::json_sax<Json> {
public:
    explicit DepthCheck(std::size_t maxDepth) : maxDepth_(maxDepth) {}
    bool tooDeep() const { return tooDeep_; }
    std::string syntaxError() const { return syntaxError_; }

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
        syntaxError_ = e.what();
        return false;
    }

private:
    bool enter() {
        if (++depth_ > maxDepth_) {
            tooDeep_ = true;
            return false;
        }
        return true;
    }
    bool leave() {
        --depth_;
        return true;
    }
    std::size_t maxDepth_;
    std::size_t depth_ = 0;
    bool tooDeep_ = false;
    std::string syntaxError_;
};

}  // namespace

Json parseJsonLimited(const std::string& text, const PersistContext& context) {
    if (text.empty()) context.fail("is empty");
    DepthCheck check(context.limits().maxDepth);
    const bool ok = Json::sax_parse(text, &check);
    if (check.tooDeep()) context.fail("is nested deeper than " + std::to_string(context.limits().maxDepth) + " levels");
    if (!ok) context.fail("is not valid JSON (" + check.syntaxError() + ")");
    try {
        return Json::parse(text);
    } catch (const Json::exception& e) {
        context.fail("is not valid JSON (" + std::string(e.what()) + ")");
    }
}

Json makeTaggedDocument(const std::string& format, int version) { return Json{{"format", format}, {"version", version}}; }

Json readTaggedDocument(const std::string& text, const std::string& format, int maxVersion, const PersistContext& context) {
    Json doc = parseJsonLimited(text, context);
    if (!doc.is_object()) context.fail("is not a " + format + " file (the document is not a JSON object)");
    auto f = doc.find("format");
    if (f == doc.end() || !f->is_string() || f->get<std::string>() != format) {
        const std::string found = (f != doc.end() && f->is_string()) ? "\"" + f->get<std::string>() + "\"" : "none";
        context.fail("is not a " + format + " file (format tag: " + found + ")");
    }
    auto v = doc.find("version");
    if (v == doc.end() || !v->is_number_integer()) context.fail("has no version number");
    const long version = v->get<long>();
    if (version < 1 || version > maxVersion)
        context.fail("has version " + std::to_string(version) + "; this Plotlet reads versions 1 to " + std::to_string(maxVersion));
    return doc;
}

}  // namespace host
