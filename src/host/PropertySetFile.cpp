#include "host/PropertySetFile.h"

#include <algorithm>
#include <filesystem>
#include <functional>

#include "host/AtomicFile.h"
#include "host/Element.h"
#include "host/ElementLineReader.h"
#include "host/ElementText.h"
#include "host/Error.h"
#include "host/JsonScanner.h"
#include "host/Persistence.h"
#include "host/TaskProgress.h"

namespace host {

namespace {

// Members between two progress reports of a long group.
constexpr std::size_t ProgressStep = 1u << 16;

// Text written so far is handed to `flush` in pieces of about this size, so a file of a million
// charts is not held in memory a second time as text. Without a flush the text just grows.
constexpr std::size_t FlushBytes = 4u << 20;
using Flush = std::function<void(std::string&)>;
// Told how far into the text reading has come (a mapped file lets go of what lies behind).
using Passed = std::function<void(std::size_t)>;

// `j` dumped without its closing brace, so more members can follow.
void appendOpen(std::string& out, const Json& j) {
    // Texts from data files may hold bytes that are not UTF-8: written as U+FFFD, not a failure.
    std::string text = j.dump(-1, ' ', false, Json::error_handler_t::replace);
    text.pop_back();
    out += text;
}

// How deep a group that is a property's value stands in the file, and a property's item: the
// document, "propertySet", "properties", the item ["name", value], the value ["o", group].
constexpr std::size_t itemDepth = 4, groupDepth = 6;

// A group that is the value of a property is written one member per line: a graphics file of a
// million charts never becomes one JSON tree, and identities come out in the order a whole-tree
// write gives them. Every piece is counted and bounded as reading counts and bounds it.
void appendGroup(std::string& out, const GroupElement& group, PersistContext& c, WriteLimits& checks, const Flush& flush) {
    c.setOmitGraphicsContent(true);
    const Json head = writeObject(group, c);
    c.setOmitGraphicsContent(false);
    checks.shape(head, groupDepth);
    checks.container(groupDepth + 1);
    checks.list(group.elementCount());
    appendOpen(out, head);
    // The group is not complete until its members are written (see writeObject).
    auto id = c.writtenIds().find(&group);
    id->second = -id->second;
    out += ",\"elements\":[";
    const std::size_t count = group.elementCount();
    for (std::size_t i = 0; i < count; ++i) {
        out += i ? ",\n" : "\n";
        // Straight as text, as a map document's elements are (a graphics file of a million
        // charts otherwise spends most of its time building and dumping JSON trees).
        checks.setOuterDepth(groupDepth + 1);
        appendElementText(out, group.element(i), c, checks);
        checks.setOuterDepth(0);
        checks.objectsWithinLimit();
        if (flush && out.size() >= FlushBytes) flush(out);
        if ((i + 1) % ProgressStep == 0) reportTaskProgress({"Writing the file", i + 1, count, false});
    }
    if (count >= ProgressStep) reportTaskProgress({"Writing the file", count, count, true});
    id->second = -id->second;
    out += "]}";
}

// Where the member lists of the property set's group values stand in a file's text, so that the
// rest is parsed as a whole and each member on its own.
class PropertySetSplitter : public JsonScanner {
public:
    struct GroupRanges {
        std::size_t property = 0;                               // index in the set's properties
        std::vector<std::pair<std::size_t, std::size_t>> items;  // each member's text
    };

    using JsonScanner::JsonScanner;

    // False when the text is not laid out as this writer lays it out where it looks: the caller
    // then parses the whole text.
    bool split(std::string& skeleton, std::vector<GroupRanges>& groups) {
        bool seenSet = false;
        if (!object(0, [&](const std::string& key, int depth) {
                if (key != "propertySet" || peek() != '{') return value(depth);
                if (seenSet) return false;
                seenSet = true;
                return propertySet(depth, groups);
            }))
            return false;
        if (!atEnd()) return false;
        skeleton = this->skeleton();
        return true;
    }

private:
    bool propertySet(int depth, std::vector<GroupRanges>& groups) {
        bool seenProperties = false;
        return object(depth, [&](const std::string& key, int d) {
            if (key != "properties" || peek() != '[') return value(d);
            if (seenProperties) return false;
            seenProperties = true;
            std::size_t index = 0;
            return array(d, [&](int pd) {
                const std::size_t property = index++;
                if (peek() != '[') return value(pd);
                // ["name", ["o", {... "elements": [...]}]]
                int position = 0;
                return array(pd, [&](int vd) {
                    if (position++ != 1 || peek() != '[') return value(vd);
                    int part = 0;
                    return array(vd, [&](int od) {
                        if (part++ != 1 || peek() != '{') return value(od);
                        bool seenElements = false;
                        return object(od, [&](const std::string& member, int md) {
                            if (member != "elements" || peek() != '[') return value(md);
                            if (seenElements) return false;
                            seenElements = true;
                            groups.push_back({property, {}});
                            return cutList(md, groups.back().items);
                        });
                    });
                });
            });
        });
    }
};

PropertySetPtr readSet(const Json& doc, PersistContext& context) {
    auto it = doc.find("propertySet");
    if (it == doc.end() || it->is_null()) context.fail("holds no property set");
    return readObjectAs<PropertySet>(*it, context, "the file's content");
}

// Reads the members cut out of the skeleton into their groups, in file order.
void readGroupMembers(const PropertySet& set, std::string_view text,
                      const std::vector<PropertySetSplitter::GroupRanges>& groups, PersistContext& c, const Passed& passed) {
    // The set and these groups are not finished until their members are read: a member that
    // referred to one of them would make a cycle, so their ids refer to nothing meanwhile.
    std::vector<const runtime::Object*> open{&set};
    for (const auto& ranges : groups) {
        if (ranges.property < set.count() && set.items()[ranges.property].second.isObject())
            open.push_back(set.items()[ranges.property].second.objectValue().get());
    }
    std::vector<std::pair<runtime::ObjectPtr*, runtime::ObjectPtr>> unfinished;
    for (auto& [id, object] : c.readObjects()) {
        if (object && std::find(open.begin(), open.end(), object.get()) != open.end()) {
            unfinished.emplace_back(&object, object);
            object = nullptr;
        }
    }
    for (const auto& ranges : groups) {
        if (ranges.property >= set.count()) c.fail("is unusable: its properties do not match their lists");
        const runtime::Variant& v = set.items()[ranges.property].second;
        auto group = v.isObject() ? std::dynamic_pointer_cast<GroupElement>(v.objectValue()) : nullptr;
        if (!group) c.fail("is unusable: a list of elements belongs to no group");
        if (ranges.items.size() > c.limits().maxArrayItems) c.fail("holds a group with too many elements");
        const std::size_t count = ranges.items.size();
        std::size_t done = 0;
        for (const auto& [begin, end] : ranges.items) {
            // A chart goes straight from its text to its objects, as in a map document; anything
            // the direct reader is not sure of goes the general way, which names any fault. The
            // split already bounded the nesting of this text; only the spelling is left.
            const std::string_view piece = text.substr(begin, end - begin);
            ElementPtr e;
            if (directElementReading()) e = std::dynamic_pointer_cast<Element>(readElementLineDirect(piece, c));
            if (!e) {
                Json j;
                try {
                    j = Json::parse(piece.begin(), piece.end());
                } catch (const Json::exception& error) {
                    c.fail("is not valid JSON (" + std::string(error.what()) + ")");
                }
                e = readObjectAs<Element>(j, c, "a group member");
            }
            if (!e) c.fail("holds a group with an empty member");
            if (e.get() == group.get()) c.fail("holds a group that contains itself");
            try {
                group->addElement(std::move(e));
            } catch (const runtime::Error& error) {
                c.fail("holds a group that cannot take its member: " + error.description());
            }
            if (passed) passed(end);
            if (++done % ProgressStep == 0) reportTaskProgress({"Reading the file", done, count, false});
        }
        if (count >= ProgressStep) reportTaskProgress({"Reading the file", count, count, true});
    }
    for (auto& [slot, object] : unfinished) *slot = std::move(object);
}

void writeSetText(const PropertySet& set, std::string& out, const Flush& flush, const PersistLimits& limits,
                  const std::string& path) {
    PersistContext context(PersistPurpose::File, path);
    // Depths are counted from the document (1); the set is the first object.
    WriteLimits checks(context, limits.maxDepth, limits.maxArrayItems, limits.maxObjects, 0);
    checks.object();
    checks.container(itemDepth - 1);
    checks.list(set.count());
    // The document and the set by hand, so that group values can be written member by member.
    out += "{\"format\": \"" + std::string(propertySetFormat) + "\", \"version\": " +
           std::to_string(propertySetVersion) + ",\n\"propertySet\": ";
    // The set is the first object of the file, as writeObject would number it.
    // Negative until the set is complete: a reference to it from inside is a cycle (refused).
    auto setId = context.writtenIds().emplace(&set, -1).first;
    out += "{\"$class\":\"PropertySet\",\"$id\":1,\"properties\":[";
    bool first = true;
    for (const auto& [name, value] : set.items()) {
        out += first ? "\n" : ",\n";
        first = false;
        const auto* group = value.isObject() && value.objectValue() ? dynamic_cast<const GroupElement*>(value.objectValue().get()) : nullptr;
        if (group && !context.writtenIds().count(group)) {
            checks.container(itemDepth);
            checks.container(itemDepth + 1);
            out += "[" + Json(name).dump(-1, ' ', false, Json::error_handler_t::replace) + ",[\"o\",";
            appendGroup(out, *group, context, checks, flush);
            out += "]]";
        } else {
            const Json item = Json::array({name, writeVariant(value, context)});
            checks.shape(item, itemDepth);
            checks.objectsWithinLimit();
            out += item.dump(-1, ' ', false, Json::error_handler_t::replace);
        }
    }
    out += "]}}\n";
    setId->second = 1;
}

PropertySetPtr readSetText(std::string_view text, const std::string& sourceName, const PersistLimits& limits, const Passed& passed) {
    PersistContext context(PersistPurpose::File, sourceName, std::filesystem::path(sourceName).parent_path());
    context.setLimits(limits);
    std::string skeleton;
    std::vector<PropertySetSplitter::GroupRanges> groups;
    const bool split = !text.empty() && PropertySetSplitter(text, context.limits().maxDepth).split(skeleton, groups);
    try {
        const Json doc = readTaggedDocument(split ? skeleton : std::string(text), propertySetFormat, propertySetVersion, context);
        PropertySetPtr set = readSet(doc, context);
        if (split && set) readGroupMembers(*set, text, groups, context, passed);
        return set;
    } catch (...) {
        reportTaskProgress({"Reading the file", 0, 0, true});
        throw;
    }
}

}  // namespace

std::string propertySetToText(const PropertySet& set) {
    std::string out;
    writeSetText(set, out, {}, PersistLimits{}, {});
    return out;
}

PropertySetPtr propertySetFromText(const std::string& text, const std::string& sourceName, const PersistLimits& limits) {
    return readSetText(text, sourceName, limits, {});
}

void writePropertySetFile(const PropertySet& set, const std::string& path, const PropertySetFileLimits& limits) {
    // Written to a temporary file as it is serialised: an object that cannot be saved, or a
    // full disk, removes the temporary file and leaves an existing one as it was.
    AtomicFileWriter file(path);
    std::string text;
    std::size_t written = 0;
    const auto bounded = [&](std::size_t more) {
        written += more;
        if (written > limits.maxBytes)
            raiseHost(101, "Plotlet.PropertySetFile",
                      "File " + path + ": cannot be written: it would take more than " + std::to_string(limits.maxBytes) +
                          " bytes, more than reading accepts");
    };
    try {
        writeSetText(
            set, text,
            [&](std::string& piece) {
                bounded(piece.size());
                file.write(piece.data(), piece.size());
                piece.clear();
            },
            limits.persist, path);
        bounded(text.size());
    } catch (const host::Error&) {
        reportTaskProgress({"Writing the file", 0, 0, true});
        throw;
    } catch (const runtime::Error& e) {
        reportTaskProgress({"Writing the file", 0, 0, true});
        raiseHost(101, "Plotlet.PropertySetFile", "File " + path + ": cannot be written: " + e.description());
    } catch (const Json::exception& e) {
        reportTaskProgress({"Writing the file", 0, 0, true});
        raiseHost(101, "Plotlet.PropertySetFile", "File " + path + ": cannot be written: " + e.what());
    }
    file.write(text.data(), text.size());
    file.commit();
}

PropertySetPtr readPropertySetFile(const std::string& path, const PropertySetFileLimits& limits) {
    // Mapped, not copied: a graphics file of a million charts would otherwise be held as text
    // beside the charts made from it. The pages read are let go of behind the reading.
    MappedFile file(path, limits.maxBytes);
    return readSetText(file.text(), path, limits.persist, [&file](std::size_t offset) { file.release(offset); });
}

}  // namespace host
