#include "render/Canvas.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/Error.h"

namespace render {
namespace {

// Antialiased edges reach a pixel beyond a box; a box that far outside still shows.
constexpr double kClipMargin = 2.0;
// Coordinates beyond the frame by more than this are clamped before they reach cairo.
constexpr double kGuardMargin = 4096.0;

bool sameFace(const host::FontSpec& a, const host::FontSpec& b) {
    return a.bold == b.bold && a.italic == b.italic && a.name == b.name;
}

}  // namespace

void DeviceBox::include(double x, double y) {
    if (empty) {
        x0 = x1 = x;
        y0 = y1 = y;
        empty = false;
        return;
    }
    x0 = std::min(x0, x);
    x1 = std::max(x1, x);
    y0 = std::min(y0, y);
    y1 = std::max(y1, y);
}

void DeviceBox::include(const DeviceBox& other) {
    if (other.empty) return;
    include(other.x0, other.y0);
    include(other.x1, other.y1);
}

Canvas::Canvas(cairo_t* cr, const host::DisplayTransformation& transformation, Mode mode) : cr_(cr), mode_(mode) {
    display_.displayTransformation() = transformation;
    const host::DisplayTransformation& t = display_.displayTransformation();
    const host::DeviceFrame& frame = t.deviceFrame();
    left_ = frame.left;
    top_ = frame.top;
    if (!t.visibleBounds().isEmpty()) {
        xMin_ = t.visibleBounds().xMin();
        yMax_ = t.visibleBounds().yMax();
    }
    const auto finiteOrZero = [](double v) { return std::isfinite(v) && v > 0 ? v : 0.0; };
    pixelsPerMapUnit_ = finiteOrZero(t.pixelsPerMapUnit());
    mapUnitsPerPoint_ = finiteOrZero(t.mapUnitsPerPoint());
    pixelsPerPoint_ = finiteOrZero(t.pixelsPerPoint());
    pixelsPerPointUnscaled_ = finiteOrZero(t.pixelsPerPointAtMapScale());

    const bool usable =
        pixelsPerMapUnit_ > 0 && frame.width() > 0 && frame.height() > 0 && std::isfinite(xMin_) && std::isfinite(yMax_);
    if (measuring()) {
        constexpr double inf = std::numeric_limits<double>::infinity();
        clip_ = {-inf, -inf, inf, inf, !usable};
    } else if (usable) {
        clip_ = {frame.left - kClipMargin, frame.top - kClipMargin, frame.right + kClipMargin, frame.bottom + kClipMargin, false};
    }
    guard_ = usable ? DeviceBox{frame.left - kGuardMargin, frame.top - kGuardMargin, frame.right + kGuardMargin,
                                frame.bottom + kGuardMargin, false}
                    : DeviceBox{};
    if (cr_) {
        cairo_set_font_options(cr_, Font::options());
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_surface_t* target = cairo_get_target(cr_);
        cairo_matrix_t m;
        cairo_get_matrix(cr_, &m);
        const bool identity = m.xx == 1 && m.yy == 1 && m.xy == 0 && m.yx == 0 && m.x0 == 0 && m.y0 == 0;
        double clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
        cairo_clip_extents(cr_, &clipX0, &clipY0, &clipX1, &clipY1);
        if (!measuring() && identity && cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE &&
            (cairo_image_surface_get_format(target) == CAIRO_FORMAT_ARGB32 ||
             cairo_image_surface_get_format(target) == CAIRO_FORMAT_RGB24) &&
            cairo_surface_status(target) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_data(target)) {
            const int w = cairo_image_surface_get_width(target), h = cairo_image_surface_get_height(target);
            // Pixels are written straight only where cairo would write them: no clip.
            if (clipX0 <= 0 && clipY0 <= 0 && clipX1 >= w && clipY1 >= h) {
                cairo_surface_flush(target);
                // Tell cairo the pixels are in use, or it may take a fresh surface for empty and
                // paint over what was written here.
                cairo_surface_mark_dirty(target);
                raster_.surface = target;
                raster_.data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(target));
                raster_.width = w;
                raster_.height = h;
                raster_.stride = cairo_image_surface_get_stride(target) / 4;
            }
        }
    }
}

Canvas::~Canvas() {
    if (raster_.surface) cairo_surface_mark_dirty(raster_.surface);
}

bool Canvas::admit(const DeviceBox& box) {
    if (!visible(box)) return false;
    if (measuring()) {
        measured_.include(box);
        return false;
    }
    return cr_ != nullptr;
}

bool Canvas::setColor(const host::RgbColor& color, double opacity) {
    const double alpha = (255 - color.transparency()) / 255.0 * opacity;
    if (!(alpha > 0)) return false;
    setColorValue(color.rgb(), std::min(alpha, 1.0));
    return true;
}

void Canvas::setColorValue(std::uint32_t bgr, double alpha) {
    colorBgr_ = bgr & 0xFFFFFF;
    colorAlpha_ = alpha;
    const auto key = (static_cast<std::uint64_t>(bgr & 0xFFFFFF) << 32) | static_cast<std::uint64_t>(std::lround(alpha * 1e6));
    if (key == colorKey_) return;
    colorKey_ = key;
    const double r = (bgr & 0xFF) / 255.0, g = ((bgr >> 8) & 0xFF) / 255.0, b = ((bgr >> 16) & 0xFF) / 255.0;
    if (alpha >= 1.0) cairo_set_source_rgb(cr_, r, g, b);
    else cairo_set_source_rgba(cr_, r, g, b, alpha);
}

void Canvas::fillRect(double x0, double y0, double x1, double y1) {
    if (measuring() || !cr_) return;
    x0 = std::clamp(x0, guard_.x0, guard_.x1);
    x1 = std::clamp(x1, guard_.x0, guard_.x1);
    y0 = std::clamp(y0, guard_.y0, guard_.y1);
    y1 = std::clamp(y1, guard_.y0, guard_.y1);
    if (!(x1 > x0) || !(y1 > y0)) return;
    if (raster_.data && scopes_ == 0 && colorAlpha_ >= 1.0) {
        rasterRect(x0, y0, x1, y1);
        return;
    }
    cairo_rectangle(cr_, x0, y0, x1 - x0, y1 - y0);
    cairo_fill(cr_);
}

void Canvas::rasterRect(double x0, double y0, double x1, double y1) {
    x0 = std::max(x0, 0.0);
    y0 = std::max(y0, 0.0);
    x1 = std::min(x1, static_cast<double>(raster_.width));
    y1 = std::min(y1, static_cast<double>(raster_.height));
    if (!(x1 > x0) || !(y1 > y0)) return;
    const std::uint32_t r = colorBgr_ & 0xFF, g = (colorBgr_ >> 8) & 0xFF, b = (colorBgr_ >> 16) & 0xFF;
    const std::uint32_t argb = 0xFF000000u | (r << 16) | (g << 8) | b;
    const auto level = [](double coverage) { return static_cast<std::uint32_t>(coverage * 255.0 + 0.5); };
    // Source over with an opaque colour at coverage c (0…255): every channel, alpha too, moves
    // from the pixel's value towards the colour's by c / 255; two channels at a time.
    const auto blend = [argb](std::uint32_t& pixel, std::uint32_t c) {
        if (c == 0) return;
        if (c >= 255) {
            pixel = argb;
            return;
        }
        const std::uint32_t inverse = 255 - c;
        std::uint32_t rb = (argb & 0xFF00FFu) * c + (pixel & 0xFF00FFu) * inverse + 0x800080u;
        rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
        std::uint32_t ag = ((argb >> 8) & 0xFF00FFu) * c + ((pixel >> 8) & 0xFF00FFu) * inverse + 0x800080u;
        ag = (ag + ((ag >> 8) & 0xFF00FFu)) & 0xFF00FF00u;
        pixel = rb | ag;
    };
    const int ix0 = static_cast<int>(std::floor(x0)), ix1 = static_cast<int>(std::ceil(x1));
    const int iy0 = static_cast<int>(std::floor(y0)), iy1 = static_cast<int>(std::ceil(y1));
    // Columns wholly inside, and how much of the partial column at either end is covered.
    const int full0 = static_cast<int>(std::ceil(x0)), full1 = static_cast<int>(std::floor(x1));
    const bool narrow = ix1 - ix0 == 1;
    const double leftCover = narrow ? x1 - x0 : full0 - x0, rightCover = x1 - full1;
    const std::uint32_t leftFull = level(leftCover), rightFull = level(rightCover);
    for (int y = iy0; y < iy1; ++y) {
        const double cy = std::min(y + 1.0, y1) - std::max(static_cast<double>(y), y0);
        std::uint32_t* row = raster_.data + static_cast<std::ptrdiff_t>(y) * raster_.stride;
        const bool whole = cy >= 1.0;
        if (narrow) {
            blend(row[ix0], whole ? leftFull : level(leftCover * cy));
            continue;
        }
        if (full0 > ix0) blend(row[ix0], whole ? leftFull : level(leftCover * cy));
        if (whole) {
            std::fill(row + full0, row + std::max(full0, full1), argb);
        } else {
            const std::uint32_t c = level(cy);
            for (int x = full0; x < full1; ++x) blend(row[x], c);
        }
        if (full1 < ix1 && full1 >= full0) blend(row[full1], whole ? rightFull : level(rightCover * cy));
    }
}

void Canvas::setFont(const Font& font, double pixels) {
    if (&font != currentFont_) {
        cairo_set_font_face(cr_, font.face());
        currentFont_ = &font;
        currentFontPixels_ = -1;
    }
    if (pixels != currentFontPixels_) {
        cairo_set_font_size(cr_, pixels);
        currentFontPixels_ = pixels;
    }
}

const Font& Canvas::font(const host::FontSpec& request) {
    if (!lastFont_ || !sameFace(request, lastRequest_)) {
        lastFont_ = FontCache::instance().font(request);
        lastRequest_ = request;
    }
    return *lastFont_;
}

void Canvas::invalidateState() {
    colorKey_ = ~0ull;
    currentFont_ = nullptr;
    currentFontPixels_ = -1;
}

void Canvas::setProgress(ProgressCallback callback, std::size_t total) {
    progress_ = std::move(callback);
    total_ = total;
    done_ = 0;
    // About two hundred reports over a drawing, and none more often than every 256 units.
    step_ = std::max<std::size_t>(256, total / 200);
    nextReport_ = progress_ ? step_ : ~std::size_t{0};
}

void Canvas::report() {
    nextReport_ = done_ + step_;
    if (progress_ && !progress_(std::min(done_, total_), total_)) {
        raise(code::Cancelled, "Plotlet.Render", "The drawing was cancelled.");
    }
}

void Canvas::finishProgress() {
    if (progress_ && !progress_(total_, total_)) raise(code::Cancelled, "Plotlet.Render", "The drawing was cancelled.");
}

void Canvas::check(const char* what) const {
    if (cr_) checkContext(cr_, what);
}

}  // namespace render
