// The cairo display as the host measures on it: real font metrics, font substitution, and the
// display the host's views get once it is installed.
#include <gtest/gtest.h>

#include <cmath>

#include "host/MxDocument.h"
#include "render/CairoDisplay.h"
#include "render/Fonts.h"

namespace {

host::FontSpec font(const std::string& name, double size = 10, bool bold = false, bool italic = false) {
    host::FontSpec f;
    f.name = name;
    f.size = size;
    f.bold = bold;
    f.italic = italic;
    return f;
}

TEST(CairoDisplay, FontsResolveToMetricCompatibleFacesAndNeverFail) {
    auto& fonts = render::FontCache::instance();
    EXPECT_EQ(fonts.font(font("Arial"))->family(), "Liberation Sans");
    EXPECT_EQ(fonts.font(font("Arial Narrow"))->family(), "Liberation Sans Narrow");
    EXPECT_EQ(fonts.font(font("Times New Roman"))->family(), "Liberation Serif");
    // Unknown names and no name at all come out in a sans face.
    for (const std::string name : {"No Such Font 4711", "", "\xFF\xFE"}) {
        const auto fallback = fonts.font(font(name));
        EXPECT_FALSE(fallback->family().empty());
        EXPECT_GT(fallback->advance("Hello"), 0.0) << name;
    }
}

TEST(CairoDisplay, MeasuresWithTheFontsOwnMetrics) {
    render::CairoDisplay display;
    const host::TextExtent arial = display.measureText(font("Arial", 10), "Population 1234");
    const host::TextExtent narrow = display.measureText(font("Arial Narrow", 10), "Population 1234");
    const host::TextExtent bold = display.measureText(font("Arial", 10, true), "Population 1234");
    EXPECT_LT(narrow.width, arial.width * 0.9);
    EXPECT_GT(bold.width, arial.width);
    // Liberation Sans keeps Arial's metrics: ascent 0.905 em, descent 0.212 em.
    EXPECT_NEAR(arial.ascent, 9.05, 0.01);
    EXPECT_NEAR(arial.descent, 2.12, 0.01);
    // Widths grow in proportion to the size (no hinting of metrics).
    EXPECT_NEAR(display.measureText(font("Arial", 20), "Population 1234").width, 2 * arial.width, 1e-9);
    // Cyrillic texts are measured as drawn, and invalid UTF-8 does not stop the measurement.
    EXPECT_GT(display.measureText(font("Arial", 10), "Население").width, 40.0);
    EXPECT_GT(display.measureText(font("Arial", 10), "bad \xC3( text").width, 0.0);
    // Sizes that are not positive numbers measure nothing.
    for (const double size : {0.0, -4.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(display.measureText(font("Arial", size), "x").width, 0.0);
    EXPECT_EQ(display.measureText(font("Arial", 10), "").width, 0.0);
}

TEST(CairoDisplay, InstalledItBecomesTheScreenDisplayOfNewViews) {
    render::install();
    host::MxDocument document;
    host::Display& display = document.activeView().screenDisplay();
    EXPECT_NE(dynamic_cast<render::CairoDisplay*>(&display), nullptr);
    host::setDisplayFactory(nullptr);
    host::MxDocument plain;
    EXPECT_EQ(dynamic_cast<render::CairoDisplay*>(&plain.activeView().screenDisplay()), nullptr);
}

}  // namespace
