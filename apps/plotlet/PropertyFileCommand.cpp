// `plotlet inspect FILE`: what a property-set file holds (legend .leg, parameter .par and
// graphics .obj files), or the layer of a layer file (.lyr) with its renderer, property by property, with nested property sets, groups and the data
// attached to charts indented beneath their owner.
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include <filesystem>

#include "host/Element.h"
#include "host/Layer.h"
#include "host/LayerFile.h"
#include "host/Renderer.h"
#include "host/gdal/DocumentOpen.h"
#include "host/gdal/Gdal.h"
#include "runtime/Text.h"
#include "host/Persistence.h"
#include "host/PropertySet.h"
#include "host/PropertySetFile.h"
#include "host/SpatialReference.h"
#include "host/Symbol.h"
#include "plotlet/Subcommands.h"
#include "runtime/Error.h"
#include "runtime/Variant.h"

namespace plotlet::cli {

namespace {

using nlohmann::json;

struct Options {
    std::string file;
    bool json = false;
};

std::string kindName(const runtime::Variant& v) {
    if (v.isObject() && !v.isNothing()) return v.objectValue()->className();
    return v.typeName();
}

std::string valueText(const runtime::Variant& v) {
    using K = runtime::Variant::Kind;
    switch (v.kind()) {
    case K::Empty: return "(empty)";
    case K::Null: return "(null)";
    case K::String: return json(v.stringValue()).dump();  // quoted, control characters escaped
    case K::Object: return v.isNothing() ? "(nothing)" : "";
    case K::Array: {
        const runtime::Array& a = v.array();
        std::string bounds;
        for (int d = 1; d <= a.dimensions(); ++d) {
            if (d > 1) bounds += ", ";
            bounds += std::to_string(a.lowerBound(d)) + " to " + std::to_string(a.upperBound(d));
        }
        return "(" + bounds + ")";
    }
    default: return v.toString();
    }
}

// A one-line description of an object, beyond its class name.
std::string objectSummary(const runtime::Object& o) {
    std::ostringstream s;
    if (auto set = dynamic_cast<const host::PropertySet*>(&o)) {
        s << set->count() << (set->count() == 1 ? " property" : " properties");
    } else if (auto group = dynamic_cast<const host::GroupElement*>(&o)) {
        s << group->elementCount() << (group->elementCount() == 1 ? " element" : " elements");
        if (!group->name().empty()) s << ", name " << json(group->name()).dump();
    } else if (auto element = dynamic_cast<const host::Element*>(&o)) {
        if (!element->name().empty()) s << "name " << json(element->name()).dump();
        if (auto marker = dynamic_cast<const host::MarkerElement*>(element); marker && marker->symbol()) {
            s << (s.tellp() > 0 ? ", " : "") << "symbol " << marker->symbol()->className();
            if (auto chart = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol()))
                s << " (" << chart->valueCount() << " bars)";
        }
        if (auto text = dynamic_cast<const host::TextElement*>(element)) s << (s.tellp() > 0 ? ", " : "") << "text " << json(text->text()).dump();
    } else if (auto sr = dynamic_cast<const host::SpatialReference*>(&o)) {
        s << json(sr->name()).dump();
        if (sr->epsg()) s << ", EPSG:" << sr->epsg();
    } else if (auto layer = dynamic_cast<const host::FeatureLayer*>(&o)) {
        s << "name " << json(layer->name()).dump();
        if (layer->featureClass() && !layer->featureClass()->dataSource().path.empty())
            s << ", data " << json(layer->featureClass()->dataSource().path).dump();
        if (!layer->featureClass()) s << ", broken";
    } else if (auto charts = dynamic_cast<const host::ChartRenderer*>(&o)) {
        s << charts->fieldCount() << (charts->fieldCount() == 1 ? " field" : " fields");
    } else if (auto chart = dynamic_cast<const host::BarChartSymbol*>(&o)) {
        s << chart->symbolCount() << " bar symbols";
    } else if (auto fill = dynamic_cast<const host::FillSymbol*>(&o)) {
        char colour[16];
        std::snprintf(colour, sizeof colour, "#%02X%02X%02X", fill->color().red(), fill->color().green(), fill->color().blue());
        s << "colour " << colour;
    }
    return s.str();
}

// The objects shown beneath an object: a property set's properties, a group's members, an
// element's attached data.
void children(const runtime::Object& o, std::vector<std::pair<std::string, runtime::Variant>>& out) {
    if (auto set = dynamic_cast<const host::PropertySet*>(&o)) {
        for (const auto& item : set->items()) out.push_back(item);
    } else if (auto group = dynamic_cast<const host::GroupElement*>(&o)) {
        for (std::size_t i = 0; i < group->elementCount(); ++i)
            out.emplace_back("[" + std::to_string(i) + "]", runtime::Variant(runtime::ObjectPtr(group->element(i))));
    }
    if (auto layer = dynamic_cast<const host::FeatureLayer*>(&o); layer && layer->renderer()) {
        out.emplace_back("renderer", runtime::Variant(runtime::ObjectPtr(layer->renderer())));
    } else if (auto charts = dynamic_cast<const host::ChartRenderer*>(&o)) {
        for (std::size_t i = 0; i < charts->fieldCount(); ++i) out.emplace_back("field " + std::to_string(i), runtime::Variant(charts->field(i).name));
        if (charts->chartSymbol()) out.emplace_back("chart symbol", runtime::Variant(runtime::ObjectPtr(charts->chartSymbol())));
    } else if (auto simple = dynamic_cast<const host::SimpleRenderer*>(&o); simple && simple->symbol()) {
        out.emplace_back("symbol", runtime::Variant(runtime::ObjectPtr(simple->symbol())));
    } else if (auto chart = dynamic_cast<const host::BarChartSymbol*>(&o)) {
        for (std::size_t i = 0; i < chart->symbolCount(); ++i)
            out.emplace_back("[" + std::to_string(i) + "]", runtime::Variant(runtime::ObjectPtr(chart->symbol(i))));
    }
    if (auto element = dynamic_cast<const host::Element*>(&o); element && !element->customProperty().isEmpty()) {
        out.emplace_back("(attached data)", element->customProperty());
    }
}

// Objects a file holds more than once (a symbol shared by elements, a group in several groups)
// are shown in full at their first place, numbered, and referred to by that number afterwards:
// showing each place in full would repeat the shared part at every level, without bound.
class Shared {
public:
    explicit Shared(const host::PropertySet& set) {
        std::unordered_map<const runtime::Object*, int> seen;
        std::vector<const runtime::Object*> pending;
        auto note = [&](const runtime::Variant& v) {
            if (!v.isObject() || v.isNothing()) return;
            const runtime::Object* o = v.objectValue().get();
            if (++seen[o] == 1) pending.push_back(o);
        };
        std::vector<std::pair<std::string, runtime::Variant>> kids;
        for (const auto& item : set.items()) note(item.second);
        while (!pending.empty()) {
            const runtime::Object* o = pending.back();
            pending.pop_back();
            kids.clear();
            children(*o, kids);
            for (const auto& kid : kids) note(kid.second);
        }
        for (const auto& [o, count] : seen) {
            if (count > 1) numbers_.emplace(o, 0);
        }
    }
    // 0: shown once, no number. Otherwise its number, and whether it was shown already.
    int number(const runtime::Object& o, bool& shownBefore) {
        shownBefore = false;
        auto it = numbers_.find(&o);
        if (it == numbers_.end()) return 0;
        if (it->second != 0) {
            shownBefore = true;
            return it->second;
        }
        it->second = ++last_;
        return it->second;
    }

private:
    std::unordered_map<const runtime::Object*, int> numbers_;
    int last_ = 0;
};

void printText(std::ostream& out, const std::string& name, const runtime::Variant& v, int depth, Shared& shared) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    out << indent << name << "  " << kindName(v);
    if (v.isObject() && !v.isNothing()) {
        bool shownBefore = false;
        const int number = shared.number(*v.objectValue(), shownBefore);
        if (shownBefore) {
            out << "  (the same as #" << number << ")\n";
            return;
        }
        if (number) out << "  #" << number;
        const std::string summary = objectSummary(*v.objectValue());
        if (!summary.empty()) out << "  " << summary;
        out << '\n';
        std::vector<std::pair<std::string, runtime::Variant>> kids;
        children(*v.objectValue(), kids);
        for (const auto& [n, child] : kids) printText(out, n, child, depth + 1, shared);
    } else {
        out << "  " << valueText(v) << '\n';
    }
}

json toJson(const std::string& name, const runtime::Variant& v, Shared& shared) {
    json j = {{"name", name}, {"type", kindName(v)}};
    if (v.isObject() && !v.isNothing()) {
        bool shownBefore = false;
        const int number = shared.number(*v.objectValue(), shownBefore);
        if (shownBefore) {
            j["sameAs"] = number;
            return j;
        }
        if (number) j["id"] = number;
        const std::string summary = objectSummary(*v.objectValue());
        if (!summary.empty()) j["summary"] = summary;
        std::vector<std::pair<std::string, runtime::Variant>> kids;
        children(*v.objectValue(), kids);
        if (!kids.empty()) {
            j["children"] = json::array();
            for (const auto& [n, child] : kids) j["children"].push_back(toJson(n, child, shared));
        }
    } else {
        host::PersistContext context(host::PersistPurpose::File);
        j["value"] = host::writeVariant(v, context).back();
        if (v.isString()) j["value"] = v.stringValue();
        if (v.isEmpty() || v.isNull() || v.isNothing()) j["value"] = nullptr;
    }
    return j;
}

// A layer file holds one layer; it is shown as a set holding it.
host::PropertySetPtr readLayerFileAsSet(const std::string& path) {
    host::gdal::install();
    auto set = std::make_shared<host::PropertySet>();
    set->setProperty("layer", runtime::Variant(runtime::ObjectPtr(host::readLayerFile(path))));
    return set;
}

int inspect(Context& context, const Options& options) {
    host::PropertySetPtr set;
    try {
        set = host::gdal::isLayerFilePath(options.file) ? readLayerFileAsSet(options.file) : host::readPropertySetFile(options.file);
    } catch (const runtime::Error& e) {
        context.err << "plotlet: error: " << e.description() << '\n';
        return InputError;
    }
    Shared shared(*set);
    if (options.json) {
        json doc = {{"file", options.file}, {"properties", json::array()}};
        for (const auto& [name, value] : set->items()) doc["properties"].push_back(toJson(name, value, shared));
        context.out << doc.dump(2) << '\n';
    } else {
        context.out << options.file << ": " << set->count() << (set->count() == 1 ? " property" : " properties") << '\n';
        for (const auto& [name, value] : set->items()) printText(context.out, name, value, 1, shared);
    }
    return Ok;
}

}  // namespace

int inspectPropertyFile(Context& context, const std::string& file, bool json) { return inspect(context, Options{file, json}); }

bool isPropertySetFilePath(const std::string& path) {
    const std::string ext = runtime::lowerCase(std::filesystem::path(path).extension().string());
    return ext == ".leg" || ext == ".par" || ext == ".obj";
}

void addInspectSubcommand(CLI::App& app, Context& context) {
    auto options = std::make_shared<Options>();
    CLI::App* sub = app.add_subcommand("inspect", "Show the properties of a property-set file (.par, .leg, .obj) or the layer of a layer file (.lyr)");
    sub->add_option("FILE", options->file, "The file to read")->required();
    sub->add_flag("--json", options->json, "Write the properties as JSON");
    sub->callback([&context, options] { context.exitCode = inspect(context, *options); });
}

}  // namespace plotlet::cli
