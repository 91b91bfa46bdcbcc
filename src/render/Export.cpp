#include "render/Export.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <cmath>
#include <exception>
#include <filesystem>

#include "host/AtomicFile.h"
#include "render/BandDrawing.h"
#include "render/Error.h"
#include "render/LayerDrawing.h"
#include "render/Png.h"
#include "runtime/NumberText.h"
#include "runtime/Text.h"

namespace render {
namespace {

using host::kMetresPerInch;
constexpr double kDefaultWidth = 1200.0;
constexpr double kMaxDpi = 100'000.0;
const char* const kSource = "Plotlet.Export";

bool finiteEnvelope(const host::Envelope& e) {
    return !e.isEmpty() && std::isfinite(e.xMin()) && std::isfinite(e.yMin()) && std::isfinite(e.xMax()) &&
           std::isfinite(e.yMax()) && std::isfinite(e.width()) && std::isfinite(e.height());
}

std::string number(double v) { return runtime::numberText(v, "."); }

double dpiOf(const ExportOptions& options) {
    const double dpi = options.dpi.value_or(96.0);
    if (!(dpi > 0) || !std::isfinite(dpi) || dpi > kMaxDpi) {
        raise(code::BadResolution, kSource,
              "The resolution must be a positive number of dots per inch up to 100000 (it is " + number(dpi) + ").");
    }
    return dpi;
}

host::DisplayTransformation transformationFor(const host::Map& map, const host::Envelope& extent, const ExportOptions& options) {
    const double dpi = dpiOf(options);
    const double mpu = map.spatialReference()->metresPerUnit();
    double width = kDefaultWidth * dpi / 96.0;
    if (options.width) {
        if (*options.width < 1)
            raise(code::BadSize, kSource,
                  "The picture width must be at least 1 pixel (it is " + std::to_string(*options.width) + ").");
        width = *options.width;
    } else if (options.dpi && map.mapScale() > 0) {
        width = extent.width() * mpu / map.mapScale() / kMetresPerInch * dpi;
    }
    const double height = width * extent.height() / extent.width();
    if (!(width <= kMaxPictureSide) || !(height <= kMaxPictureSide) ||
        !(width * height <= static_cast<double>(kMaxPicturePixels))) {
        raise(code::BadSize, kSource,
              "The picture would be " + number(std::round(width)) + " × " + number(std::round(height)) + " pixels; at most " +
                  std::to_string(kMaxPictureSide) + " on a side and " + std::to_string(kMaxPicturePixels) +
                  " in all. Give a smaller width or resolution, or a smaller extent.");
    }
    const int w = std::max(1, static_cast<int>(std::lround(width)));
    const int h = std::max(1, static_cast<int>(std::lround(height)));
    // Square pixels: the extent keeps its width and centre and takes the picture's proportions.
    const host::XY c = extent.centre();
    const double visibleHeight = extent.width() * h / w;
    host::DisplayTransformation t;
    t.setDeviceFrame({0, 0, w, h});
    t.setResolution(dpi);
    t.setMetresPerUnit(mpu);
    t.setVisibleBounds(
        host::Envelope(c.x - extent.width() / 2, c.y - visibleHeight / 2, c.x + extent.width() / 2, c.y + visibleHeight / 2));
    t.setBounds(t.visibleBounds());
    t.setReferenceScale(map.referenceScale());
    return t;
}

// A point or a line of features has no area: give it one so that a picture can show it.
host::Envelope withArea(const host::Envelope& e, const host::Map& map, const ExportOptions& options) {
    double w = e.width(), h = e.height();
    if (w > 0 && h > 0) return e;
    if (w == 0 && h == 0) {
        const double dpi = dpiOf(options);
        const double pixels = options.width ? *options.width : kDefaultWidth * dpi / 96.0;
        w = h =
            map.mapScale() > 0 ? pixels / dpi * kMetresPerInch * map.mapScale() / map.spatialReference()->metresPerUnit() : 1.0;
    } else if (w == 0) {
        w = h;
    } else {
        h = w;
    }
    const host::XY c = e.centre();
    return host::Envelope(c.x - w / 2, c.y - h / 2, c.x + w / 2, c.y + h / 2);
}

// Everything the map draws: its layers' extent grown by what the symbols, charts and labels
// cover around it, measured on the picture itself (twice, since the symbols' size in map units
// depends on the extent).
host::Envelope defaultExtent(const host::Map& map, const ExportOptions& options) {
    const host::Envelope base = map.fullExtent();
    if (!finiteEnvelope(base)) raise(code::BadExtent, kSource, "The map has nothing to draw; give an extent.");
    host::Envelope extent = withArea(base, map, options);
    for (int pass = 0; pass < 2; ++pass) {
        const host::DisplayTransformation t = transformationFor(map, extent, options);
        host::Envelope drawn = base;
        if (const DeviceBox box = measureMap(map, t); !box.empty) {
            drawn.include(t.toMap({box.x0, box.y1}));
            drawn.include(t.toMap({box.x1, box.y0}));
        }
        if (!finiteEnvelope(drawn)) break;
        extent = withArea(drawn, map, options);
    }
    const double margin = std::isfinite(options.margin) && options.margin > 0 ? options.margin : 0.0;
    extent.expand(margin * std::max(extent.width(), extent.height()));
    return extent;
}

struct Stream {
    host::AtomicFileWriter* file;
    std::exception_ptr error;
};

cairo_status_t writeToStream(void* closure, const unsigned char* data, unsigned int length) {
    auto* stream = static_cast<Stream*>(closure);
    if (stream->error) return CAIRO_STATUS_WRITE_ERROR;
    try {
        stream->file->write(data, length);
        return CAIRO_STATUS_SUCCESS;
    } catch (...) {
        stream->error = std::current_exception();
        return CAIRO_STATUS_WRITE_ERROR;
    }
}

void finishStream(Stream& stream, cairo_status_t status, const std::string& what) {
    if (stream.error) std::rethrow_exception(stream.error);
    checkStatus(status, what);
}

void exportVector(const host::Map& map, const std::string& path, PictureFormat format, const host::DisplayTransformation& t,
                  const ProgressCallback& progress, const MapDecorations* decorations) {
    const double scale = host::kPointsPerInch / t.resolution();
    const double w = t.deviceFrame().right, h = t.deviceFrame().bottom;
    host::AtomicFileWriter file(path);
    Stream stream{&file, nullptr};
    SurfacePtr surface(format == PictureFormat::Svg
                           ? cairo_svg_surface_create_for_stream(writeToStream, &stream, w * scale, h * scale)
                           : cairo_pdf_surface_create_for_stream(writeToStream, &stream, w * scale, h * scale));
    checkSurface(surface.get(), "Creating the picture " + path);
    if (format == PictureFormat::Pdf) cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Plotlet");
    {
        ContextPtr cr(cairo_create(surface.get()));
        cairo_scale(cr.get(), scale, scale);
        cairo_set_source_rgb(cr.get(), 1, 1, 1);
        cairo_rectangle(cr.get(), 0, 0, w, h);
        cairo_fill(cr.get());
        Canvas canvas(cr.get(), t);
        canvas.setProgress(progress, drawingWork(map));
        drawMap(canvas, map);
        if (decorations) drawMapDecorations(canvas, map, *decorations);
        canvas.finishProgress();
        canvas.check("Drawing the map");
        cairo_show_page(cr.get());
    }
    cairo_surface_finish(surface.get());
    finishStream(stream, cairo_surface_status(surface.get()), "Writing " + path);
    surface.reset();
    file.commit();
}

}  // namespace

PictureFormat formatOfPath(const std::string& path) {
    const std::string extension = runtime::lowerCase(std::filesystem::path(path).extension().string());
    if (extension == ".png") return PictureFormat::Png;
    if (extension == ".svg") return PictureFormat::Svg;
    if (extension == ".pdf") return PictureFormat::Pdf;
    raise(code::BadFormat, kSource, "The picture " + path + " must end in .png, .svg or .pdf.");
}

host::DisplayTransformation planExport(const host::Map& map, const ExportOptions& options) {
    dpiOf(options);
    if (options.width && *options.width < 1) {
        raise(code::BadSize, kSource,
              "The picture width must be at least 1 pixel (it is " + std::to_string(*options.width) + ").");
    }
    if (options.extent) {
        const host::Envelope& e = *options.extent;
        if (!finiteEnvelope(e) || !(e.width() > 0) || !(e.height() > 0)) {
            raise(code::BadExtent, kSource,
                  "The extent is empty or not finite: it needs xmin < xmax and ymin < ymax, all finite numbers.");
        }
        return transformationFor(map, e, options);
    }
    return transformationFor(map, defaultExtent(map, options), options);
}

SurfacePtr renderImage(const host::Map& map, const host::DisplayTransformation& t, const ProgressCallback& progress,
                       const MapDecorations* decorations) {
    const host::DeviceFrame& frame = t.deviceFrame();
    if (frame.right < 1 || frame.bottom < 1 || frame.right > kMaxPictureSide || frame.bottom > kMaxPictureSide) {
        raise(code::BadSize, kSource, "The picture must be 1 to " + std::to_string(kMaxPictureSide) + " pixels on a side.");
    }
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, frame.right, frame.bottom));
    checkSurface(surface.get(),
                 "Creating a picture of " + std::to_string(frame.right) + " × " + std::to_string(frame.bottom) + " pixels");
    ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    const std::size_t work = drawingWork(map);
    if (work >= kBandedDrawingFrom) drawMapInBands(surface.get(), map, t, progress);
    Canvas canvas(cr.get(), t);
    canvas.setProgress(progress, work);
    if (work < kBandedDrawingFrom) drawMap(canvas, map);
    if (decorations) drawMapDecorations(canvas, map, *decorations);
    canvas.finishProgress();
    canvas.check("Drawing the map");
    cairo_surface_flush(surface.get());
    return surface;
}

void exportMap(const host::Map& map, const std::string& path, const ExportOptions& options) {
    exportMap(map, path, formatOfPath(path), options);
}

void exportMap(const host::Map& map, const std::string& path, PictureFormat format, const ExportOptions& options) {
    const host::DisplayTransformation t = planExport(map, options);
    if (format == PictureFormat::Png) {
        // Checked before drawing, so a long drawing does not end in "no such folder".
        { host::AtomicFileWriter probe(path); }
        const SurfacePtr image = renderImage(map, t, options.progress, options.decorations ? &*options.decorations : nullptr);
        writePng(image.get(), path, t.resolution());
    } else {
        exportVector(map, path, format, t, options.progress, options.decorations ? &*options.decorations : nullptr);
    }
}

void exportDocument(const host::MxDocument& document, const std::string& path, const ExportOptions& options) {
    if (!document.focusMap()) raise(code::BadExtent, kSource, "The document has no map to draw.");
    exportMap(*document.focusMap(), path, options);
}

}  // namespace render
