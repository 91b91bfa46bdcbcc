#pragma once
// The class-tagged JSON form of every persistable host object (symbols, colours, geometries,
// elements and groups, property sets, spatial references, layers with their renderers), the
// object copy built on it, and the limits that make reading untrusted files safe.
//
// An object is written as {"$class": name, "$id": n, ...}; when the same object appears again
// in one write it is written as {"$ref": n}, so shared symbols stay shared after a round trip.
// An object reached through the only pointer that holds it cannot appear again and is written
// without an id (most of a chart: its symbol, callout and data).
// Points are values: written in full wherever they appear, without an id. Doubles round-trip
// exactly, in their shortest form (whole numbers without a fraction); NaN and the infinities
// are written as the texts "NaN", "Infinity" and "-Infinity".
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/FeatureClass.h"
#include "runtime/Object.h"
#include "runtime/Variant.h"

namespace host {

using Json = nlohmann::json;

enum class PersistPurpose {
    File,  // written to or read from a file: data sources by path, relative to baseDir
    Copy,  // an object copy in this process: feature classes are shared, not reopened
};

// Opens a data source named in a file; empty result with `whyNot` set when it cannot (the layer
// then opens broken). A host error thrown by the opener refuses the whole file (a source that
// must not be opened at all); the reader reports it naming the file and the layer. The GDAL
// module installs the real one; without it layers read from files come back broken.
using DataSourceOpener = std::function<FeatureClassPtr(const DataSource& source, std::string& whyNot)>;
void setDataSourceOpener(DataSourceOpener opener);
DataSourceOpener dataSourceOpener();

struct PersistLimits {
    std::size_t maxDepth = 256;           // JSON nesting
    std::size_t maxObjects = 50'000'000;  // objects in one read
    std::size_t maxArrayItems = 10'000'000;
};

class SymbolArray;
class PropertySet;

// What objects read one after another share when it is equal: a map's charts mostly carry the
// same field symbols and the same data names, which a million charts would otherwise each hold
// a copy of.
class ReadSharing {
public:
    // The chart takes the list of the chart before when it holds the same symbols.
    void shareBarSymbols(SymbolArray& chart);
    // Fills an empty set with the names and values, the names as one list shared with the set
    // before when equal (a list with a name twice is set name by name, as a set takes it).
    void fill(PropertySet& set, std::vector<std::string> names, std::vector<runtime::Variant> values);
    // A text value, sharing its text with the text value read before when they are equal (the
    // layer's name in the data of every chart).
    runtime::Variant text(std::string text);

private:
    std::shared_ptr<SymbolArray> lastBarSymbols_;
    std::shared_ptr<const std::vector<std::string>> lastNames_;
    runtime::Variant lastText_;
};

class PersistContext {
public:
    PersistContext(PersistPurpose purpose, std::string sourceName = {}, std::filesystem::path baseDir = {})
        : purpose_(purpose), sourceName_(std::move(sourceName)), baseDir_(std::move(baseDir)) {}

    PersistPurpose purpose() const { return purpose_; }
    // What messages name: the file being read or written.
    const std::string& sourceName() const { return sourceName_; }
    const std::filesystem::path& baseDir() const { return baseDir_; }
    const PersistLimits& limits() const { return limits_; }
    void setLimits(PersistLimits l) { limits_ = l; }

    // A host error "File <source>: <what>" (or just <what> without a source).
    [[noreturn]] void fail(const std::string& what) const;

    // Bookkeeping used by writeObject / readObject.
    std::unordered_map<const runtime::Object*, long>& writtenIds() { return written_; }
    // Keeps a written object alive until the write ends: identities are addresses, and an
    // object made for the write alone (a feature's shape) must not free its address for the
    // next one, which would then be written as a reference to it.
    void retain(runtime::ObjectPtr object) { retained_.push_back(std::move(object)); }
    // While an object without an id (one with a single holder) is being written.
    class UnsharedScope {
    public:
        explicit UnsharedScope(PersistContext& context);
        ~UnsharedScope() { --context_.unsharedDepth_; }
        UnsharedScope(const UnsharedScope&) = delete;
        UnsharedScope& operator=(const UnsharedScope&) = delete;

    private:
        PersistContext& context_;
    };
    std::unordered_map<long, runtime::ObjectPtr>& readObjects() { return read_; }
    const std::unordered_map<long, runtime::ObjectPtr>& readObjects() const { return read_; }
    void countObject();
    std::size_t objectCount() const { return objectCount_; }
    // Feature layers whose associated graphics layer names wait to be resolved by the reader
    // of the enclosing map.
    std::vector<std::pair<std::shared_ptr<class GraphicsLayer>, std::string>>& pendingAssociations() { return pending_; }
    // Graphics layers and groups written without their elements (and the basic graphics layer
    // without its sub-layers), for writers that stream those one at a time in the same order.
    bool omitGraphicsContent() const { return omitGraphicsContent_; }
    void setOmitGraphicsContent(bool on) { omitGraphicsContent_ = on; }
    // Data sources opened during one read, so layers naming the same source share one class
    // (and the file is read once).
    std::vector<std::pair<DataSource, FeatureClassPtr>>& openedSources() { return opened_; }
    ReadSharing& sharing() { return sharing_; }

private:
    PersistPurpose purpose_;
    std::string sourceName_;
    std::filesystem::path baseDir_;
    PersistLimits limits_;
    std::unordered_map<const runtime::Object*, long> written_;
    std::vector<runtime::ObjectPtr> retained_;
    std::unordered_map<long, runtime::ObjectPtr> read_;
    std::size_t objectCount_ = 0;
    std::vector<std::pair<std::shared_ptr<class GraphicsLayer>, std::string>> pending_;
    std::vector<std::pair<DataSource, FeatureClassPtr>> opened_;
    bool omitGraphicsContent_ = false;
    std::size_t unsharedDepth_ = 0;
    ReadSharing sharing_;
};

// Objects (null pointer ↔ JSON null). Reading checks class tags and value types and fails with
// a host error naming the source and the problem.
Json writeObject(const runtime::ObjectPtr& object, PersistContext& context);
// The same through a typed pointer, whose holders are counted before a copy adds one.
template <class T>
Json writeObject(const std::shared_ptr<T>& object, PersistContext& context);
// An object reached through a reference is numbered like any other.
Json writeObject(const runtime::Object& object, PersistContext& context);
// An object that only the pointer being written holds: no id, nothing remembered.
Json writeSoleHeld(const runtime::Object& object, PersistContext& context);
// Numbered whatever its holders: an object in a list that several owners share (a list is no
// object, so the one pointer in it may be met once per owner).
Json writeObjectNumbered(const runtime::ObjectPtr& object, PersistContext& context);
runtime::ObjectPtr readObject(const Json& json, PersistContext& context);
// readObject, then a check that the object is a T ("expected a SimpleFillSymbol ...").
template <class T>
std::shared_ptr<T> readObjectAs(const Json& json, PersistContext& context, const char* what);

Json writeVariant(const runtime::Variant& value, PersistContext& context);
runtime::Variant readVariant(const Json& json, PersistContext& context);

Json writeDouble(double value);
double readDouble(const Json& json, PersistContext& context, const char* what);

// Whether a class name can be written and read.
bool isPersistable(const std::string& className);

// Object copy: write + read in this process.
runtime::ObjectPtr copyObject(const runtime::ObjectPtr& object);
template <class T>
std::shared_ptr<T> copyObjectAs(const std::shared_ptr<T>& object) {
    return std::dynamic_pointer_cast<T>(copyObject(object));
}

// Parses JSON text refusing nesting deeper than the context's limit before building it (the
// JSON library would otherwise recurse without bound). Syntax errors become host errors naming
// the source and the byte offset.
Json parseJsonLimited(const std::string& text, const PersistContext& context);

// Reads a top-level file document: checks {"format": format, "version": ≤ maxVersion} and
// returns it.
Json readTaggedDocument(const std::string& text, const std::string& format, int maxVersion, const PersistContext& context);
Json makeTaggedDocument(const std::string& format, int version);

// ---- implementation of the templates -------------------------------------------------------

template <class T>
Json writeObject(const std::shared_ptr<T>& object, PersistContext& context) {
    if (object && object.use_count() == 1) {
        const PersistContext::UnsharedScope nested(context);
        return writeSoleHeld(*object, context);
    }
    return writeObject(runtime::ObjectPtr(object), context);
}

template <class T>
std::shared_ptr<T> readObjectAs(const Json& json, PersistContext& context, const char* what) {
    runtime::ObjectPtr object = readObject(json, context);
    if (!object) return nullptr;
    auto typed = std::dynamic_pointer_cast<T>(object);
    if (!typed) context.fail(std::string(what) + " is a " + object->className() + ", which does not fit there");
    return typed;
}

}  // namespace host
