#pragma once
// Fonts found through fontconfig and kept for the life of the process, with their metrics and
// the glyphs of the texts they have shaped. Measuring and drawing go through the same Font, so
// the width a bound reports is the width that is drawn.
//
// Resolution: the requested family first, then any sans face ("Arial" finds Liberation Sans,
// "Arial Narrow" Liberation Sans Narrow through the fontconfig aliases; an unknown name finds
// the system's sans face). It never fails: without any font file at all cairo's built-in face
// stands in.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/Display.h"
#include "host/Symbol.h"
#include "render/Cairo.h"

namespace render {

// The glyphs of one text at a font size of 1 (em units, y down, origin at the baseline start).
struct GlyphRun {
    std::vector<cairo_glyph_t> glyphs;
    double advance = 0.0;
};

class Font {
public:
    Font(FontFacePtr face, std::string family);
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    cairo_font_face_t* face() const { return face_.get(); }
    // The family fontconfig chose (e.g. "Liberation Sans Narrow").
    const std::string& family() const { return family_; }
    // Line box above and below the baseline, per unit of font size.
    double ascent() const { return ascent_; }
    double descent() const { return descent_; }
    // Advance width of `text` per unit of font size. Invalid UTF-8 is measured (and drawn) with
    // U+FFFD in place of the bad bytes.
    double advance(std::string_view text) const;
    // Calls `use` with the text's glyph run while the run is guaranteed to live.
    void withGlyphs(std::string_view text, const std::function<void(const GlyphRun&)>& use) const;
    // As withGlyphs without the std::function, for the drawing loop.
    template <class F>
    void visitGlyphs(std::string_view text, F&& use) const {
        use(threadRun(text));
    }

    // Options every scaled font of this process uses: no hinting of outlines or metrics, so
    // widths grow in proportion to the size and match between measuring and drawing.
    static const cairo_font_options_t* options();

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    const GlyphRun& runLocked(std::string_view text) const;
    // The run from this thread's own copies, taken from the shared table on first need: threads
    // drawing bands of one picture at once would otherwise take turns at the lock for every
    // label. Valid until this thread looks up the next run.
    const GlyphRun& threadRun(std::string_view text) const;

    FontFacePtr face_;
    std::string family_;
    ScaledFontPtr reference_;  // at the reference size, for shaping
    double ascent_ = 0.8, descent_ = 0.2;
    mutable std::mutex mutex_;
    mutable std::unordered_map<std::string, GlyphRun, Hash, std::equal_to<>> runs_;
    // Names the font in the threads' copies (a later font may take a freed one's address).
    std::uint64_t serial_;
};

// The process-wide font table, keyed by family name, weight and slant.
class FontCache {
public:
    static FontCache& instance();
    // The font for the request (size and underline do not choose the face).
    std::shared_ptr<const Font> font(const host::FontSpec& request);

private:
    FontCache() = default;
    std::mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const Font>> fonts_;
};

// Extents of a text in points for a font (advance width, ascent, descent); zero for a
// size that is not a positive finite number.
host::TextExtent measureText(const host::FontSpec& request, std::string_view text);

// The text with every invalid UTF-8 sequence replaced by U+FFFD.
std::string sanitizeUtf8(std::string_view text);

}  // namespace render
