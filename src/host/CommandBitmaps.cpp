#include "host/CommandBitmaps.h"

#include <map>
#include <mutex>
#include <string>

namespace host {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::int32_t> handles;
    std::map<std::int32_t, const std::string*> bytes;
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
    const auto found = r.handles.find(key);
    if (found != r.handles.end()) return found->second;
    const auto handle = static_cast<std::int32_t>(r.handles.size() + 1);
    const auto inserted = r.handles.emplace(std::move(key), handle).first;
    r.bytes.emplace(handle, &inserted->first);
    return handle;
}

std::vector<unsigned char> commandBitmapBytes(std::int32_t handle) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const auto found = r.bytes.find(handle);
    if (found == r.bytes.end()) return {};
    const std::string& b = *found->second;
    return {b.begin(), b.end()};
}

}  // namespace host
