#include "host/CommandBitmaps.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace host {

namespace {

struct Registry {
    std::mutex mutex;
    // One copy of each distinct image, however many handles show it.
    std::map<std::string, std::shared_ptr<const std::string>> images;
    std::map<std::int32_t, std::shared_ptr<const std::string>> handles;
    std::int32_t last = 0;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

}  // namespace

std::int32_t registerCommandBitmap(const unsigned char* data, std::size_t size) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::string key(reinterpret_cast<const char*>(data), size);
    auto found = r.images.find(key);
    if (found == r.images.end()) {
        auto image = std::make_shared<const std::string>(key);
        found = r.images.emplace(std::move(key), std::move(image)).first;
    }
    const std::int32_t handle = ++r.last;
    r.handles.emplace(handle, found->second);
    return handle;
}

std::vector<unsigned char> commandBitmapBytes(std::int32_t handle) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.handles.find(handle);
    if (found == r.handles.end()) return {};
    const std::string& bytes = *found->second;
    return {bytes.begin(), bytes.end()};
}

}  // namespace host
