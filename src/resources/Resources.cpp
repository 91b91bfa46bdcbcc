#include "resources/Resources.h"

namespace plotlet {

const EmbeddedResource* findResource(std::string_view name) {
    for (const EmbeddedResource& resource : embeddedResources()) {
        if (name == resource.name) return &resource;
    }
    return nullptr;
}

}  // namespace plotlet
