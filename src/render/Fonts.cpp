#include "render/Fonts.h"

#include <cairo-ft.h>

#include <atomic>
#include <cmath>

#include "runtime/Text.h"

namespace render {
namespace {

// Texts are shaped once at this size and scaled: large enough that the 26.6 fixed-point
// advances of the font engine lose nothing a picture could show.
constexpr double kReferenceSize = 1000.0;
// Labels of a big map are mostly distinct numbers; the table starts over beyond this many.
constexpr std::size_t kMaxRuns = 200'000;

FontFacePtr faceFromFontconfig(const host::FontSpec& request, std::string& family) {
    FcPatternPtr pattern(FcPatternCreate());
    if (!pattern) return nullptr;
    if (!request.name.empty())
        FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(request.name.c_str()));
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (!FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern)) return nullptr;
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    FcPatternPtr match(FcFontMatch(nullptr, pattern.get(), &result));
    if (!match) return nullptr;
    FcChar8* name = nullptr;
    if (FcPatternGetString(match.get(), FC_FAMILY, 0, &name) == FcResultMatch && name)
        family = reinterpret_cast<const char*>(name);
    FontFacePtr face(cairo_ft_font_face_create_for_pattern(match.get()));
    if (!face || cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return face;
}

ScaledFontPtr referenceFont(cairo_font_face_t* face) {
    cairo_matrix_t fontMatrix, ctm;
    cairo_matrix_init_scale(&fontMatrix, kReferenceSize, kReferenceSize);
    cairo_matrix_init_identity(&ctm);
    ScaledFontPtr font(cairo_scaled_font_create(face, &fontMatrix, &ctm, Font::options()));
    if (!font || cairo_scaled_font_status(font.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    return font;
}

}  // namespace

const cairo_font_options_t* Font::options() {
    static const FontOptionsPtr options = [] {
        FontOptionsPtr o(cairo_font_options_create());
        cairo_font_options_set_hint_metrics(o.get(), CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_hint_style(o.get(), CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_antialias(o.get(), CAIRO_ANTIALIAS_GRAY);
        return o;
    }();
    return options.get();
}

namespace {

std::atomic<std::uint64_t> nextFontSerial{1};

// Each thread's copies of the runs it looked up, per font; dropped whole when they grow large.
constexpr std::size_t kMaxThreadRuns = 4096;
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};
using RunCopies = std::unordered_map<std::string, GlyphRun, TextHash, std::equal_to<>>;
struct ThreadRuns {
    std::unordered_map<std::uint64_t, RunCopies> byFont;
    std::uint64_t lastSerial = 0;
    RunCopies* last = nullptr;
    std::size_t size = 0;
};

}  // namespace

Font::Font(FontFacePtr face, std::string family)
    : face_(std::move(face)), family_(std::move(family)), serial_(nextFontSerial.fetch_add(1)) {
    reference_ = referenceFont(face_.get());
    if (reference_) {
        cairo_font_extents_t e;
        cairo_scaled_font_extents(reference_.get(), &e);
        if (std::isfinite(e.ascent) && std::isfinite(e.descent) && e.ascent + e.descent > 0) {
            ascent_ = e.ascent / kReferenceSize;
            descent_ = e.descent / kReferenceSize;
        }
    }
}

const GlyphRun& Font::runLocked(std::string_view text) const {
    if (auto it = runs_.find(text); it != runs_.end()) return it->second;
    if (runs_.size() >= kMaxRuns) runs_.clear();
    GlyphRun run;
    if (reference_ && !text.empty()) {
        const std::string clean = runtime::isValidUtf8(text) ? std::string(text) : sanitizeUtf8(text);
        cairo_glyph_t* glyphs = nullptr;
        int count = 0;
        const cairo_status_t status =
            cairo_scaled_font_text_to_glyphs(reference_.get(), 0, 0, clean.data(), static_cast<int>(clean.size()), &glyphs,
                                             &count, nullptr, nullptr, nullptr);
        if (status == CAIRO_STATUS_SUCCESS && count > 0) {
            cairo_text_extents_t e;
            cairo_scaled_font_glyph_extents(reference_.get(), glyphs, count, &e);
            run.advance = e.x_advance / kReferenceSize;
            run.glyphs.assign(glyphs, glyphs + count);
            for (auto& g : run.glyphs) {
                g.x /= kReferenceSize;
                g.y /= kReferenceSize;
            }
        }
        cairo_glyph_free(glyphs);
    }
    return runs_.emplace(std::string(text), std::move(run)).first->second;
}

const GlyphRun& Font::threadRun(std::string_view text) const {
    thread_local ThreadRuns mine;
    if (mine.lastSerial != serial_ || !mine.last) {
        mine.last = &mine.byFont[serial_];
        mine.lastSerial = serial_;
    }
    if (const auto it = mine.last->find(text); it != mine.last->end()) return it->second;
    if (mine.size >= kMaxThreadRuns) {
        mine.byFont.clear();
        mine.size = 0;
        mine.last = &mine.byFont[serial_];
    }
    GlyphRun copy;
    {
        std::lock_guard lock(mutex_);
        copy = runLocked(text);
    }
    ++mine.size;
    return mine.last->emplace(std::string(text), std::move(copy)).first->second;
}

double Font::advance(std::string_view text) const { return threadRun(text).advance; }

void Font::withGlyphs(std::string_view text, const std::function<void(const GlyphRun&)>& use) const { use(threadRun(text)); }

FontCache& FontCache::instance() {
    static FontCache cache;
    return cache;
}

std::shared_ptr<const Font> FontCache::font(const host::FontSpec& request) {
    std::string key = request.name;
    key += '\0';
    key += request.bold ? 'b' : '-';
    key += request.italic ? 'i' : '-';
    std::lock_guard lock(mutex_);
    if (auto it = fonts_.find(key); it != fonts_.end()) return it->second;
    std::string family;
    FontFacePtr face = faceFromFontconfig(request, family);
    if (!face || !referenceFont(face.get())) {
        // No usable font file: cairo's own face still draws and measures.
        face.reset(cairo_toy_font_face_create("sans-serif", request.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                              request.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL));
        family = "sans-serif";
    }
    auto font = std::make_shared<const Font>(std::move(face), std::move(family));
    fonts_.emplace(std::move(key), font);
    return font;
}

host::TextExtent measureText(const host::FontSpec& request, std::string_view text) {
    if (!(request.size > 0) || !std::isfinite(request.size)) return {};
    // The font of the last request of this thread, kept (fonts live as long as the process):
    // indexing a map measures a million labels of one font.
    thread_local struct {
        std::string name;
        bool bold = false, italic = false;
        const Font* font = nullptr;
    } last;
    if (!last.font || last.bold != request.bold || last.italic != request.italic || last.name != request.name) {
        last.font = FontCache::instance().font(request).get();
        last.name = request.name;
        last.bold = request.bold;
        last.italic = request.italic;
    }
    const Font* font = last.font;
    return {font->advance(text) * request.size, font->ascent() * request.size, font->descent() * request.size};
}

std::string sanitizeUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (c < 0x80) length = 1;
        else if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c >= 0xE0 && c <= 0xEF) length = 3;
        else if (c >= 0xF0 && c <= 0xF4) length = 4;
        if (length > 0 && i + length <= text.size() && runtime::isValidUtf8(text.substr(i, length))) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

}  // namespace render
