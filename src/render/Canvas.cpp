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

// Source over with an opaque colour at coverage c (0…255): every channel, alpha too, moves
// from the pixel's value towards the colour's by c / 255; two channels at a time.
inline void blendOpaque(std::uint32_t& pixel, std::uint32_t argb, std::uint32_t c) {
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
}

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

Canvas::Canvas(cairo_t* cr, const host::DisplayTransformation& transformation, Rows rows, const ContainerLists* elements)
    : Canvas(cr, transformation) {
    rows_ = rows;
    bandElements_ = elements;
    if (clip_.empty) return;
    // Band coordinates: the frame's less the band's top row. The guard stays where the whole
    // frame has it, so shapes clamped to it are clamped alike in every band.
    const double shift = rows.top;
    top_ -= shift;
    clip_.y0 = -kClipMargin;
    clip_.y1 = rows.bottom - rows.top + kClipMargin;
    guard_.y0 -= shift;
    guard_.y1 -= shift;
}

host::Envelope Canvas::shownMapArea() const {
    const host::Envelope& bounds = transformation().visibleBounds();
    if (rows_.bottom <= rows_.top || bounds.isEmpty() || !(pixelsPerMapUnit_ > 0)) return bounds;
    const double frameTop = transformation().deviceFrame().top;
    const double yTop = yMax_ - (rows_.top - frameTop) / pixelsPerMapUnit_;
    const double yBottom = yMax_ - (rows_.bottom - frameTop) / pixelsPerMapUnit_;
    return host::Envelope(bounds.xMin(), std::max(bounds.yMin(), yBottom), bounds.xMax(), std::min(bounds.yMax(), yTop));
}

Canvas::~Canvas() {
    if (raster_.surface) cairo_surface_mark_dirty(raster_.surface);
}

OpaqueMask::OpaqueMask(int width, int rows)
    : width_(std::max(0, width)), rows_(std::max(0, rows)), words_((static_cast<std::size_t>(width_) + 63) / 64),
      bits_(words_ * static_cast<std::size_t>(rows_)) {}

void OpaqueMask::clear() { std::fill(bits_.begin(), bits_.end(), 0); }

namespace {
// Bits [from, to) of a word's 64 (from < to ≤ 64).
std::uint64_t bitRange(int from, int to) {
    const std::uint64_t high = to >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
    return high & ~((std::uint64_t{1} << from) - 1);
}
}  // namespace

void OpaqueMask::add(int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, rows_);
    if (x1 <= x0 || y1 <= y0) return;
    for (int y = y0; y < y1; ++y) {
        std::uint64_t* row = bits_.data() + static_cast<std::size_t>(y) * words_;
        for (int x = x0; x < x1;) {
            const int word = x / 64, end = std::min(x1, (word + 1) * 64);
            row[word] |= bitRange(x - word * 64, end - word * 64);
            x = end;
        }
    }
}

bool OpaqueMask::covers(int x0, int y0, int x1, int y1) const {
    if (x0 < 0 || y0 < 0 || x1 > width_ || y1 > rows_) return false;
    if (x1 <= x0 || y1 <= y0) return true;
    for (int y = y0; y < y1; ++y) {
        const std::uint64_t* row = bits_.data() + static_cast<std::size_t>(y) * words_;
        for (int x = x0; x < x1;) {
            const int word = x / 64, end = std::min(x1, (word + 1) * 64);
            const std::uint64_t want = bitRange(x - word * 64, end - word * 64);
            if ((row[word] & want) != want) return false;
            x = end;
        }
    }
    return true;
}

void Canvas::occlude(double x0, double y0, double x1, double y1) {
    // What the pixel writers below fill whole: the columns and rows inside the rectangle as
    // clamped to the picture (edge pixels they blend are left out).
    x0 = std::max(x0, 0.0);
    y0 = std::max(y0, 0.0);
    if (!(x1 > x0) || !(y1 > y0)) return;
    const double limit = 1e9;
    occlusion_->add(static_cast<int>(std::ceil(std::min(x0, limit))), static_cast<int>(std::ceil(std::min(y0, limit))),
                    static_cast<int>(std::floor(std::min(x1, limit))), static_cast<int>(std::floor(std::min(y1, limit))));
}

bool Canvas::admit(const DeviceBox& box) {
    if (occlusion_ || !visible(box)) return false;
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
    if (occlusion_) {
        // A band's canvas writes these pixels straight (no scope there either): see below.
        if (scopes_ == 0 && colorAlpha_ >= 1.0) occlude(x0, y0, x1, y1);
        return;
    }
    if (raster_.data && scopes_ == 0 && colorAlpha_ >= 1.0) {
        const Span span = spanOf(x0, y0, x1, y1, colorBgr_);
        prefetchRows(span);
        for (int y = span.iy0; y < span.iy1; ++y) rasterRow(span, y, 0, 0);
        return;
    }
    cairo_rectangle(cr_, x0, y0, x1 - x0, y1 - y0);
    cairo_fill(cr_);
}

void Canvas::fillFramedRect(double x0, double y0, double x1, double y1, double edge, std::uint32_t edgeBgr,
                            std::uint32_t fillBgr) {
    if (measuring() || !cr_) return;
    const bool inner = x1 - x0 > 2 * edge && y1 - y0 > 2 * edge;
    if (occlusion_) {
        // Frame and fill together overwrite every whole pixel of the frame's outer rectangle.
        if (scopes_ == 0) {
            occlude(std::clamp(x0 - edge, guard_.x0, guard_.x1), std::clamp(y0 - edge, guard_.y0, guard_.y1),
                    std::clamp(x1 + edge, guard_.x0, guard_.x1), std::clamp(y1 + edge, guard_.y0, guard_.y1));
        }
        return;
    }
    if (!raster_.data || scopes_ != 0) {
        setColorValue(edgeBgr, 1.0);
        fillRect(x0 - edge, y0 - edge, x1 + edge, y1 + edge);
        if (inner) {
            setColorValue(fillBgr, 1.0);
            fillRect(x0 + edge, y0 + edge, x1 - edge, y1 - edge);
        }
        return;
    }
    // The frame's rows, leaving out the pixels the fill then covers whole (they would be
    // written twice, and a map of a million charts is mostly bars): the same pixels as the
    // frame filled and the fill drawn over it.
    const auto clampX = [&](double x) { return std::clamp(x, guard_.x0, guard_.x1); };
    const auto clampY = [&](double y) { return std::clamp(y, guard_.y0, guard_.y1); };
    const double ox0 = clampX(x0 - edge), ox1 = clampX(x1 + edge), oy0 = clampY(y0 - edge), oy1 = clampY(y1 + edge);
    const double ix0 = clampX(x0 + edge), ix1 = clampX(x1 - edge), iy0 = clampY(y0 + edge), iy1 = clampY(y1 - edge);
    const bool frame = ox1 > ox0 && oy1 > oy0;
    const bool fill = inner && ix1 > ix0 && iy1 > iy0;
    Span outer{}, in{};
    if (frame) outer = spanOf(ox0, oy0, ox1, oy1, edgeBgr);
    if (fill) in = spanOf(ix0, iy0, ix1, iy1, fillBgr);
    if (frame) prefetchRows(outer);
    if (frame) {
        for (int y = outer.iy0; y < outer.iy1; ++y) {
            // Rows where the fill covers its whole columns: those columns are the fill's alone.
            const bool covered = fill && y >= in.iy0 && y < in.iy1 && !in.narrow && in.full1 > in.full0 &&
                                 ((y > in.iy0 && y + 1 < in.iy1) || in.rowWhole(y));
            rasterRow(outer, y, covered ? in.full0 : 0, covered ? in.full1 : 0);
        }
    }
    if (fill) {
        for (int y = in.iy0; y < in.iy1; ++y) rasterRow(in, y, 0, 0);
    }
}

Canvas::Span Canvas::spanOf(double x0, double y0, double x1, double y1, std::uint32_t bgr) const {
    Span s;
    s.x0 = std::max(x0, 0.0);
    s.y0 = std::max(y0, 0.0);
    s.x1 = std::min(x1, static_cast<double>(raster_.width));
    s.y1 = std::min(y1, static_cast<double>(raster_.height));
    if (!(s.x1 > s.x0) || !(s.y1 > s.y0)) return s;  // no rows
    const std::uint32_t r = bgr & 0xFF, g = (bgr >> 8) & 0xFF, b = (bgr >> 16) & 0xFF;
    s.argb = 0xFF000000u | (r << 16) | (g << 8) | b;
    s.ix0 = static_cast<int>(std::floor(s.x0));
    s.ix1 = static_cast<int>(std::ceil(s.x1));
    s.iy0 = static_cast<int>(std::floor(s.y0));
    s.iy1 = static_cast<int>(std::ceil(s.y1));
    // Columns wholly inside, and how much of the partial column at either end is covered.
    s.full0 = static_cast<int>(std::ceil(s.x0));
    s.full1 = static_cast<int>(std::floor(s.x1));
    s.narrow = s.ix1 - s.ix0 == 1;
    s.leftCover = s.narrow ? s.x1 - s.x0 : s.full0 - s.x0;
    s.rightCover = s.x1 - s.full1;
    s.leftFull = level(s.leftCover);
    s.rightFull = level(s.rightCover);
    return s;
}

void Canvas::prefetchRows(const Span& s) const {
    // The rows of a small rectangle lie a picture's width apart, each most likely out of the
    // cache (the charts of a big map fall anywhere): asked for all at once, they arrive
    // together instead of one after another.
    if (s.iy1 - s.iy0 > 64) return;
    for (int y = s.iy0; y < s.iy1; ++y) {
        const std::uint32_t* row = raster_.data + static_cast<std::ptrdiff_t>(y) * raster_.stride;
        __builtin_prefetch(row + s.ix0, 1);
        __builtin_prefetch(row + s.ix1 - 1, 1);
    }
}

void Canvas::rasterRow(const Span& s, int y, int skip0, int skip1) {
    if (y > s.iy0 && y + 1 < s.iy1) {
        // A row between the first and the last is covered whole: no coverage to work out.
        std::uint32_t* row = raster_.data + static_cast<std::ptrdiff_t>(y) * raster_.stride;
        if (s.narrow) {
            blendOpaque(row[s.ix0], s.argb, s.leftFull);
            return;
        }
        if (s.full0 > s.ix0) blendOpaque(row[s.ix0], s.argb, s.leftFull);
        const int end = std::max(s.full0, s.full1);
        if (skip1 > skip0) {
            std::fill(row + s.full0, row + std::max(s.full0, std::min(end, skip0)), s.argb);
            std::fill(row + std::min(end, std::max(s.full0, skip1)), row + end, s.argb);
        } else {
            std::fill(row + s.full0, row + end, s.argb);
        }
        if (s.full1 < s.ix1 && s.full1 >= s.full0) blendOpaque(row[s.full1], s.argb, s.rightFull);
        return;
    }
    const std::uint32_t argb = s.argb;
    const auto blend = [argb](std::uint32_t& pixel, std::uint32_t c) { blendOpaque(pixel, argb, c); };
    const double cy = std::min(y + 1.0, s.y1) - std::max(static_cast<double>(y), s.y0);
    std::uint32_t* row = raster_.data + static_cast<std::ptrdiff_t>(y) * raster_.stride;
    const bool whole = cy >= 1.0;
    if (s.narrow) {
        blend(row[s.ix0], whole ? s.leftFull : level(s.leftCover * cy));
        return;
    }
    if (s.full0 > s.ix0) blend(row[s.ix0], whole ? s.leftFull : level(s.leftCover * cy));
    const int end = std::max(s.full0, s.full1);
    // Columns [skip0, skip1) are left to a fill drawn next that covers them whole.
    const auto run = [&](int from, int to) {
        if (to <= from) return;
        if (whole) {
            std::fill(row + from, row + to, argb);
        } else {
            const std::uint32_t c = level(cy);
            for (int x = from; x < to; ++x) blend(row[x], c);
        }
    };
    if (skip1 > skip0) {
        run(s.full0, std::min(end, skip0));
        run(std::max(s.full0, skip1), end);
    } else {
        run(s.full0, end);
    }
    if (s.full1 < s.ix1 && s.full1 >= s.full0) blend(row[s.full1], whole ? s.rightFull : level(s.rightCover * cy));
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
