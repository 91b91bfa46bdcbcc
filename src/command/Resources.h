#pragma once
// The bitmaps the plug-in carries (the toolbar picture "101", the lock pictures "LOCKED" and
// "UNLOCKED"), compiled into each module from src/resources.
#include <cstddef>
#include <string>
#include <vector>

namespace plotlet {

struct EmbeddedResource {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

const std::vector<EmbeddedResource>& embeddedResources();

}  // namespace plotlet
