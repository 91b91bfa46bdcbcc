#pragma once
// The pieces the persistence table is built from, shared by the files that persist each family
// of classes (geometries, symbols, elements, layers) beside those classes. Each family adds its
// classes to the one table that writeObject and readObject look class names up in.
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/Color.h"
#include "host/Element.h"
#include "host/Geometry.h"
#include "host/Persistence.h"

namespace host::persistence {

// Field access with clear messages.
class In {
public:
    In(const Json& json, PersistContext& context, std::string what) : j_(json), c_(context), what_(std::move(what)) {
        if (!j_.is_object()) c_.fail(what_ + " must be a JSON object");
    }
    bool has(const char* key) const { return j_.contains(key) && !j_.at(key).is_null(); }
    const Json& at(const char* key) const {
        auto it = j_.find(key);
        if (it == j_.end()) c_.fail(what_ + " lacks \"" + key + "\"");
        return *it;
    }
    double num(const char* key) const { return readDouble(at(key), c_, (what_ + " \"" + key + "\"").c_str()); }
    double num(const char* key, double fallback) const { return has(key) ? num(key) : fallback; }
    long integer(const char* key, long fallback) const {
        if (!has(key)) return fallback;
        const Json& v = at(key);
        if (!v.is_number_integer()) c_.fail(what_ + " \"" + key + "\" must be a whole number");
        return v.get<long>();
    }
    bool flag(const char* key, bool fallback) const {
        if (!has(key)) return fallback;
        const Json& v = at(key);
        if (!v.is_boolean()) c_.fail(what_ + " \"" + key + "\" must be true or false");
        return v.get<bool>();
    }
    std::string str(const char* key, std::string fallback = {}) const {
        if (!has(key)) return fallback;
        const Json& v = at(key);
        if (!v.is_string()) c_.fail(what_ + " \"" + key + "\" must be a text");
        return v.get<std::string>();
    }
    const Json& array(const char* key) const {
        const Json& v = at(key);
        if (!v.is_array()) c_.fail(what_ + " \"" + key + "\" must be a list");
        if (v.size() > c_.limits().maxArrayItems) c_.fail(what_ + " \"" + key + "\" is too long");
        return v;
    }
    template <class T>
    std::shared_ptr<T> object(const char* key) const {
        if (!has(key)) return nullptr;
        return readObjectAs<T>(at(key), c_, (what_ + " \"" + key + "\"").c_str());
    }
    PersistContext& context() const { return c_; }
    const std::string& what() const { return what_; }

private:
    const Json& j_;
    PersistContext& c_;
    std::string what_;
};

// How one class is written, made and filled from its JSON.
struct Handler {
    std::function<void(const runtime::Object&, Json&, PersistContext&)> write;
    std::function<runtime::ObjectPtr()> create;
    std::function<void(runtime::Object&, const In&)> fill;
    // Objects that are values (a point): written without an id and never by reference, so two
    // owners of one such object get equal copies on reading.
    bool byValue = false;
};

template <class T>
Handler handler(std::function<void(const T&, Json&, PersistContext&)> write, std::function<void(T&, const In&)> fill) {
    return Handler{[write](const runtime::Object& o, Json& j, PersistContext& c) { write(static_cast<const T&>(o), j, c); },
                   [] { return std::make_shared<T>(); },
                   [fill](runtime::Object& o, const In& in) { fill(static_cast<T&>(o), in); }};
}

using HandlerTable = std::unordered_map<std::string, Handler>;

Json writeColor(const RgbColor& c);
RgbColor readColor(const In& in, const char* key, const RgbColor& fallback = RgbColor());
Json writeXY(XY p);
XY readXY(const Json& j, PersistContext& c);
Json writePath(const std::vector<XY>& path);
std::vector<XY> readPath(const Json& j, PersistContext& c);
// An element list (a group's members, a graphics layer's elements).
Json writeElements(const std::vector<ElementPtr>& elements, PersistContext& c);

// Spatial references and geometries.
void addGeometryHandlers(HandlerTable& t);
// Colours, marker, line, fill and text symbols, callouts and bar charts.
void addSymbolHandlers(HandlerTable& t);
// Marker, text, line, polygon and group elements.
void addElementHandlers(HandlerTable& t);
// Renderers and layers (feature layers with their data sources, groups, graphics layers).
void addLayerHandlers(HandlerTable& t);

}  // namespace host::persistence
