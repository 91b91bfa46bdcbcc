#pragma once
// One drawing in progress: a cairo context whose user space is the device frame in pixels, the
// display transformation of the drawing, and what the drawing functions share so that a map of
// a million charts draws without per-chart allocations (a chart layout, a glyph buffer, the
// current colour and font).
//
// Sizes follow the host's rule: a symbol of s points is s × mapUnitsPerPoint map units, hence
// s × mapUnitsPerPoint × pixelsPerMapUnit pixels; the bounds the host measures on display()
// and the boxes drawn here are computed from the same numbers.
//
// A canvas may also measure instead of drawing: every drawing function then reports the pixel
// box it would cover and draws nothing (exports use it to fit the extent to what is drawn).
#include <cairo.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "host/ChartGeometry.h"
#include "host/Element.h"
#include "host/GraphicsContainer.h"
#include "render/CairoDisplay.h"
#include "render/Fonts.h"
#include "render/MarkerStamps.h"

namespace render {

// A box in device pixels, y down.
struct DeviceBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool empty = true;
    void include(double x, double y);
    void include(const DeviceBox& other);
};

// The pixels of a band (bit per pixel) that some drawing overwrites whole with an opaque colour.
class OpaqueMask {
public:
    OpaqueMask(int width, int rows);
    int width() const { return width_; }
    int rows() const { return rows_; }
    void clear();
    // Pixel columns [x0, x1) of rows [y0, y1), clipped to the mask.
    void add(int x0, int y0, int x1, int y1);
    bool covers(int x0, int y0, int x1, int y1) const;

private:
    int width_, rows_;
    std::size_t words_;
    std::vector<std::uint64_t> bits_;
};

// Called now and then with the work done and the work there is (elements and features); a
// false answer stops the drawing with a render error (code::Cancelled).
using ProgressCallback = std::function<bool(std::size_t done, std::size_t total)>;

class Canvas {
public:
    enum class Mode { Draw, Measure };

    // Draws with `cr`, whose user space must be the device frame's pixels. The canvas does not
    // own the context.
    Canvas(cairo_t* cr, const host::DisplayTransformation& transformation, Mode mode = Mode::Draw);
    // A band of the frame's rows [rows.top, rows.bottom): `cr`'s user space is the band, its
    // row 0 the frame's row rows.top. Everything lands on the same pixels as on a canvas of the
    // whole frame (the offset is a whole number of rows), and what lies outside the band is
    // passed over. `elements`, when given, lists for each graphics container the elements that
    // may show in the band, in drawing order; the band draws those instead of walking it.
    struct Rows {
        int top = 0, bottom = 0;
    };
    using ContainerLists = std::unordered_map<const host::GraphicsContainer*, std::vector<const host::Element*>>;
    Canvas(cairo_t* cr, const host::DisplayTransformation& transformation, Rows rows, const ContainerLists* elements);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    cairo_t* cr() const { return cr_; }
    bool measuring() const { return mode_ == Mode::Measure; }
    // The display of this drawing: bounds measured on it equal what this canvas draws.
    const CairoDisplay& display() const { return display_; }
    const host::DisplayTransformation& transformation() const { return display_.displayTransformation(); }

    // Map units → device pixels (NaN stays NaN).
    host::XY toDevice(host::XY p) const {
        return {left_ + (p.x - xMin_) * pixelsPerMapUnit_, top_ + (yMax_ - p.y) * pixelsPerMapUnit_};
    }
    double pixelsPerMapUnit() const { return pixelsPerMapUnit_; }
    double mapUnitsPerPoint() const { return mapUnitsPerPoint_; }
    // Pixels per point of a symbol (reference scale applied).
    double pixelsPerPoint() const { return pixelsPerPoint_; }
    // Pixels per point of a text that does not scale with the reference scale.
    double pixelsPerPointUnscaled() const { return pixelsPerPointUnscaled_; }

    // Whether a device box can show anything inside the frame (the culling test), and, in
    // measure mode, the place where the box is recorded.
    bool visible(const DeviceBox& box) const {
        return !box.empty && box.x1 >= clip_.x0 && box.x0 <= clip_.x1 && box.y1 >= clip_.y0 && box.y0 <= clip_.y1;
    }
    // Records a box in measure mode; true when the caller should go on and draw it.
    bool admit(const DeviceBox& box);
    const DeviceBox& measured() const { return measured_; }
    void clearMeasured() {
        measured_ = {};
        overhang_ = 0;
    }
    // How far the ink of a measured text may reach beyond its box (glyphs overhang their advance
    // box by a part of the font size): the largest noted since clearMeasured.
    void noteOverhang(double pixels) {
        if (pixels > overhang_) overhang_ = pixels;
    }
    double measuredOverhang() const { return overhang_; }
    // Occlusion: while a mask is set the canvas draws nothing; the opaque rectangles a drawing
    // writes straight into the pixels (the bars of charts) record the pixels they overwrite
    // whole in the mask instead. Boxes are not admitted, so only what asks for the mask's sake
    // (see occluding()) takes part.
    void setOcclusionMask(OpaqueMask* mask) { occlusion_ = mask; }
    bool occluding() const { return occlusion_ != nullptr; }
    // The map area this canvas shows: the visible bounds, or the band's part of them.
    host::Envelope shownMapArea() const;
    // Lists of elements to draw (or measure) instead of walking their containers, as a band's.
    void setElementLists(const ContainerLists* lists) { bandElements_ = lists; }
    // A band's elements of a container (see the band constructor); null on any other canvas.
    const std::vector<const host::Element*>* bandElements(const host::GraphicsContainer& container) const {
        if (!bandElements_) return nullptr;
        const auto it = bandElements_->find(&container);
        return it == bandElements_->end() ? nullptr : &it->second;
    }
    // The frame grown by a margin: coordinates are clamped to it before they reach cairo,
    // whose fixed-point numbers cannot hold arbitrary doubles.
    const DeviceBox& guard() const { return guard_; }

    // Colour 0x00BBGGRR with the colour's transparency, times `opacity`; false when nothing
    // would show (a null colour).
    bool setColor(const host::RgbColor& color, double opacity = 1.0);
    void setColorValue(std::uint32_t bgr, double alpha);
    // Fills an axis-aligned device rectangle with the current colour (clamped to the guard).
    // On an image, an opaque colour is written straight into the pixels with each edge pixel
    // covered in proportion to its area (what cairo's antialiasing gives, without building a
    // path): the bars of a million charts are most of a big map's drawing.
    void fillRect(double x0, double y0, double x1, double y1);
    // A rectangle with a frame `edge` pixels wide either side of its edges in opaque `edgeBgr`,
    // filled inside the frame with opaque `fillBgr`: what a solid fill with a solid outline
    // draws, and the same pixels as the frame's outer rectangle filled with the fill over it.
    // The current colour is unknown afterwards: set it before drawing more.
    void fillFramedRect(double x0, double y0, double x1, double y1, double edge, std::uint32_t edgeBgr, std::uint32_t fillBgr);
    // Whether a marker may be stamped into the pixels: an image target drawn without clip or
    // transformation, outside any scope.
    bool canStamp() const { return raster_.data && scopes_ == 0 && !measuring(); }
    MarkerStamps& markerStamps() { return stamps_; }
    GlyphStamps& glyphStamps() { return glyphStamps_; }
    // The current colour (0x00BBGGRR) and its opacity.
    std::uint32_t colorBgr() const { return colorBgr_; }
    double colorAlpha() const { return colorAlpha_; }
    // Blends a stamp with its first pixel at (x, y); only when canStamp().
    void blendStamp(const StampImage& stamp, int x, int y) {
        render::blendStamp(stamp, raster_.data, raster_.width, raster_.height, raster_.stride, x, y);
    }
    // Sets face and pixel size of the text to come, when they changed.
    void setFont(const Font& font, double pixels);
    // The font of a request (family, weight, slant), remembered between calls: the labels of
    // a map share a few fonts.
    const Font& font(const host::FontSpec& request);

    // Scratch space of the drawing functions.
    host::BarChartLayout& chartLayout() { return chartLayout_; }
    std::vector<cairo_glyph_t>& glyphBuffer() { return glyphs_; }

    // Progress: `total` units; tick() once per element or feature.
    void setProgress(ProgressCallback callback, std::size_t total);
    void tick() {
        if (++done_ >= nextReport_) report();
    }
    // Ends the progress (a last report with done = total).
    void finishProgress();

    // cairo_save for the life of the scope; on leaving, cairo_restore and the canvas forgets
    // the colour and font it believed were set (the restore brought back older ones).
    class Scope {
    public:
        explicit Scope(Canvas& canvas) : canvas_(canvas) {
            cairo_save(canvas_.cr_);
            ++canvas_.scopes_;  // a clip or transformation may follow: no direct pixel writes
        }
        ~Scope() {
            cairo_restore(canvas_.cr_);
            --canvas_.scopes_;
            canvas_.invalidateState();
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Canvas& canvas_;
    };

    // Raises a render error when cairo failed on this context.
    void check(const char* what) const;

    // Nesting guard for groups and multi-layer symbols (a cycle must not hang the drawing).
    static constexpr int kMaxDepth = 64;

private:
    void report();
    void invalidateState();
    // One rectangle's rows on the raster: its pixel columns and the coverage of its edges.
    struct Span {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        std::uint32_t argb = 0;
        int ix0 = 0, ix1 = 0, iy0 = 0, iy1 = 0, full0 = 0, full1 = 0;
        bool narrow = false;
        double leftCover = 0, rightCover = 0;
        std::uint32_t leftFull = 0, rightFull = 0;
        bool rowWhole(int y) const { return std::min(y + 1.0, y1) - std::max(static_cast<double>(y), y0) >= 1.0; }
    };
    static std::uint32_t level(double coverage) { return static_cast<std::uint32_t>(coverage * 255.0 + 0.5); }
    Span spanOf(double x0, double y0, double x1, double y1, std::uint32_t bgr) const;
    void rasterRow(const Span& span, int y, int skip0, int skip1);
    void prefetchRows(const Span& span) const;

    // The pixels of an image target drawn without a transformation (else null).
    struct Raster {
        std::uint32_t* data = nullptr;
        int width = 0, height = 0;
        std::ptrdiff_t stride = 0;  // in pixels
        cairo_surface_t* surface = nullptr;
    };
    Raster raster_;
    int scopes_ = 0;
    std::uint32_t colorBgr_ = 0;
    double colorAlpha_ = 0;

    cairo_t* cr_;
    Mode mode_;
    CairoDisplay display_;
    double xMin_ = 0, yMax_ = 0, left_ = 0, top_ = 0;
    double pixelsPerMapUnit_ = 0, mapUnitsPerPoint_ = 0, pixelsPerPoint_ = 0, pixelsPerPointUnscaled_ = 0;
    DeviceBox clip_, guard_, measured_;
    double overhang_ = 0;
    Rows rows_;
    const ContainerLists* bandElements_ = nullptr;
    OpaqueMask* occlusion_ = nullptr;
    // The pixels a rectangle clamped to the guard covers whole, recorded in the occlusion mask.
    void occlude(double x0, double y0, double x1, double y1);

    std::uint64_t colorKey_ = ~0ull;
    const Font* currentFont_ = nullptr;
    double currentFontPixels_ = -1;
    host::FontSpec lastRequest_;
    std::shared_ptr<const Font> lastFont_;

    host::BarChartLayout chartLayout_;
    MarkerStamps stamps_;
    GlyphStamps glyphStamps_;
    std::vector<cairo_glyph_t> glyphs_;

    ProgressCallback progress_;
    std::size_t total_ = 0, done_ = 0, nextReport_ = ~std::size_t{0}, step_ = 0;
};

}  // namespace render
