#include "host/PropertySetFile.h"

#include <filesystem>

#include "host/AtomicFile.h"
#include "host/Error.h"
#include "host/Persistence.h"

namespace host {

std::string propertySetToText(const PropertySet& set) {
    PersistContext context(PersistPurpose::File);
    Json doc = makeTaggedDocument(propertySetFormat, propertySetVersion);
    doc["propertySet"] = writeObject(static_cast<const runtime::Object&>(set), context);
    // Texts from data files may hold bytes that are not UTF-8: they are written as U+FFFD
    // rather than failing the save.
    return doc.dump(1, ' ', false, Json::error_handler_t::replace) + "\n";
}

PropertySetPtr propertySetFromText(const std::string& text, const std::string& sourceName) {
    PersistContext context(PersistPurpose::File, sourceName, std::filesystem::path(sourceName).parent_path());
    const Json doc = readTaggedDocument(text, propertySetFormat, propertySetVersion, context);
    auto it = doc.find("propertySet");
    if (it == doc.end() || it->is_null()) context.fail("holds no property set");
    return readObjectAs<PropertySet>(*it, context, "the file's content");
}

void writePropertySetFile(const PropertySet& set, const std::string& path) {
    // Serialise completely before touching the disk, so an unsaveable object fails early.
    std::string text;
    try {
        text = propertySetToText(set);
    } catch (const runtime::Error& e) {
        raiseHost(101, "Plotlet.PropertySetFile", "File " + path + ": cannot be written: " + e.description());
    }
    writeFileAtomically(path, text);
}

PropertySetPtr readPropertySetFile(const std::string& path) {
    return propertySetFromText(readFileLimited(path, maxPropertySetFileBytes), path);
}

}  // namespace host
