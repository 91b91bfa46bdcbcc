#include "render/Cairo.h"

#include "render/Error.h"

namespace render {

void raise(std::int32_t code, const std::string& source, const std::string& description) {
    throw Error(host::hostErrorBase + code, source, description);
}

void checkStatus(cairo_status_t status, const std::string& what) {
    if (status == CAIRO_STATUS_SUCCESS) return;
    raise(code::Cairo, "Plotlet.Render", what + ": " + cairo_status_to_string(status));
}

}  // namespace render
