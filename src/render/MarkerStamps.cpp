#include "render/MarkerStamps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace render {
namespace {

// Enough looks for the markers of a map's layers and renderer classes; beyond, the oldest go.
constexpr std::size_t kMaxEntries = 64;
// Glyph stamps kept at most (sizes × colours × glyphs of a drawing's texts).
constexpr std::size_t kMaxGlyphs = 4096;

// A scratch image of `side` × `side` pixels cut to the pixels something was drawn on, so that
// blending skips the empty border. False, with `image` untouched, when the ink reaches the
// border and `refuseAtBorder` (it may have been clipped there).
bool cutToInk(const std::uint32_t* data, std::ptrdiff_t stride, int side, int pad, bool refuseAtBorder, StampImage& image) {
    int x0 = side, y0 = side, x1 = -1, y1 = -1;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (data[y * stride + x] == 0) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    }
    if (x1 < x0) return true;  // nothing drawn: an empty stamp
    if (refuseAtBorder && (x0 == 0 || y0 == 0 || x1 == side - 1 || y1 == side - 1)) return false;
    image.width = x1 - x0 + 1;
    image.height = y1 - y0 + 1;
    image.offsetX = x0 - pad;
    image.offsetY = y0 - pad;
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(data + (y0 + y) * stride + x0, image.width, image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width);
    }
    return true;
}

}  // namespace

std::unique_ptr<StampImage> MarkerStamps::render(double reach, double px, double py, const Painter& paint) {
    // The centre sits `pad` whole pixels plus the phase into the scratch image, so every pixel
    // the marker may touch (its reach plus the anti-aliased fringe) lies inside.
    const int pad = static_cast<int>(std::ceil(reach)) + 2;
    const int side = 2 * pad + 1;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
    cairo_t* cr = cairo_create(surface);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    paint(cr, pad + px, pad + py);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    auto image = std::make_unique<StampImage>();
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
        const std::ptrdiff_t stride = cairo_image_surface_get_stride(surface) / 4;
        cutToInk(data, stride, side, pad, false, *image);
    }
    cairo_surface_destroy(surface);
    return image;
}

const StampImage* MarkerStamps::stamp(const StampKey& key, double reach, double fx, double fy, int& wholeX, int& wholeY,
                                      const Painter& paint) {
    if (!(reach <= kMaxReach) || !(reach >= 0)) return nullptr;
    if (last_ >= entries_.size() || !(entries_[last_].key == key) || entries_[last_].reach != reach) {
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const Entry& e) { return e.key == key && e.reach == reach; });
        if (found != entries_.end()) {
            last_ = static_cast<std::size_t>(found - entries_.begin());
        } else {
            if (entries_.size() >= kMaxEntries) entries_.erase(entries_.begin());
            Entry entry;
            entry.key = key;
            entry.reach = reach;
            entry.phases.resize(kPhases * kPhases);
            entries_.push_back(std::move(entry));
            last_ = entries_.size() - 1;
        }
    }
    int px = static_cast<int>(std::lround(fx * kPhases)), py = static_cast<int>(std::lround(fy * kPhases));
    if (px >= kPhases) {
        px -= kPhases;
        ++wholeX;
    }
    if (py >= kPhases) {
        py -= kPhases;
        ++wholeY;
    }
    px = std::max(px, 0);
    py = std::max(py, 0);
    std::unique_ptr<StampImage>& slot = entries_[last_].phases[static_cast<std::size_t>(py * kPhases + px)];
    if (!slot) slot = render(reach, static_cast<double>(px) / kPhases, static_cast<double>(py) / kPhases, paint);
    return slot.get();
}

std::unique_ptr<StampImage> GlyphStamps::render(const Key& key, const cairo_font_options_t* options) {
    // The glyph's origin sits whole pixels into a scratch image wide enough for any glyph of
    // the size (an em and a half either way, and a margin); one reaching the border is not
    // stamped.
    const int pad = static_cast<int>(std::ceil(key.pixels * 1.5)) + 4;
    const int side = 2 * pad + 1;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
    cairo_t* cr = cairo_create(surface);
    cairo_set_font_options(cr, options);
    cairo_set_font_face(cr, key.face);
    cairo_set_font_size(cr, key.pixels);
    const double r = (key.bgr & 0xFF) / 255.0, g = ((key.bgr >> 8) & 0xFF) / 255.0, b = ((key.bgr >> 16) & 0xFF) / 255.0;
    if (key.alpha >= 1.0) cairo_set_source_rgb(cr, r, g, b);
    else cairo_set_source_rgba(cr, r, g, b, key.alpha);
    cairo_glyph_t glyph{key.index, static_cast<double>(pad), static_cast<double>(pad)};
    cairo_show_glyphs(cr, &glyph, 1);
    const bool drawn = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    std::unique_ptr<StampImage> image;
    if (drawn && cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
        const std::ptrdiff_t stride = cairo_image_surface_get_stride(surface) / 4;
        image = std::make_unique<StampImage>();
        if (!cutToInk(data, stride, side, pad, true, *image)) image.reset();
    }
    cairo_surface_destroy(surface);
    return image;
}

const StampImage* GlyphStamps::glyph(cairo_font_face_t* face, const cairo_font_options_t* options, double pixels,
                                     unsigned long index, std::uint32_t bgr, double alpha) {
    if (!face || !(pixels > 0) || !(pixels <= kMaxPixels)) return nullptr;
    const Key key{face, pixels, index, bgr & 0xFFFFFFu, alpha};
    if (table_.empty() || used_ * 2 >= table_.size()) {
        // A map's labels use a few glyphs at a few sizes; a table this full is cleared.
        if (table_.size() >= kMaxGlyphs * 2) {
            table_.clear();
            used_ = 0;
        }
        std::vector<Entry> old;
        old.swap(table_);
        table_.resize(std::max<std::size_t>(64, old.size() * 2));
        used_ = 0;
        for (Entry& e : old) {
            if (!e.key.face) continue;
            Entry& slot = table_[find(e.key)];
            slot = std::move(e);
            ++used_;
        }
    }
    Entry& slot = table_[find(key)];
    if (!slot.key.face) {
        slot.key = key;
        slot.image = render(key, options);
        ++used_;
    }
    return slot.image.get();
}

std::size_t GlyphStamps::find(const Key& key) const {
    std::uint64_t h = reinterpret_cast<std::uintptr_t>(key.face);
    const auto mix = [&h](std::uint64_t v) {
        h ^= v + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    };
    std::uint64_t pixelBits = 0, alphaBits = 0;
    static_assert(sizeof(double) == sizeof(std::uint64_t));
    std::memcpy(&pixelBits, &key.pixels, sizeof pixelBits);
    std::memcpy(&alphaBits, &key.alpha, sizeof alphaBits);
    mix(pixelBits);
    mix(key.index);
    mix(key.bgr);
    mix(alphaBits);
    const std::size_t mask = table_.size() - 1;
    std::size_t i = static_cast<std::size_t>(h) & mask;
    while (table_[i].key.face && !(table_[i].key == key)) i = (i + 1) & mask;
    return i;
}

void blendStamp(const StampImage& stamp, std::uint32_t* data, int width, int height, std::ptrdiff_t stride, int x, int y) {
    const int sx0 = std::max(0, -x), sy0 = std::max(0, -y);
    const int sx1 = std::min(stamp.width, width - x), sy1 = std::min(stamp.height, height - y);
    if (sx0 >= sx1 || sy0 >= sy1) return;
    // Every row asked for at once (rows lie a picture's width apart, seldom in the cache).
    if (sy1 - sy0 <= 64) {
        for (int sy = sy0; sy < sy1; ++sy) {
            const std::uint32_t* row = data + static_cast<std::ptrdiff_t>(y + sy) * stride + x;
            __builtin_prefetch(row + sx0, 1);
            __builtin_prefetch(row + sx1 - 1, 1);
        }
    }
    for (int sy = sy0; sy < sy1; ++sy) {
        const std::uint32_t* src = stamp.pixels.data() + static_cast<std::ptrdiff_t>(sy) * stamp.width;
        std::uint32_t* row = data + static_cast<std::ptrdiff_t>(y + sy) * stride + x;
        for (int sx = sx0; sx < sx1; ++sx) {
            const std::uint32_t s = src[sx];
            const std::uint32_t a = s >> 24;
            if (a == 0) continue;
            if (a == 255) {
                row[sx] = s;
                continue;
            }
            // dst × (255 − a) / 255 + src, two channels at a time, rounded as cairo's pixman does.
            const std::uint32_t inverse = 255 - a, d = row[sx];
            std::uint32_t rb = (d & 0xFF00FFu) * inverse + 0x800080u;
            rb = ((rb + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
            std::uint32_t ag = ((d >> 8) & 0xFF00FFu) * inverse + 0x800080u;
            ag = (ag + ((ag >> 8) & 0xFF00FFu)) & 0xFF00FF00u;
            // Premultiplied channels never exceed alpha, so the sums stay within a byte.
            row[sx] = (rb | ag) + s;
        }
    }
}

}  // namespace render
