#pragma once
// A picture loaded from the module's own bitmap resources, as the runtime's LoadResPicture
// gives it: the image and a handle the host may ask for.
#include <cstdint>
#include <string_view>

#include "resources/Resources.h"

namespace plotlet {

class ResPicture {
public:
    // Non-zero; distinct for every picture loaded (a handle of host/CommandBitmaps.h, so the
    // host can show the image).
    std::int32_t handle() const { return handle_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // The PNG image as embedded.
    const EmbeddedResource& resource() const { return *resource_; }

private:
    friend ResPicture loadResPicture(std::string_view id);
    const EmbeddedResource* resource_ = nullptr;
    std::int32_t handle_ = 0;
    int width_ = 0, height_ = 0;
};

// Error numbers of LoadResPicture.
inline constexpr std::int32_t ResourceNotFound = 326;
inline constexpr std::int32_t InvalidPicture = 481;

// Loads the bitmap resource `id`. Throws runtime::Error 326 when the module has no such
// resource and 481 when its bytes are not a PNG image of a sensible size.
ResPicture loadResPicture(std::string_view id);

}  // namespace plotlet
