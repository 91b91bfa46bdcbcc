#pragma once
// The bitmaps the plug-in carries (the toolbar picture "101", the lock pictures "LOCKED" and
// "UNLOCKED"), compiled into each module from src/resources.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plotlet {

struct EmbeddedResource {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

const std::vector<EmbeddedResource>& embeddedResources();

// The resource of that name ("101", "LOCKED"), or nullptr when the module carries none.
const EmbeddedResource* findResource(std::string_view name);

}  // namespace plotlet
