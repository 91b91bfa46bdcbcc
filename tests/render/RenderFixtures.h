#pragma once
// Helpers of the drawing tests: maps with charts built the way the chart builder builds them,
// images drawn from them, and pixel probes.
#include <cairo.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/Element.h"
#include "host/FeatureClass.h"
#include "host/Map.h"
#include "render/Cairo.h"
#include "render/Canvas.h"

namespace rendertest {

struct Rgb {
    int r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// An ARGB32 image with pixel access (alpha composited over white).
class Image {
public:
    explicit Image(render::SurfacePtr surface);
    int width() const { return width_; }
    int height() const { return height_; }
    Rgb at(int x, int y) const;
    // Whether the pixel is within `tolerance` of the colour on every channel.
    bool near(int x, int y, Rgb colour, int tolerance = 8) const;
    bool isWhite(int x, int y, int tolerance = 8) const { return near(x, y, {255, 255, 255}, tolerance); }
    // The box of pixels that are not white, inside the given window (whole image by default).
    render::DeviceBox ink(int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1, int tolerance = 24) const;
    // The box of pixels near a colour.
    render::DeviceBox inkOf(Rgb colour, int tolerance = 24) const;
    cairo_surface_t* surface() const { return surface_.get(); }
    // Saved under $PLOTLET_TEST_PICTURES (when set) for looking at.
    void keep(const std::string& name) const;

private:
    render::SurfacePtr surface_;
    int width_ = 0, height_ = 0;
};

Rgb rgbOf(std::uint32_t bgr);

// How far two ARGB32 images of one size lie apart: the pixels that differ by more than
// `threshold` on some channel, and the mean difference over all channels.
struct ImageDifference {
    long far = 0;
    double mean = 0;
};
ImageDifference differenceOf(cairo_surface_t* a, cairo_surface_t* b, int threshold = 40);

// A transformation of a w × h frame at `dpi` showing `visible`.
host::DisplayTransformation frameOf(int w, int h, const host::Envelope& visible, double dpi = 96.0, double referenceScale = 0.0);

// Draws with the per-element drawing functions: `draw` gets the canvas of a white image.
template <class Draw>
Image drawImage(const host::DisplayTransformation& t, Draw draw) {
    render::SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, t.deviceFrame().right, t.deviceFrame().bottom));
    render::ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    {
        render::Canvas canvas(cr.get(), t);
        draw(canvas);
    }
    cr.reset();
    cairo_surface_flush(surface.get());
    return Image(std::move(surface));
}

host::FillSymbolPtr solidFill(std::uint32_t fill, std::uint32_t outline, double outlineWidth = 0.5);

// A chart as the builder makes it: a bar chart symbol (width, size, max value) with one fill per
// value; no leader.
host::BarChartSymbolPtr barChart(const std::vector<double>& values, const std::vector<std::uint32_t>& fills, double maxValue,
                                 double barWidth = 6.0, double size = 30.0);
std::shared_ptr<host::MarkerElement> markerAt(host::XY p, host::MarkerSymbolPtr symbol);
// A layer of the points of `fc` shown with simple markers of `size` points in colour `bgr`.
host::FeatureLayerPtr markerLayerOf(host::FeatureClassPtr fc, const std::string& name, double size, std::uint32_t bgr);
// A point layer named `name` of `count` points drawn from `random`, uniform in [from, to)² (x
// then y), shown with simple markers of `size` points in colour `bgr`; each feature has one
// field "v" of 1.
host::FeatureLayerPtr randomPointLayer(const std::string& name, std::size_t count, std::mt19937& random, double from, double to,
                                       double size, std::uint32_t bgr);
std::shared_ptr<host::TextElement> textAt(host::XY p, const std::string& text, double size, int hAlign, int vAlign,
                                          const std::string& font = "Arial");
// The break mark of the chart builder: six points across a bar, in white, 1 point wide.
std::shared_ptr<host::LineElement> zigzag(double height, double width, double x, double y);

// The names in a folder, sorted (temporary files of atomic writes start with ".").
std::vector<std::string> entriesOf(const std::filesystem::path& folder);

}  // namespace rendertest
