#pragma once
// Owning wrappers for the cairo and fontconfig objects the display uses. Each wrapper releases
// its object exactly once, cannot be copied, and is empty after a move; a guard pairs
// cairo_save with cairo_restore. Cairo reports failures through a status that sticks to the
// object, so callers check it after creating and after drawing (checkStatus).
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <string>

namespace render {

namespace detail {
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct FontFaceDeleter {
    void operator()(cairo_font_face_t* f) const { cairo_font_face_destroy(f); }
};
struct ScaledFontDeleter {
    void operator()(cairo_scaled_font_t* f) const { cairo_scaled_font_destroy(f); }
};
struct FontOptionsDeleter {
    void operator()(cairo_font_options_t* o) const { cairo_font_options_destroy(o); }
};
struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
struct FcPatternDeleter {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
}  // namespace detail

using SurfacePtr = std::unique_ptr<cairo_surface_t, detail::SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, detail::ContextDeleter>;
using FontFacePtr = std::unique_ptr<cairo_font_face_t, detail::FontFaceDeleter>;
using ScaledFontPtr = std::unique_ptr<cairo_scaled_font_t, detail::ScaledFontDeleter>;
using FontOptionsPtr = std::unique_ptr<cairo_font_options_t, detail::FontOptionsDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, detail::PatternDeleter>;
using FcPatternPtr = std::unique_ptr<FcPattern, detail::FcPatternDeleter>;

// A new reference to an object someone else owns (cairo objects are reference counted).
inline SurfacePtr shareSurface(cairo_surface_t* s) { return SurfacePtr(cairo_surface_reference(s)); }
inline FontFacePtr shareFontFace(cairo_font_face_t* f) { return FontFacePtr(cairo_font_face_reference(f)); }

// cairo_save on construction, cairo_restore on destruction.
class SaveGuard {
public:
    explicit SaveGuard(cairo_t* cr) : cr_(cr) { cairo_save(cr_); }
    ~SaveGuard() { cairo_restore(cr_); }
    SaveGuard(const SaveGuard&) = delete;
    SaveGuard& operator=(const SaveGuard&) = delete;

private:
    cairo_t* cr_;
};

// Render errors (host numbering) when cairo reports a failure: "<what>: <cairo's reason>".
void checkStatus(cairo_status_t status, const std::string& what);
inline void checkSurface(cairo_surface_t* s, const std::string& what) { checkStatus(cairo_surface_status(s), what); }
inline void checkContext(cairo_t* cr, const std::string& what) { checkStatus(cairo_status(cr), what); }

}  // namespace render
