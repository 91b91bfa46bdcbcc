#include "host/LayerFile.h"

#include <filesystem>

#include "host/AtomicFile.h"
#include "host/Persistence.h"

namespace host {

void writeLayerFile(const std::string& path, const LayerPtr& layer) {
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    PersistContext context(PersistPurpose::File, path, folder);
    Json doc = makeTaggedDocument(layerFileFormat, layerFileVersion);
    doc["layer"] = writeObject(layer, context);
    writeFileAtomically(path, doc.dump(1, ' ', false, Json::error_handler_t::replace) + "\n");
}

LayerPtr readLayerFile(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::absolute(path).parent_path();
    PersistContext context(PersistPurpose::File, path, folder);
    const Json doc = readTaggedDocument(readFileLimited(path, 1024u * 1024u * 1024u), layerFileFormat, layerFileVersion, context);
    auto it = doc.find("layer");
    if (it == doc.end() || it->is_null()) context.fail("holds no layer");
    auto layer = readObjectAs<Layer>(*it, context, "the file's layer");
    return layer;
}

}  // namespace host
