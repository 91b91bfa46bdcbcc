#include "render/Png.h"

#include <png.h>

#include <csetjmp>
#include <cmath>
#include <exception>
#include <vector>

#include "host/AtomicFile.h"
#include "render/Cairo.h"
#include "render/Error.h"

namespace render {
namespace {

struct PngJob {
    host::AtomicFileWriter* file = nullptr;
    std::exception_ptr writeError;  // from the file; later writes are skipped
    std::string libraryError;
    std::vector<png_byte> row;
};

void onWrite(png_structp png, png_bytep data, png_size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (job->writeError) return;
    try {
        job->file->write(data, length);
    } catch (...) {
        job->writeError = std::current_exception();
    }
}

void onFlush(png_structp) {}

void onError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    job->libraryError = message ? message : "unknown error";
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Only C objects live in this function: libpng leaves it through longjmp on errors.
bool encode(PngJob& job, const unsigned char* data, int width, int height, int stride, bool opaque, double dpi) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, onError, onWarning);
    if (!png) {
        job.libraryError = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        if (job.libraryError.empty()) job.libraryError = "out of memory";
        return false;
    }
    png_set_write_fn(png, &job, onWrite, onFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (dpi > 0 && std::isfinite(dpi)) {
        const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
        png_set_pHYs(png, info, perMetre, perMetre, PNG_RESOLUTION_METER);
    }
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_write_info(png, info);
    const int channels = opaque ? 3 : 4;
    png_bytep out = job.row.data();
    for (int y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[x];
            const unsigned a = p >> 24;
            unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            png_bytep o = out + x * channels;
            if (!opaque) {
                // Cairo keeps colours premultiplied by alpha; PNG wants them straight.
                if (a == 0) r = g = b = 0;
                else if (a < 255) {
                    r = (r * 255 + a / 2) / a;
                    g = (g * 255 + a / 2) / a;
                    b = (b * 255 + a / 2) / a;
                }
                o[3] = static_cast<png_byte>(a);
            }
            o[0] = static_cast<png_byte>(r);
            o[1] = static_cast<png_byte>(g);
            o[2] = static_cast<png_byte>(b);
        }
        png_write_row(png, out);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void writePng(cairo_surface_t* image, const std::string& path, double dpi) {
    if (!image || cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE) {
        raise(code::BadFormat, "Plotlet.Png", "Only images can be written as PNG (" + path + ").");
    }
    checkSurface(image, "Writing " + path);
    cairo_surface_flush(image);
    const cairo_format_t format = cairo_image_surface_get_format(image);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        raise(code::BadFormat, "Plotlet.Png", "Only 32-bit images can be written as PNG (" + path + ").");
    }
    const int width = cairo_image_surface_get_width(image), height = cairo_image_surface_get_height(image);
    const int stride = cairo_image_surface_get_stride(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    if (width < 1 || height < 1 || !data) raise(code::BadSize, "Plotlet.Png", "An empty image cannot be written (" + path + ").");
    bool opaque = format == CAIRO_FORMAT_RGB24;
    if (!opaque) {
        opaque = true;
        for (int y = 0; y < height && opaque; ++y) {
            const auto* pixels = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            for (int x = 0; x < width; ++x) {
                if ((pixels[x] >> 24) != 0xFF) {
                    opaque = false;
                    break;
                }
            }
        }
    }
    host::AtomicFileWriter file(path);
    PngJob job;
    job.file = &file;
    job.row.resize(static_cast<std::size_t>(width) * 4);
    const bool ok = encode(job, data, width, height, stride, opaque, dpi);
    if (job.writeError) std::rethrow_exception(job.writeError);
    if (!ok) raise(code::Cairo, "Plotlet.Png", "Writing " + path + ": " + job.libraryError);
    file.commit();
}

}  // namespace render
