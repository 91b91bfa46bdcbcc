#include "render/SymbolDrawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <typeinfo>

#include "host/ChartGeometry.h"

namespace render {
namespace {

using host::XY;

constexpr double kDegrees = std::numbers::pi / 180.0;
// Glyphs beyond this many pixels cover the whole frame and tell nothing; cairo would also
// refuse to build a font that large.
constexpr double kMaxTextPixels = 50'000.0;
// Hatches and fills: 6 points between hatch lines and lines 0.75 points wide, never closer
// than 2 pixels (a denser hatch is a tint and would cost lines without showing them).
constexpr double kHatchSpacingPoints = 6.0;
constexpr double kHatchWidthPoints = 0.75;
constexpr double kMinSpacingPixels = 2.0;
// A marker fill with more markers than this on the frame draws as a tint of the marker colour.
constexpr double kMaxFillMarkers = 20'000.0;
constexpr double kMaxMarkerPixels = 1'000'000.0;

bool finite(XY p) { return std::isfinite(p.x) && std::isfinite(p.y); }

template <class T>
const T* exactly(const host::Symbol& symbol) {
    return typeid(symbol) == typeid(T) ? static_cast<const T*>(&symbol) : nullptr;
}

// The area of a fill, handed to cairo by whoever knows its shape.
class AreaPath {
public:
    explicit AreaPath(DeviceBox b, bool rectangular) : box(b), rectangular(rectangular) {}
    virtual ~AreaPath() = default;
    virtual void add(Canvas& canvas) const = 0;
    DeviceBox box;
    bool rectangular;
};

class RectPath final : public AreaPath {
public:
    RectPath(const Canvas& canvas, double x0, double y0, double x1, double y1)
        : AreaPath(clamped(canvas, x0, y0, x1, y1), true) {}
    void add(Canvas& canvas) const override { cairo_rectangle(canvas.cr(), box.x0, box.y0, box.x1 - box.x0, box.y1 - box.y0); }

private:
    static DeviceBox clamped(const Canvas& canvas, double x0, double y0, double x1, double y1) {
        const DeviceBox& g = canvas.guard();
        return {std::clamp(x0, g.x0, g.x1), std::clamp(y0, g.y0, g.y1), std::clamp(x1, g.x0, g.x1), std::clamp(y1, g.y0, g.y1),
                false};
    }
};

// Sutherland–Hodgman against one side of the guard box.
template <class Inside, class Cross>
void clipAgainst(std::vector<XY>& ring, std::vector<XY>& scratch, Inside inside, Cross cross) {
    scratch.clear();
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const XY a = ring[i], b = ring[(i + 1) % ring.size()];
        const bool ina = inside(a), inb = inside(b);
        if (ina) scratch.push_back(a);
        if (ina != inb) scratch.push_back(cross(a, b));
    }
    ring.swap(scratch);
}

void clipRing(std::vector<XY>& ring, const DeviceBox& g) {
    std::vector<XY> scratch;
    const auto atX = [](XY a, XY b, double x) { return XY{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
    const auto atY = [](XY a, XY b, double y) { return XY{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
    clipAgainst(
        ring, scratch, [&](XY p) { return p.x >= g.x0; }, [&](XY a, XY b) { return atX(a, b, g.x0); });
    clipAgainst(
        ring, scratch, [&](XY p) { return p.x <= g.x1; }, [&](XY a, XY b) { return atX(a, b, g.x1); });
    clipAgainst(
        ring, scratch, [&](XY p) { return p.y >= g.y0; }, [&](XY a, XY b) { return atY(a, b, g.y0); });
    clipAgainst(
        ring, scratch, [&](XY p) { return p.y <= g.y1; }, [&](XY a, XY b) { return atY(a, b, g.y1); });
}

bool inside(const DeviceBox& g, XY p) { return p.x >= g.x0 && p.x <= g.x1 && p.y >= g.y0 && p.y <= g.y1; }

// Rings of map points as device points; far-away parts are cut at the guard box.
class RingsPath final : public AreaPath {
public:
    RingsPath(Canvas& canvas, const std::vector<std::vector<XY>>& rings) : AreaPath({}, false) {
        for (const auto& ring : rings) {
            std::vector<XY> device;
            device.reserve(ring.size());
            for (const XY& p : ring) {
                if (finite(p)) device.push_back(canvas.toDevice(p));
            }
            if (device.size() < 3) continue;
            if (!std::all_of(device.begin(), device.end(), [&](XY p) { return inside(canvas.guard(), p); })) {
                clipRing(device, canvas.guard());
                if (device.size() < 3) continue;
            }
            for (const XY& p : device) box.include(p.x, p.y);
            rings_.push_back(std::move(device));
        }
    }
    void add(Canvas& canvas) const override {
        for (const auto& ring : rings_) {
            cairo_move_to(canvas.cr(), ring[0].x, ring[0].y);
            for (std::size_t i = 1; i < ring.size(); ++i) cairo_line_to(canvas.cr(), ring[i].x, ring[i].y);
            cairo_close_path(canvas.cr());
        }
    }

private:
    std::vector<std::vector<XY>> rings_;
};

// Liang–Barsky: the part of segment a→b inside the box, if any.
bool clipSegment(XY& a, XY& b, const DeviceBox& g) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const std::array<double, 4> p{-dx, dx, -dy, dy};
    const std::array<double, 4> q{a.x - g.x0, g.x1 - a.x, a.y - g.y0, g.y1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const XY start{a.x + t0 * dx, a.y + t0 * dy}, end{a.x + t1 * dx, a.y + t1 * dy};
    a = start;
    b = end;
    return true;
}

// Adds the paths of a polyline (device points) to cairo; returns their device box.
DeviceBox addLinePaths(Canvas& canvas, const std::vector<std::vector<XY>>& paths, bool closed) {
    DeviceBox box;
    cairo_t* cr = canvas.cr();
    for (const auto& path : paths) {
        bool open = false;
        XY last{};
        const std::size_t n = path.size();
        const std::size_t segments = closed ? n : (n == 0 ? 0 : n - 1);
        for (std::size_t i = 0; i < segments; ++i) {
            const XY pa = path[i], pb = path[(i + 1) % n];
            if (!finite(pa) || !finite(pb)) {
                open = false;
                continue;
            }
            XY a = canvas.toDevice(pa), b = canvas.toDevice(pb);
            if (!inside(canvas.guard(), a) || !inside(canvas.guard(), b)) {
                if (!clipSegment(a, b, canvas.guard())) {
                    open = false;
                    continue;
                }
            }
            if (!open || a != last) cairo_move_to(cr, a.x, a.y);
            cairo_line_to(cr, b.x, b.y);
            box.include(a.x, a.y);
            box.include(b.x, b.y);
            last = b;
            open = true;
        }
        if (closed && open && n >= 3) cairo_close_path(cr);
    }
    return box;
}

void setDash(cairo_t* cr, const host::LineSymbol& line, double width) {
    const auto* simple = exactly<host::SimpleLineSymbol>(line);
    const host::SimpleLineStyle style = simple ? simple->style() : host::SimpleLineStyle::Solid;
    const double w = std::max(width, 1.0);
    switch (style) {
    case host::SimpleLineStyle::Dash: {
        const double d[] = {4 * w, 2 * w};
        cairo_set_dash(cr, d, 2, 0);
        break;
    }
    case host::SimpleLineStyle::Dot: {  // round caps turn the zero-length dashes into dots
        const double d[] = {0, 2 * w};
        cairo_set_dash(cr, d, 2, 0);
        break;
    }
    case host::SimpleLineStyle::DashDot: {
        const double d[] = {4 * w, 2 * w, 0, 2 * w};
        cairo_set_dash(cr, d, 4, 0);
        break;
    }
    case host::SimpleLineStyle::DashDotDot: {
        const double d[] = {4 * w, 2 * w, 0, 2 * w, 0, 2 * w};
        cairo_set_dash(cr, d, 6, 0);
        break;
    }
    case host::SimpleLineStyle::Solid:
    case host::SimpleLineStyle::Null: cairo_set_dash(cr, nullptr, 0, 0); break;
    }
}

bool drawsNothing(const host::LineSymbol& line) {
    const auto* simple = exactly<host::SimpleLineSymbol>(line);
    return (simple && simple->style() == host::SimpleLineStyle::Null) || line.color().isNull();
}

// Strokes the current path with a line symbol (the path is consumed either way).
void strokeWith(Canvas& canvas, const host::LineSymbol& line, cairo_line_join_t join = CAIRO_LINE_JOIN_ROUND) {
    cairo_t* cr = canvas.cr();
    if (drawsNothing(line) || !canvas.setColor(line.color())) {
        cairo_new_path(cr);
        return;
    }
    const double width = linePixels(canvas, line.width());
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, join);
    setDash(cr, line, width);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
}

// Parallel lines over a box at `angle` degrees (counter-clockwise from the x axis of the map),
// `spacing` pixels apart; the caller has set the clip, colour and width.
void hatchLines(Canvas& canvas, const DeviceBox& area, double angle, double spacing) {
    DeviceBox box = area;
    const DeviceBox& frame = canvas.guard();
    box.x0 = std::max(box.x0, frame.x0);
    box.y0 = std::max(box.y0, frame.y0);
    box.x1 = std::min(box.x1, frame.x1);
    box.y1 = std::min(box.y1, frame.y1);
    if (box.empty || box.x1 <= box.x0 || box.y1 <= box.y0) return;
    const double a = angle * kDegrees;
    const XY d{std::cos(a), -std::sin(a)};  // along the lines, device y down
    const XY n{-d.y, d.x};
    const XY c{(box.x0 + box.x1) / 2, (box.y0 + box.y1) / 2};
    const double r = std::hypot(box.x1 - box.x0, box.y1 - box.y0) / 2 + 1;
    cairo_t* cr = canvas.cr();
    // Lines where the distance from the device origin across them is a whole number of
    // spacings, so the hatches of neighbouring areas line up.
    const double centre = c.x * n.x + c.y * n.y;
    const double first = std::ceil((centre - r) / spacing), last = std::floor((centre + r) / spacing);
    for (double step = first; step <= last; ++step) {
        const double t = step * spacing - centre;
        const XY m{c.x + n.x * t, c.y + n.y * t};
        cairo_move_to(cr, m.x - d.x * r, m.y - d.y * r);
        cairo_line_to(cr, m.x + d.x * r, m.y + d.y * r);
    }
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
}

void hatch(Canvas& canvas, const AreaPath& area, const host::RgbColor& color, std::initializer_list<double> angles) {
    if (!canvas.setColor(color)) return;
    Canvas::Scope scope(canvas);
    area.add(canvas);
    cairo_clip(canvas.cr());
    canvas.setColor(color);
    cairo_set_line_width(canvas.cr(), std::max(1.0, kHatchWidthPoints * canvas.pixelsPerPoint()));
    const double spacing = std::max(kMinSpacingPixels, kHatchSpacingPoints * canvas.pixelsPerPoint());
    for (const double angle : angles) hatchLines(canvas, area.box, angle, spacing);
}

void tint(Canvas& canvas, const AreaPath& area, const host::RgbColor& color, double opacity) {
    if (!canvas.setColor(color, opacity)) return;
    area.add(canvas);
    cairo_fill(canvas.cr());
}

void solid(Canvas& canvas, const AreaPath& area, const host::RgbColor& color) { tint(canvas, area, color, 1.0); }

void outline(Canvas& canvas, const host::FillSymbol& symbol, const AreaPath& area) {
    if (!symbol.outline()) return;
    area.add(canvas);
    strokeWith(canvas, *symbol.outline(), area.rectangular ? CAIRO_LINE_JOIN_MITER : CAIRO_LINE_JOIN_ROUND);
}

void drawSimpleMarkerAt(Canvas& canvas, const host::SimpleMarkerSymbol& symbol, XY centre);

void fillArea(Canvas& canvas, const host::FillSymbol& symbol, const AreaPath& area, int depth) {
    if (depth > Canvas::kMaxDepth || area.box.empty) return;
    if (const auto* simple = exactly<host::SimpleFillSymbol>(symbol)) {
        using S = host::SimpleFillStyle;
        switch (simple->style()) {
        case S::Solid: solid(canvas, area, simple->color()); break;
        case S::Null: break;
        case S::Horizontal: hatch(canvas, area, simple->color(), {0.0}); break;
        case S::Vertical: hatch(canvas, area, simple->color(), {90.0}); break;
        case S::ForwardDiagonal: hatch(canvas, area, simple->color(), {45.0}); break;
        case S::BackwardDiagonal: hatch(canvas, area, simple->color(), {135.0}); break;
        case S::Cross: hatch(canvas, area, simple->color(), {0.0, 90.0}); break;
        case S::DiagonalCross: hatch(canvas, area, simple->color(), {45.0, 135.0}); break;
        }
    } else if (const auto* multi = exactly<host::MultiLayerFillSymbol>(symbol)) {
        const auto& layers = multi->layers();
        for (auto it = layers.rbegin(); it != layers.rend(); ++it) {
            if (*it) fillArea(canvas, **it, area, depth + 1);
        }
    } else if (const auto* lines = exactly<host::LineFillSymbol>(symbol)) {
        const host::LineSymbolPtr& line = lines->lineSymbol();
        const host::RgbColor& color = line ? line->color() : lines->color();
        if (!(line && drawsNothing(*line)) && canvas.setColor(color)) {
            Canvas::Scope scope(canvas);
            area.add(canvas);
            cairo_clip(canvas.cr());
            canvas.setColor(color);
            const double width = linePixels(canvas, line ? line->width() : 1.0);
            cairo_set_line_width(canvas.cr(), width);
            const double sep = std::isfinite(lines->separation()) ? lines->separation() : 0.0;
            const double spacing = std::max({kMinSpacingPixels, sep * canvas.pixelsPerPoint(), width + 1});
            hatchLines(canvas, area.box, std::isfinite(lines->angle()) ? lines->angle() : 0.0, spacing);
        }
    } else if (const auto* markers = exactly<host::MarkerFillSymbol>(symbol)) {
        const auto* marker = markers->markerSymbol() ? exactly<host::SimpleMarkerSymbol>(*markers->markerSymbol()) : nullptr;
        const double sep = std::isfinite(markers->separation()) ? markers->separation() * canvas.pixelsPerPoint() : 0.0;
        const double w = std::min(area.box.x1, canvas.guard().x1) - std::max(area.box.x0, canvas.guard().x0);
        const double h = std::min(area.box.y1, canvas.guard().y1) - std::max(area.box.y0, canvas.guard().y0);
        const bool grid = marker && sep >= kMinSpacingPixels && w > 0 && h > 0 && (w / sep) * (h / sep) <= kMaxFillMarkers;
        if (!grid) {
            tint(canvas, area, markers->markerSymbol() ? markers->markerSymbol()->color() : markers->color(), 0.5);
        } else {
            Canvas::Scope scope(canvas);
            area.add(canvas);
            cairo_clip(canvas.cr());
            const double x0 = std::max(area.box.x0, canvas.guard().x0), y0 = std::max(area.box.y0, canvas.guard().y0);
            for (double y = y0 + sep / 2; y < y0 + h + sep / 2; y += sep) {
                const double shift = std::fmod(std::floor((y - y0) / sep), 2.0) == 0 ? 0.0 : sep / 2;
                for (double x = x0 + sep / 2 - shift; x < x0 + w + sep / 2; x += sep) drawSimpleMarkerAt(canvas, *marker, {x, y});
            }
        }
    } else if (exactly<host::PictureFillSymbol>(symbol)) {
        tint(canvas, area, symbol.color(), 0.35);
    } else {
        solid(canvas, area, symbol.color());
    }
    outline(canvas, symbol, area);
}

const host::SimpleFillSymbol& missingBarSymbol() {
    static const host::SimpleFillSymbol symbol = [] {
        host::SimpleFillSymbol s;
        s.setColor(host::RgbColor(0xC0C0C0));
        auto line = std::make_shared<host::SimpleLineSymbol>();
        line->setWidth(0.4);
        s.setOutline(line);
        return s;
    }();
    return symbol;
}

// Draws a simple marker centred on device point `c` with cairo: `h` is half its size and
// `outlineWidth` its outline's width in pixels; `source` sets a colour as cairo's source and
// answers whether anything shows in it. The canvas draws with it, and so are its stamps made.
template <class Source>
void paintSimpleMarker(cairo_t* cr, const host::SimpleMarkerSymbol& symbol, XY c, double h, double outlineWidth,
                       Source&& source) {
    const double angle = std::isfinite(symbol.angle()) ? symbol.angle() * kDegrees : 0.0;
    const double cs = std::cos(angle), sn = std::sin(angle);
    const auto at = [&](double x, double y) { return XY{c.x + x * cs + y * sn, c.y - x * sn + y * cs}; };  // y down

    using S = host::SimpleMarkerStyle;
    if (symbol.style() == S::Cross || symbol.style() == S::X) {
        const std::array<XY, 4> ends = symbol.style() == S::Cross ? std::array<XY, 4>{at(-h, 0), at(h, 0), at(0, -h), at(0, h)}
                                                                  : std::array<XY, 4>{at(-h, -h), at(h, h), at(-h, h), at(h, -h)};
        const double width = std::max(1.0, 2 * h / 8);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        for (int pass = symbol.outline() ? 0 : 1; pass < 2; ++pass) {
            const bool outlinePass = pass == 0;
            if (!source(outlinePass ? symbol.outlineColor() : symbol.color())) continue;
            cairo_move_to(cr, ends[0].x, ends[0].y);
            cairo_line_to(cr, ends[1].x, ends[1].y);
            cairo_move_to(cr, ends[2].x, ends[2].y);
            cairo_line_to(cr, ends[3].x, ends[3].y);
            cairo_set_line_width(cr, outlinePass ? width + 2 * outlineWidth : width);
            cairo_stroke(cr);
        }
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        return;
    }
    const auto shape = [&] {
        switch (symbol.style()) {
        case S::Circle: cairo_arc(cr, c.x, c.y, h, 0, 2 * std::numbers::pi); break;
        case S::Square: {
            const std::array<XY, 4> p{at(-h, -h), at(h, -h), at(h, h), at(-h, h)};
            cairo_move_to(cr, p[0].x, p[0].y);
            for (int i = 1; i < 4; ++i) cairo_line_to(cr, p[i].x, p[i].y);
            cairo_close_path(cr);
            break;
        }
        default: {
            const std::array<XY, 4> p{at(-h, 0), at(0, -h), at(h, 0), at(0, h)};
            cairo_move_to(cr, p[0].x, p[0].y);
            for (int i = 1; i < 4; ++i) cairo_line_to(cr, p[i].x, p[i].y);
            cairo_close_path(cr);
            break;
        }
        }
    };
    if (source(symbol.color())) {
        shape();
        cairo_fill(cr);
    }
    if (symbol.outline() && source(symbol.outlineColor())) {
        shape();
        cairo_set_line_width(cr, outlineWidth);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_stroke(cr);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    }
}

// A colour as 0xAABBGGRR with its opacity as alpha (0: draws nothing).
std::uint32_t stampColor(const host::RgbColor& color) {
    return (static_cast<std::uint32_t>(255 - color.transparency()) << 24) | (color.rgb() & 0xFFFFFFu);
}

void drawSimpleMarkerAt(Canvas& canvas, const host::SimpleMarkerSymbol& symbol, XY c) {
    const double q = canvas.pixelsPerPoint();
    const double size = std::isfinite(symbol.size()) && symbol.size() > 0 ? symbol.size() : 0.0;
    const double h = size / 2 * q;
    const XY half = host::simpleMarkerHalfExtent(symbol);
    const DeviceBox box{c.x - half.x * q, c.y - half.y * q, c.x + half.x * q, c.y + half.y * q, false};
    if (!canvas.admit(box) || h <= 0) return;
    if (h > kMaxMarkerPixels) return;  // cairo's fixed-point coordinates end near 8 million
    const double outlineWidth = symbol.outline() ? linePixels(canvas, symbol.outlineSize()) : 0.0;

    if (canvas.canStamp()) {
        // The reach covers a square's turned corners, mitred outline corners and the arms of a
        // cross with their outline.
        const double reach = h * std::numbers::sqrt2 + outlineWidth * 1.5 + std::max(1.0, h / 4);
        const StampKey key{static_cast<int>(symbol.style()),
                           h,
                           std::isfinite(symbol.angle()) ? symbol.angle() : 0.0,
                           outlineWidth,
                           stampColor(symbol.color()),
                           symbol.outline() ? stampColor(symbol.outlineColor()) : 0u};
        const double fx = std::floor(c.x), fy = std::floor(c.y);
        if (std::abs(fx) < 1e9 && std::abs(fy) < 1e9) {
            int x = static_cast<int>(fx), y = static_cast<int>(fy);
            const StampImage* stamp =
                canvas.markerStamps().stamp(key, reach, c.x - fx, c.y - fy, x, y, [&](cairo_t* cr, double sx, double sy) {
                    paintSimpleMarker(cr, symbol, {sx, sy}, h, outlineWidth, [cr](const host::RgbColor& color) {
                        const double alpha = (255 - color.transparency()) / 255.0;
                        if (!(alpha > 0)) return false;
                        const std::uint32_t bgr = color.rgb();
                        cairo_set_source_rgba(cr, (bgr & 0xFF) / 255.0, ((bgr >> 8) & 0xFF) / 255.0,
                                              ((bgr >> 16) & 0xFF) / 255.0, alpha);
                        return true;
                    });
                });
            if (stamp) {
                canvas.blendStamp(*stamp, x + stamp->offsetX, y + stamp->offsetY);
                return;
            }
        }
    }
    paintSimpleMarker(canvas.cr(), symbol, c, h, outlineWidth,
                      [&canvas](const host::RgbColor& color) { return canvas.setColor(color); });
}

// The glyphs in the canvas's glyph buffer stamped where cairo would draw them: each at its
// origin rounded to the nearest pixel. False, with nothing drawn, when a glyph cannot be.
bool stampGlyphs(Canvas& canvas, const Font& font, double pixels) {
    const auto& glyphs = canvas.glyphBuffer();
    auto& stamps = canvas.glyphStamps();
    const std::uint32_t bgr = canvas.colorBgr();
    const double alpha = canvas.colorAlpha();
    // Looked up first, so a glyph that cannot be stamped leaves the run to cairo whole.
    std::array<const StampImage*, 32> images{};
    if (glyphs.size() > images.size()) return false;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const cairo_glyph_t& g = glyphs[i];
        if (!(std::abs(g.x) < 1e9) || !(std::abs(g.y) < 1e9)) return false;
        images[i] = stamps.glyph(font.face(), Font::options(), pixels, g.index, bgr, alpha);
        if (!images[i]) return false;
    }
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const StampImage& image = *images[i];
        if (image.pixels.empty()) continue;
        // cairo rounds a glyph's position half up. (At an exact half pixel across, cairo may
        // also cut the glyph's edge column to its rounded extents: noise of a few pixels, at
        // places real labels all but never take.)
        const int x = static_cast<int>(std::floor(glyphs[i].x + 0.5)), y = static_cast<int>(std::floor(glyphs[i].y + 0.5));
        canvas.blendStamp(image, x + image.offsetX, y + image.offsetY);
    }
    return true;
}

}  // namespace

double linePixels(const Canvas& canvas, double points) {
    if (!(points > 0) || !std::isfinite(points)) return 1.0;
    const double px = points * canvas.pixelsPerPoint();
    return std::isfinite(px) ? std::min(px, canvas.guard().x1 - canvas.guard().x0) : 1.0;
}

void drawMarkerSymbol(Canvas& canvas, const host::MarkerSymbol& symbol, XY point) {
    if (const auto* chart = exactly<host::BarChartSymbol>(symbol)) {
        drawBarChart(canvas, *chart, point);
    } else if (const auto* simple = exactly<host::SimpleMarkerSymbol>(symbol)) {
        drawSimpleMarker(canvas, *simple, point);
    }
}

void drawSimpleMarker(Canvas& canvas, const host::SimpleMarkerSymbol& symbol, XY point) {
    if (!finite(point)) return;
    const double q = canvas.pixelsPerPoint();
    const double dx = std::isfinite(symbol.xOffset()) ? symbol.xOffset() : 0.0;
    const double dy = std::isfinite(symbol.yOffset()) ? symbol.yOffset() : 0.0;
    const XY d = canvas.toDevice(point);
    drawSimpleMarkerAt(canvas, symbol, {d.x + dx * q, d.y - dy * q});
}

void drawBarChart(Canvas& canvas, const host::BarChartSymbol& symbol, XY point) {
    if (!finite(point)) return;
    host::BarChartLayout& layout = canvas.chartLayout();
    host::layoutBarChart(symbol, layout);
    const double q = canvas.pixelsPerPoint();
    const XY d = canvas.toDevice(point);
    const DeviceBox box{d.x + layout.box.x0 * q, d.y - layout.box.y1 * q, d.x + layout.box.x1 * q, d.y - layout.box.y0 * q,
                        false};

    DeviceBox covered = box;
    std::optional<host::Segment> leader;
    XY from{}, to{};
    if (symbol.background()) {
        const double k = canvas.mapUnitsPerPoint();
        const host::Envelope mapBox(point.x + layout.box.x0 * k, point.y + layout.box.y0 * k, point.x + layout.box.x1 * k,
                                    point.y + layout.box.y1 * k);
        leader = host::leaderSegment(*symbol.background(), mapBox, k);
        if (leader) {
            from = canvas.toDevice(leader->from);
            to = canvas.toDevice(leader->to);
            if (finite(from) && finite(to)) {
                // The leader's ends and half its width about them (a wide leader of a big chart
                // is still culled, and hidden, only by what it covers).
                const double half = linePixels(canvas, symbol.background()->leaderWidth()) / 2;
                const double reach = std::isfinite(half) ? std::min(half, 1e4) : 0.0;
                covered.include(std::min(from.x, to.x) - reach, std::min(from.y, to.y) - reach);
                covered.include(std::max(from.x, to.x) + reach, std::max(from.y, to.y) + reach);
            } else {
                leader.reset();
            }
        }
    }
    // An occluding canvas takes the bars only (they are what hides the charts beneath).
    if (canvas.occluding() ? !canvas.visible(covered) : !canvas.admit(covered)) return;
    cairo_t* cr = canvas.cr();

    if (leader && !canvas.occluding()) {
        const host::LineCallout& callout = *symbol.background();
        XY a = from, b = to;
        if (canvas.setColor(callout.leaderColor()) && clipSegment(a, b, canvas.guard())) {
            cairo_move_to(cr, a.x, a.y);
            cairo_line_to(cr, b.x, b.y);
            cairo_set_line_width(cr, linePixels(canvas, callout.leaderWidth()));
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
            cairo_stroke(cr);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        }
    }

    const auto barSymbol = [&](std::size_t k) -> const host::FillSymbol& {
        if (k < symbol.symbolCount()) {
            const host::Symbol* bar = symbol.symbols()[k].get();
            // The common fill first by its exact type: a cast per bar of a million charts shows.
            if (bar && typeid(*bar) == typeid(host::SimpleFillSymbol)) return static_cast<const host::SimpleFillSymbol&>(*bar);
            if (const auto* fill = dynamic_cast<const host::FillSymbol*>(bar)) return *fill;
        }
        return missingBarSymbol();
    };
    const auto& bars = layout.bars;
    if (box.x1 - box.x0 < 1.0 && box.y1 - box.y0 < 1.0) {
        // Under a pixel the bars cannot be told apart: one dab in the colour of the tallest.
        std::size_t tallest = bars.size();
        for (std::size_t k = 0; k < bars.size(); ++k) {
            if (bars[k].height() > 0 && (tallest == bars.size() || bars[k].height() > bars[tallest].height())) tallest = k;
        }
        if (tallest < bars.size() && canvas.setColor(barSymbol(tallest).color())) canvas.fillRect(box.x0, box.y0, box.x1, box.y1);
        return;
    }
    for (std::size_t k = 0; k < bars.size(); ++k) {
        const host::Rect& bar = bars[k];
        if (!(bar.height() > 0) || !(bar.width() > 0)) continue;
        fillDeviceRect(canvas, barSymbol(k), d.x + bar.x0 * q, d.y - bar.y1 * q, d.x + bar.x1 * q, d.y - bar.y0 * q);
    }
    if (symbol.showAxes() && canvas.setColor(host::RgbColor(0))) {
        const double y = d.y - layout.zeroY * q;
        canvas.fillRect(box.x0, y - 0.5, box.x1, y + 0.5);
    }
}

void fillDeviceRect(Canvas& canvas, const host::FillSymbol& symbol, double x0, double y0, double x1, double y1) {
    if (const auto* simple = exactly<host::SimpleFillSymbol>(symbol);
        simple && simple->style() == host::SimpleFillStyle::Solid && simple->color().transparency() == 0) {
        const host::LineSymbolPtr& line = simple->outline();
        if (!line || drawsNothing(*line)) {
            canvas.setColor(simple->color());
            canvas.fillRect(x0, y0, x1, y1);
            return;
        }
        const auto* simpleLine = exactly<host::SimpleLineSymbol>(*line);
        if (line->color().transparency() == 0 && (!simpleLine || simpleLine->style() == host::SimpleLineStyle::Solid)) {
            // A stroke centred on the edge with mitred corners covers exactly the ring between
            // the rectangle grown and shrunk by half the width.
            const double h = linePixels(canvas, line->width()) / 2;
            canvas.fillFramedRect(x0, y0, x1, y1, h, line->color().rgb(), simple->color().rgb());
            return;
        }
    }
    if (!canvas.occluding()) fillArea(canvas, symbol, RectPath(canvas, x0, y0, x1, y1), 0);
}

void drawLineSymbol(Canvas& canvas, const host::LineSymbol& symbol, const host::Polyline& line) {
    const host::Envelope e = line.envelope();
    if (e.isEmpty()) return;
    const double half = linePixels(canvas, symbol.width()) / 2;
    const XY a = canvas.toDevice({e.xMin(), e.yMax()}), b = canvas.toDevice({e.xMax(), e.yMin()});
    if (!canvas.admit({a.x - half, a.y - half, b.x + half, b.y + half, false})) return;
    addLinePaths(canvas, line.paths(), false);
    strokeWith(canvas, symbol);
}

void drawLineSymbol(Canvas& canvas, const host::LineSymbol& symbol, const host::Polygon& rings) {
    const host::Envelope e = rings.envelope();
    if (e.isEmpty()) return;
    const double half = linePixels(canvas, symbol.width()) / 2;
    const XY a = canvas.toDevice({e.xMin(), e.yMax()}), b = canvas.toDevice({e.xMax(), e.yMin()});
    if (!canvas.admit({a.x - half, a.y - half, b.x + half, b.y + half, false})) return;
    addLinePaths(canvas, rings.rings(), true);
    strokeWith(canvas, symbol);
}

void drawFillSymbol(Canvas& canvas, const host::FillSymbol& symbol, const host::Polygon& polygon) {
    const host::Envelope e = polygon.envelope();
    if (e.isEmpty()) return;
    const double half = symbol.outline() ? linePixels(canvas, symbol.outline()->width()) / 2 : 0.0;
    const XY a = canvas.toDevice({e.xMin(), e.yMax()}), b = canvas.toDevice({e.xMax(), e.yMin()});
    if (!canvas.admit({a.x - half, a.y - half, b.x + half, b.y + half, false})) return;
    fillArea(canvas, symbol, RingsPath(canvas, polygon.rings()), 0);
}

void drawFillSymbol(Canvas& canvas, const host::FillSymbol& symbol, const host::Envelope& area) {
    if (area.isEmpty()) return;
    const XY a = canvas.toDevice({area.xMin(), area.yMax()}), b = canvas.toDevice({area.xMax(), area.yMin()});
    if (!finite(a) || !finite(b)) return;
    const double half = symbol.outline() ? linePixels(canvas, symbol.outline()->width()) / 2 : 0.0;
    if (!canvas.admit({a.x - half, a.y - half, b.x + half, b.y + half, false})) return;
    fillDeviceRect(canvas, symbol, a.x, a.y, b.x, b.y);
}

void drawTextRun(Canvas& canvas, const Font& font, std::string_view text, double pixels, XY origin, double angle,
                 bool underline) {
    if (text.empty()) return;
    font.visitGlyphs(text, [&](const GlyphRun& run) { drawGlyphRun(canvas, font, run, pixels, origin, angle, underline); });
}

void drawGlyphRun(Canvas& canvas, const Font& font, const GlyphRun& run, double pixels, XY origin, double angle, bool underline) {
    if (!(pixels > 0) || pixels > kMaxTextPixels || !finite(origin) || canvas.measuring()) return;
    cairo_t* cr = canvas.cr();
    auto& glyphs = canvas.glyphBuffer();
    glyphs.resize(run.glyphs.size());
    const bool turned = angle != 0.0 && std::isfinite(angle);
    const XY base = turned ? XY{0, 0} : origin;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        glyphs[i].index = run.glyphs[i].index;
        glyphs[i].x = base.x + run.glyphs[i].x * pixels;
        glyphs[i].y = base.y + run.glyphs[i].y * pixels;
    }
    const auto show = [&] {
        canvas.setFont(font, pixels);
        if (!glyphs.empty()) cairo_show_glyphs(cr, glyphs.data(), static_cast<int>(glyphs.size()));
        if (underline) {
            const double thickness = std::max(1.0, pixels / 14);
            cairo_rectangle(cr, base.x, base.y + pixels / 8, run.advance * pixels, thickness);
            cairo_fill(cr);
        }
    };
    if (!turned) {
        if (!underline && canvas.canStamp() && pixels <= GlyphStamps::kMaxPixels && stampGlyphs(canvas, font, pixels)) return;
        show();
        return;
    }
    // The colour survives the scope: it is the source set before the save.
    Canvas::Scope scope(canvas);
    cairo_translate(cr, origin.x, origin.y);
    cairo_rotate(cr, -angle * kDegrees);
    show();
}

void drawSelectionFrame(Canvas& canvas, const DeviceBox& box) {
    if (box.empty || !canvas.admit({box.x0 - 6, box.y0 - 6, box.x1 + 6, box.y1 + 6, false})) return;
    cairo_t* cr = canvas.cr();
    const DeviceBox& g = canvas.guard();
    const double x0 = std::clamp(std::floor(box.x0) - 1.5, g.x0, g.x1), y0 = std::clamp(std::floor(box.y0) - 1.5, g.y0, g.y1);
    const double x1 = std::clamp(std::ceil(box.x1) + 1.5, g.x0, g.x1), y1 = std::clamp(std::ceil(box.y1) + 1.5, g.y0, g.y1);
    // Cyan dashes over a dark line read on light and dark maps alike.
    canvas.setColorValue(0x804000, 1.0);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_stroke(cr);
    canvas.setColorValue(0xFFFF00, 1.0);
    const double dash[] = {4.0, 4.0};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_rectangle(cr, x0, y0, x1 - x0, y1 - y0);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
    const double xs[] = {x0, (x0 + x1) / 2, x1}, ys[] = {y0, (y0 + y1) / 2, y1};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (i == 1 && j == 1) continue;
            cairo_rectangle(cr, std::round(xs[i]) - 2.5, std::round(ys[j]) - 2.5, 5, 5);
        }
    }
    canvas.setColorValue(0xFFFF00, 1.0);
    cairo_fill_preserve(cr);
    canvas.setColorValue(0x804000, 1.0);
    cairo_stroke(cr);
}

}  // namespace render
