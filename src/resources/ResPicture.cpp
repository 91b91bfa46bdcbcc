#include "resources/ResPicture.h"

#include <cstring>
#include <string>

#include "host/CommandBitmaps.h"
#include "runtime/Error.h"

namespace plotlet {

namespace {

constexpr unsigned char PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// Toolbar and lock pictures are small; anything beyond this is not one of ours.
constexpr std::uint32_t MaxSide = 4096;

std::uint32_t bigEndian32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

}  // namespace

ResPicture loadResPicture(std::string_view id) {
    const EmbeddedResource* resource = findResource(id);
    if (resource == nullptr) {
        runtime::raise(ResourceNotFound, "Plotlet", "Resource with identifier '" + std::string(id) + "' not found");
    }
    // Signature, then the IHDR chunk: length, type, width, height.
    const unsigned char* bytes = resource->data;
    if (resource->size < 24 || std::memcmp(bytes, PngSignature, 8) != 0 || std::memcmp(bytes + 12, "IHDR", 4) != 0) {
        runtime::raise(InvalidPicture, "Plotlet", "Invalid picture");
    }
    const std::uint32_t width = bigEndian32(bytes + 16), height = bigEndian32(bytes + 20);
    if (width == 0 || height == 0 || width > MaxSide || height > MaxSide) {
        runtime::raise(InvalidPicture, "Plotlet", "Invalid picture");
    }

    ResPicture picture;
    picture.resource_ = resource;
    picture.width_ = static_cast<int>(width);
    picture.height_ = static_cast<int>(height);
    // The host's handle, so a desktop host can show the picture on its toolbar.
    picture.handle_ = host::registerCommandBitmap(resource->data, resource->size);
    return picture;
}

}  // namespace plotlet
