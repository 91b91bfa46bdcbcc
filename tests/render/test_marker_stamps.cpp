// Point markers stamped from pre-drawn images must look like markers drawn one by one with
// cairo: every style, outlines, turned and translucent markers, at any sub-pixel position and
// cut at the picture's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "render/RenderFixtures.h"
#include "render/SymbolDrawing.h"

namespace {

using rendertest::differenceOf;
using rendertest::drawImage;
using rendertest::frameOf;

std::shared_ptr<host::SimpleMarkerSymbol> marker(host::SimpleMarkerStyle style, double size, std::uint32_t colour,
                                                 double angle = 0, bool outline = false, int transparency = 0) {
    auto m = std::make_shared<host::SimpleMarkerSymbol>();
    m->setStyle(style);
    m->setSize(size);
    host::RgbColor c(colour);
    c.setTransparency(transparency);
    m->setColor(c);
    m->setAngle(angle);
    if (outline) {
        m->setOutline(true);
        m->setOutlineColor(host::RgbColor(0x202020));
        m->setOutlineSize(1.0);
    }
    return m;
}

// The same markers at the same places, stamped (straight into the image) and drawn by cairo
// (inside a canvas scope, where nothing is written straight into the pixels).
void expectStampedLooksDrawn(const std::vector<std::shared_ptr<host::SimpleMarkerSymbol>>& symbols, int count) {
    const host::DisplayTransformation t = frameOf(300, 200, host::Envelope(0, 0, 3000, 2000));
    std::mt19937 random(42);
    // Some markers stand across the edges, to be cut there.
    std::uniform_real_distribution<double> x(-100, 3100), y(-100, 2100);
    std::vector<std::pair<std::size_t, host::XY>> places;
    for (int i = 0; i < count; ++i) places.emplace_back(static_cast<std::size_t>(i) % symbols.size(), host::XY{x(random), y(random)});
    const auto drawAll = [&](render::Canvas& canvas) {
        for (const auto& [k, p] : places) render::drawSimpleMarker(canvas, *symbols[k], p);
    };
    const rendertest::Image stamped = drawImage(t, [&](render::Canvas& canvas) {
        ASSERT_TRUE(canvas.canStamp());
        drawAll(canvas);
    });
    const rendertest::Image drawn = drawImage(t, [&](render::Canvas& canvas) {
        render::Canvas::Scope scope(canvas);
        ASSERT_FALSE(canvas.canStamp());
        drawAll(canvas);
    });
    stamped.keep("stamped-markers");
    drawn.keep("drawn-markers");
    // Anti-aliasing noise only: a stamp's centre lies within a sixteenth of a pixel of the
    // marker's, which moves the coverage of edge pixels by a few levels and never by much.
    const rendertest::ImageDifference d = differenceOf(stamped.surface(), drawn.surface(), 40);
    EXPECT_EQ(d.far, 0);
    EXPECT_LT(d.mean, 2.0);
    EXPECT_LT(differenceOf(stamped.surface(), drawn.surface(), 24).far, 200);
    // And the markers are there at all: the pictures are not both blank.
    EXPECT_FALSE(stamped.ink().empty);
}

TEST(MarkerStamps, StampedMarkersLookLikeDrawnOnes) {
    using S = host::SimpleMarkerStyle;
    expectStampedLooksDrawn({marker(S::Circle, 3, 0x505050)}, 400);
    expectStampedLooksDrawn({marker(S::Circle, 7, 0x2040C0, 0, true), marker(S::Square, 6, 0x30A030, 30, true),
                             marker(S::Diamond, 8, 0xC03030), marker(S::Cross, 9, 0x103080, 15, true),
                             marker(S::X, 7, 0x801010), marker(S::Square, 5, 0x0000FF, 0, false, 128)},
                            600);
}

TEST(MarkerStamps, OverlappingTranslucentMarkersBlendAsCairoDoes) {
    // Many translucent markers piled on one another: each stamp composes over what lies below.
    expectStampedLooksDrawn({marker(host::SimpleMarkerStyle::Circle, 12, 0x3060C0, 0, true, 160)}, 1500);
}

TEST(MarkerStamps, BigMarkersAreDrawnAndStampsSurviveManyLooks) {
    render::MarkerStamps stamps;
    int x = 0, y = 0;
    int painted = 0;
    const auto paint = [&](cairo_t* cr, double cx, double cy) {
        ++painted;
        cairo_arc(cr, cx, cy, 2, 0, 7);
        cairo_fill(cr);
    };
    // Too big to stamp: the caller draws it.
    EXPECT_EQ(stamps.stamp({0, 100, 0, 0, 0xFF000000u, 0}, 150, 0.5, 0.5, x, y, paint), nullptr);
    // A phase is drawn once, then reused; a fraction rounding up to a whole pixel moves the pixel.
    render::StampKey key{0, 2, 0, 0, 0xFF000000u, 0};
    const render::StampImage* a = stamps.stamp(key, 3, 0.25, 0.25, x, y, paint);
    const render::StampImage* b = stamps.stamp(key, 3, 0.25, 0.25, x, y, paint);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(painted, 1);
    x = 10;
    y = 20;
    stamps.stamp(key, 3, 0.99, 0.0, x, y, paint);
    EXPECT_EQ(x, 11);
    EXPECT_EQ(y, 20);
    // More looks than are kept: the old ones go, and asking again draws them again.
    for (int i = 0; i < 100; ++i) {
        render::StampKey other = key;
        other.radius = 1 + i * 0.01;
        ASSERT_NE(stamps.stamp(other, 3, 0.5, 0.5, x, y, paint), nullptr);
    }
    const int before = painted;
    stamps.stamp(key, 3, 0.25, 0.25, x, y, paint);
    EXPECT_EQ(painted, before + 1);
}

}  // namespace

// Stamped glyphs are the pixels cairo draws, up to anti-aliasing noise: texts at any sub-pixel
// place (half a pixel down included), sizes, colours and translucency, overlapping one another
// and cut at the edges. At exactly half a pixel across cairo may cut a glyph's edge column.
TEST(GlyphStamps, StampedTextsAreThePixelsCairoDraws) {
    const host::DisplayTransformation t = frameOf(300, 200, host::Envelope(0, 0, 3000, 2000));
    host::FontSpec face;
    face.name = "Arial";
    const auto font = render::FontCache::instance().font(face);
    const char* texts[] = {"0.5", "12", "100", "-3.25", "98.7", "Ärger"};
    const std::uint32_t colours[] = {0x000000, 0x2040C0, 0x30A030};
    struct Label {
        const char* text;
        double pixels;
        host::XY origin;
        std::uint32_t colour;
        double alpha;
    };
    const auto labelsAt = [&](bool halfAcross) {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> x(-20, 310), y(-5, 215), fraction(0, 1);
        std::vector<Label> labels;
        for (int i = 0; i < 600; ++i) {
            const double fx = halfAcross ? 0.5 : fraction(random), fy = i % 2 == 0 ? 0.5 : fraction(random);
            labels.push_back({texts[i % 6], 6.0 + (i % 5) * 2.3, {std::floor(x(random)) + fx, std::floor(y(random)) + fy},
                              colours[i % 3], i % 7 == 0 ? 0.5 : 1.0});
        }
        return labels;
    };
    for (const bool halfAcross : {false, true}) {
        const std::vector<Label> labels = labelsAt(halfAcross);
        const auto drawAll = [&](render::Canvas& canvas) {
            for (const Label& l : labels) {
                canvas.setColorValue(l.colour, l.alpha);
                render::drawTextRun(canvas, *font, l.text, l.pixels, l.origin, 0.0, false);
            }
        };
        const rendertest::Image stamped = drawImage(t, [&](render::Canvas& canvas) {
            ASSERT_TRUE(canvas.canStamp());
            drawAll(canvas);
        });
        const rendertest::Image drawn = drawImage(t, [&](render::Canvas& canvas) {
            render::Canvas::Scope scope(canvas);
            drawAll(canvas);
        });
        stamped.keep("stamped-glyphs");
        drawn.keep("drawn-glyphs");
        EXPECT_FALSE(stamped.ink().empty);
        // Where two glyphs of one text overlap, cairo adds their coverages before blending;
        // stamps blend one after the other: a few levels on the shared edge pixels.
        EXPECT_EQ(differenceOf(stamped.surface(), drawn.surface(), halfAcross ? 100 : 40).far, 0);
        EXPECT_LT(differenceOf(stamped.surface(), drawn.surface(), 0).far, halfAcross ? 200 : 60);
    }
}

TEST(GlyphStamps, GlyphsAreMadeOnceAndBigOnesLeftToCairo) {
    host::FontSpec face;
    const auto font = render::FontCache::instance().font(face);
    render::GlyphStamps stamps;
    const render::StampImage* made = stamps.glyph(font->face(), render::Font::options(), 10, 20, 0x000000, 1.0);
    ASSERT_NE(made, nullptr);
    const render::StampImage first = *made;
    EXPECT_EQ(stamps.glyph(font->face(), render::Font::options(), 10, 20, 0x000000, 1.0), made);
    // Many other looks later (the table grows and is cleared when full), the glyph is still right.
    for (unsigned long g = 0; g < 5000; ++g) stamps.glyph(font->face(), render::Font::options(), 9 + (g % 3), g % 60, 0x102030 + g, 1.0);
    const render::StampImage* b = stamps.glyph(font->face(), render::Font::options(), 10, 20, 0x000000, 1.0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(first.width, b->width);
    EXPECT_EQ(first.pixels, b->pixels);
    EXPECT_EQ(stamps.glyph(font->face(), render::Font::options(), 200, 20, 0x000000, 1.0), nullptr);
    EXPECT_EQ(stamps.glyph(nullptr, render::Font::options(), 10, 20, 0x000000, 1.0), nullptr);
}
