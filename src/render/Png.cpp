#include "render/Png.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "host/AtomicFile.h"
#include "host/Display.h"
#include "render/Cairo.h"
#include "render/Error.h"

namespace render {
namespace {

const char* const kSource = "Plotlet.Png";
constexpr std::size_t kChunkBytes = 1u << 20;  // image data is split into chunks of this size

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

void putBigEndian(std::uint8_t* out, std::uint32_t v) {
    out[0] = static_cast<std::uint8_t>(v >> 24);
    out[1] = static_cast<std::uint8_t>(v >> 16);
    out[2] = static_cast<std::uint8_t>(v >> 8);
    out[3] = static_cast<std::uint8_t>(v);
}

// Length, type, data and the CRC of type and data.
void writeChunk(host::AtomicFileWriter& file, const char (&type)[5], const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8];
    putBigEndian(head, static_cast<std::uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    std::uint32_t crc = libdeflate_crc32(0, head + 4, 4);
    if (size > 0) crc = libdeflate_crc32(crc, data, size);
    std::uint8_t tail[4];
    putBigEndian(tail, crc);
    file.write(head, sizeof head);
    if (size > 0) file.write(data, size);
    file.write(tail, sizeof tail);
}

void writeImageData(host::AtomicFileWriter& file, const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; at < size; at += kChunkBytes) writeChunk(file, "IDAT", data + at, std::min(kChunkBytes, size - at));
}

// One row of pixels as PNG bytes: RGB, or RGBA with the colours taken out of cairo's
// premultiplied form.
void convertRow(const std::uint32_t* pixels, int width, bool opaque, std::uint8_t* out) {
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = pixels[x];
        std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        if (opaque) {
            out[0] = static_cast<std::uint8_t>(r);
            out[1] = static_cast<std::uint8_t>(g);
            out[2] = static_cast<std::uint8_t>(b);
            out += 3;
            continue;
        }
        const std::uint32_t a = p >> 24;
        if (a == 0) {
            r = g = b = 0;
        } else if (a < 255) {
            r = (r * 255 + a / 2) / a;
            g = (g * 255 + a / 2) / a;
            b = (b * 255 + a / 2) / a;
        }
        out[0] = static_cast<std::uint8_t>(r);
        out[1] = static_cast<std::uint8_t>(g);
        out[2] = static_cast<std::uint8_t>(b);
        out[3] = static_cast<std::uint8_t>(a);
        out += 4;
    }
}

struct Image {
    const unsigned char* data;
    int width, height, stride;
    bool opaque;
    int channels() const { return opaque ? 3 : 4; }
    const std::uint32_t* row(int y) const {
        return reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    }
};

void compressAtOnce(host::AtomicFileWriter& file, const Image& image, const std::string& path) {
    const std::size_t rowBytes = 1 + static_cast<std::size_t>(image.channels()) * static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> raw(rowBytes * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* out = raw.data() + rowBytes * static_cast<std::size_t>(y);
        out[0] = 0;  // no filter: deflate finds the flat runs of a map better without one
        convertRow(image.row(y), image.width, image.opaque, out + 1);
    }
    const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(libdeflate_alloc_compressor(1));
    if (!compressor) raise(code::Cairo, kSource, "Writing " + path + ": out of memory");
    std::vector<std::uint8_t> packed(libdeflate_zlib_compress_bound(compressor.get(), raw.size()));
    const std::size_t size = libdeflate_zlib_compress(compressor.get(), raw.data(), raw.size(), packed.data(), packed.size());
    if (size == 0) raise(code::Cairo, kSource, "Writing " + path + ": the pixels could not be compressed");
    writeImageData(file, packed.data(), size);
}

void compressByRows(host::AtomicFileWriter& file, const Image& image, const std::string& path) {
    const std::size_t rowBytes = 1 + static_cast<std::size_t>(image.channels()) * static_cast<std::size_t>(image.width);
    std::vector<std::uint8_t> previous(rowBytes, 0), current(rowBytes), filtered(rowBytes), out(kChunkBytes);
    z_stream stream{};
    if (deflateInit(&stream, 1) != Z_OK) raise(code::Cairo, kSource, "Writing " + path + ": out of memory");
    const std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&stream, deflateEnd);
    const auto pump = [&](int flush) {
        do {
            stream.next_out = out.data();
            stream.avail_out = static_cast<uInt>(out.size());
            const int status = deflate(&stream, flush);
            if (status == Z_STREAM_ERROR) raise(code::Cairo, kSource, "Writing " + path + ": the pixels could not be compressed");
            const std::size_t produced = out.size() - stream.avail_out;
            if (produced > 0) writeChunk(file, "IDAT", out.data(), produced);
        } while (stream.avail_out == 0);
    };
    for (int y = 0; y < image.height; ++y) {
        convertRow(image.row(y), image.width, image.opaque, current.data() + 1);
        // The "up" filter: each byte less the byte above it.
        filtered[0] = 2;
        for (std::size_t i = 1; i < rowBytes; ++i) filtered[i] = static_cast<std::uint8_t>(current[i] - previous[i]);
        stream.next_in = filtered.data();
        stream.avail_in = static_cast<uInt>(rowBytes);
        pump(Z_NO_FLUSH);
        previous.swap(current);
    }
    pump(Z_FINISH);
}

}  // namespace

void writePng(cairo_surface_t* surface, const std::string& path, double dpi, std::size_t inMemoryLimit) {
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        raise(code::BadFormat, kSource, "Only images can be written as PNG (" + path + ").");
    }
    checkSurface(surface, "Writing " + path);
    cairo_surface_flush(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        raise(code::BadFormat, kSource, "Only 32-bit images can be written as PNG (" + path + ").");
    }
    Image image{cairo_image_surface_get_data(surface), cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface),
                cairo_image_surface_get_stride(surface), format == CAIRO_FORMAT_RGB24};
    if (image.width < 1 || image.height < 1 || !image.data) raise(code::BadSize, kSource, "An empty image cannot be written (" + path + ").");
    if (!image.opaque) {
        image.opaque = true;
        for (int y = 0; y < image.height && image.opaque; ++y) {
            const std::uint32_t* row = image.row(y);
            image.opaque = std::all_of(row, row + image.width, [](std::uint32_t p) { return (p >> 24) == 0xFF; });
        }
    }

    host::AtomicFileWriter file(path);
    static constexpr std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.write(signature, sizeof signature);
    std::array<std::uint8_t, 13> header{};
    putBigEndian(header.data(), static_cast<std::uint32_t>(image.width));
    putBigEndian(header.data() + 4, static_cast<std::uint32_t>(image.height));
    header[8] = 8;                       // bits per channel
    header[9] = image.opaque ? 2 : 6;    // RGB or RGBA; compression, filter method, no interlace: 0
    writeChunk(file, "IHDR", header.data(), header.size());
    if (dpi > 0 && std::isfinite(dpi)) {
        std::array<std::uint8_t, 9> physical{};
        const auto perMetre = static_cast<std::uint32_t>(std::lround(std::min(dpi, 1e6) / host::kMetresPerInch));
        putBigEndian(physical.data(), perMetre);
        putBigEndian(physical.data() + 4, perMetre);
        physical[8] = 1;  // the unit is the metre
        writeChunk(file, "pHYs", physical.data(), physical.size());
    }
    const std::size_t pixelBytes = static_cast<std::size_t>(image.channels()) * static_cast<std::size_t>(image.width) *
                                   static_cast<std::size_t>(image.height);
    if (pixelBytes <= inMemoryLimit) compressAtOnce(file, image, path);
    else compressByRows(file, image, path);
    writeChunk(file, "IEND", nullptr, 0);
    file.commit();
}

}  // namespace render
