#pragma once
// The pictures behind the bitmap handles commands hand out (ICommand::Bitmap). A plug-in module
// registers the image bytes of a picture it loads and gives the returned handle to the host;
// a host that draws toolbars looks the handle up. Handles are unique in the process (each
// registration is a new picture with its own handle, as each load of a resource picture is),
// so two modules never hand out the same handle, and the bytes are copied, so a handle stays
// good after the module that registered it is unloaded.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace host {

// A new handle (non-zero) for these image bytes (a PNG file as stored).
std::int32_t registerCommandBitmap(const unsigned char* data, std::size_t size);
// The image bytes of a handle; empty for 0 or a handle never registered.
std::vector<unsigned char> commandBitmapBytes(std::int32_t handle);

}  // namespace host
