#pragma once
// Small markers drawn by stamping: a marker of one look (style, size, angle, colours, outline)
// is drawn once by cairo into a small premultiplied image per sub-pixel position, and every
// feature then has that image blended into the picture at its pixel. A million plain point
// markers cost a million small blends instead of a million cairo paths, fills and strokes.
//
// The stamp is what cairo draws for the marker at a centre within 1 / (2 × kPhases) pixel of the
// real one, so a stamped marker differs from a drawn one by anti-aliasing noise only.
#include <cairo.h>

#include <cstdint>
#include <type_traits>
#include <memory>
#include <vector>

namespace render {

struct StampImage {
    std::vector<std::uint32_t> pixels;  // premultiplied ARGB, `width` per row
    int width = 0, height = 0;
    // The pixel of the picture the stamp's first pixel lands on is the centre's whole pixel
    // (after the phase's rounding) plus this offset.
    int offsetX = 0, offsetY = 0;
};

// Everything that changes the look of a stamped marker, in device pixels and colour values.
struct StampKey {
    int style = 0;
    double radius = 0;        // half the marker's size, pixels
    double angle = 0;         // radians
    double outlineWidth = 0;  // pixels; 0 without outline
    std::uint32_t fill = 0;   // 0xAABBGGRR with alpha as opacity, 0 alpha: no fill
    std::uint32_t outline = 0;
    friend bool operator==(const StampKey&, const StampKey&) = default;
};

class MarkerStamps {
public:
    // Sub-pixel positions per axis a stamp is prepared for.
    static constexpr int kPhases = 8;
    // Markers reaching further than this from their centre are drawn by cairo: a big stamp
    // saves little and costs its memory per phase.
    static constexpr double kMaxReach = 24.0;

    // Draws the marker of a key centred on (x, y) with cairo (the same calls the direct
    // drawing makes). A reference to the caller's function, made for every marker drawn: no
    // copy, no allocation.
    class Painter {
    public:
        template <class F>
            requires(!std::is_same_v<std::remove_cvref_t<F>, Painter>)
        Painter(const F& f)  // NOLINT: converts implicitly, as std::function would
            : object_(&f), call_([](const void* o, cairo_t* cr, double x, double y) { (*static_cast<const F*>(o))(cr, x, y); }) {}
        void operator()(cairo_t* cr, double x, double y) const { call_(object_, cr, x, y); }

    private:
        const void* object_;
        void (*call_)(const void*, cairo_t*, double, double);
    };

    // The stamp of `key` for a centre at fractional pixel position (fx, fy) in [0, 1) (each
    // rounded to the nearest phase; a phase of 1 moves `wholeX`/`wholeY` one pixel on). `reach`
    // bounds the marker's drawing around its centre in pixels. `paint` is called the first time
    // a phase of a key is needed. Null when the marker cannot be stamped (too big).
    const StampImage* stamp(const StampKey& key, double reach, double fx, double fy, int& wholeX, int& wholeY,
                            const Painter& paint);

private:
    struct Entry {
        StampKey key;
        double reach = 0;
        std::vector<std::unique_ptr<StampImage>> phases;  // kPhases × kPhases, made on demand
    };
    static std::unique_ptr<StampImage> render(double reach, double px, double py, const Painter& paint);

    std::vector<Entry> entries_;
    std::size_t last_ = 0;
};

// The glyphs of small texts (a map's value labels) drawn by stamping: each glyph of a face at
// a pixel size in a colour is drawn once by cairo into a small premultiplied image, which is
// then blended wherever the glyph is shown. cairo places glyphs on whole pixels (each glyph's
// origin rounded to the nearest pixel), so a stamped text is the pixels cairo draws for it at a
// fraction of the cost of a cairo text call, but for a few levels on the edge pixels two
// glyphs share (cairo adds their coverages, stamps are blended one after the other).
class GlyphStamps {
public:
    // Glyphs larger than this many pixels are left to cairo (few, and big stamps cost memory).
    static constexpr double kMaxPixels = 64.0;

    // The stamp of a glyph, made on first use; null when it cannot be stamped (its drawing
    // reaches beyond the scratch image). The colour is 0x00BBGGRR with its opacity.
    const StampImage* glyph(cairo_font_face_t* face, const cairo_font_options_t* options, double pixels,
                            unsigned long index, std::uint32_t bgr, double alpha);

private:
    struct Key {
        cairo_font_face_t* face = nullptr;
        double pixels = 0;
        unsigned long index = 0;
        std::uint32_t bgr = 0;
        double alpha = 0;
        friend bool operator==(const Key&, const Key&) = default;
    };
    struct Entry {
        Key key;
        std::unique_ptr<StampImage> image;  // empty image: draws nothing; null: not stampable
    };
    static std::unique_ptr<StampImage> render(const Key& key, const cairo_font_options_t* options);
    std::size_t find(const Key& key) const;  // the key's slot, or the empty slot it would take

    // Open addressing by a hash of the key; a full table starts over.
    std::vector<Entry> table_;
    std::size_t used_ = 0;
};

// Blends a stamp into an ARGB32 / RGB24 image of `width` × `height` pixels (`stride` in pixels)
// with its first pixel at (x, y): cairo's OVER with a premultiplied source. Parts outside the
// image are cut.
void blendStamp(const StampImage& stamp, std::uint32_t* data, int width, int height, std::ptrdiff_t stride, int x, int y);

}  // namespace render
