#include "dialog/DialogPictures.h"

#include <cstring>
#include <memory>
#include <string>

#include "resources/ResPicture.h"
#include "render/Bitmap.h"
#include "render/Cairo.h"
#include "render/Picture.h"
#include "runtime/Error.h"

namespace plotlet {

namespace {

// The face colour of a button: the pictures' transparent parts take it, as a bitmap on a
// button shows.
constexpr double ButtonFace = 240.0 / 255.0;

struct PngReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t at = 0;
};

cairo_status_t readPng(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<PngReader*>(closure);
    if (length > reader->size - reader->at) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, reader->data + reader->at, length);
    reader->at += length;
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

runtime::ObjectPtr LoadDialogPicture(std::string_view id) {
    const ResPicture resource = loadResPicture(id);  // errors 326 and 481 for a missing or odd resource
    PngReader reader{resource.resource().data, resource.resource().size};
    render::SurfacePtr image(cairo_image_surface_create_from_png_stream(readPng, &reader));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS ||
        cairo_image_surface_get_width(image.get()) != resource.width() ||
        cairo_image_surface_get_height(image.get()) != resource.height())
        runtime::raise(InvalidPicture, "Plotlet", "Invalid picture");

    render::BitmapHandle bitmap = render::Bitmap::create(resource.width(), resource.height(), 96.0);
    if (!bitmap) runtime::raise(InvalidPicture, "Plotlet", "Invalid picture");
    render::ContextPtr cr(cairo_create(bitmap->surface()));
    cairo_set_source_rgb(cr.get(), ButtonFace, ButtonFace, ButtonFace);
    cairo_paint(cr.get());
    cairo_set_source_surface(cr.get(), image.get(), 0, 0);
    cairo_paint(cr.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) runtime::raise(InvalidPicture, "Plotlet", "Invalid picture");
    cr.reset();
    cairo_surface_flush(bitmap->surface());
    return std::make_shared<render::Picture>(std::move(bitmap));
}

runtime::ObjectPtr TryLoadDialogPicture(std::string_view id) {
    try {
        return LoadDialogPicture(id);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace plotlet
