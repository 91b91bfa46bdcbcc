// Whole pictures against references kept under tests/data/render, with a tolerance for the
// antialiasing of edges and glyphs. PLOTLET_UPDATE_REFERENCES=1 writes the references anew
// (look at them before committing).
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/ChartGeometry.h"
#include "preview/basDrawSymbol.h"
#include "preview/basMakeSymbols.h"
#include "render/ElementDrawing.h"
#include "render/Png.h"
#include "render/RenderFixtures.h"

using namespace rendertest;

namespace {

std::string referencePath(const std::string& name) { return std::string(PLOTLET_TEST_DATA) + "/render/" + name + ".png"; }

// At most 0.5 % of the pixels may differ by more than 40 on a channel, and the mean difference
// stays under 2.
void expectMatchesReference(cairo_surface_t* image, const std::string& name) {
    if (std::getenv("PLOTLET_UPDATE_REFERENCES")) {
        render::writePng(image, referencePath(name));
        GTEST_SKIP() << "wrote " << referencePath(name);
    }
    render::SurfacePtr reference(cairo_image_surface_create_from_png(referencePath(name).c_str()));
    ASSERT_EQ(cairo_surface_status(reference.get()), CAIRO_STATUS_SUCCESS) << referencePath(name);
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    ASSERT_EQ(cairo_image_surface_get_width(reference.get()), w);
    ASSERT_EQ(cairo_image_surface_get_height(reference.get()), h);
    const ImageDifference d = differenceOf(image, reference.get());
    EXPECT_LE(d.far, static_cast<long>(w) * h / 200) << name << ": pixels far from the reference";
    EXPECT_LT(d.mean, 2.0) << name << ": mean difference";
}

TEST(ReferenceImages, ChartWithLabelsBreakMarkAndLeader) {
    // 160 × 120 pixels over map units 0…160 × 0…120 at 96 dpi.
    const host::DisplayTransformation t = frameOf(160, 120, host::Envelope(0, 0, 160, 120));
    const double k = 4.0 / 3.0;  // map units per point here
    auto chart = barChart({10, 6.5, 3, 0.5}, {0x2030D0, 0x30B030, 0xD07020, 0x20C0E0}, 10, 7, 36);
    auto callout = std::make_shared<host::LineCallout>();
    callout->setLeaderWidth(0.5);
    callout->setGap(3);
    callout->setLeaderTolerance(10);
    callout->setAnchorPoint(host::XY{30, 15});
    chart->setBackground(callout);
    const host::XY at{90, 30};
    const host::Envelope box = host::chartBox(*chart, at, k);
    auto group = std::make_shared<host::GroupElement>();
    group->addElement(markerAt(at, chart));
    const double slot = box.width() / 4;
    const char* labels[] = {"14.2", "6.5", "3", "0.5"};
    const double values[] = {10, 6.5, 3, 0.5};
    for (int i = 0; i < 4; ++i) {
        group->addElement(
            textAt({box.xMin() + slot * (i + 0.5), box.yMin() + values[i] / 10 * box.height()}, labels[i], 7, 1, 3));
    }
    group->addElement(zigzag(box.height() / 10, slot, box.xMin(), box.yMin() + 0.8 * box.height()));
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setSize(7);
    marker->setColor(host::RgbColor(0x3030A0));
    const Image image = drawImage(t, [&](render::Canvas& c) {
        render::drawElement(c, *markerAt({30, 15}, marker));
        render::drawElement(c, *group);
        render::drawElement(c, *textAt({5, 112}, "Население", 9, 0, 0, "Arial Narrow"));
    });
    image.keep("reference-chart");
    expectMatchesReference(image.surface(), "chart-scene");
}

TEST(ReferenceImages, FieldSymbolPreviews) {
    using namespace plotlet;
    std::vector<host::SymbolPtr> symbols;
    for (const int style : {0, 2, 5, 7}) {
        auto fill = basMakeSymbols::MakeFillSymbol(0x2060E0, 0);
        fill->setStyle(static_cast<host::SimpleFillStyle>(style));
        symbols.push_back(fill);
    }
    auto multi = std::make_shared<host::MultiLayerFillSymbol>();
    auto hatch = basMakeSymbols::MakeFillSymbol(0, 0x0000FF);
    hatch->setStyle(host::SimpleFillStyle::DiagonalCross);
    multi->addLayer(hatch);
    multi->addLayer(basMakeSymbols::MakeFillSymbol(0x80FFFF, 0));
    symbols.push_back(multi);
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setStyle(host::SimpleMarkerStyle::Diamond);
    marker->setSize(12);
    marker->setColor(host::RgbColor(0x00A000));
    marker->setOutline(true);
    symbols.push_back(marker);
    auto line = basMakeSymbols::MakeLineSymbol(0x800000);
    line->setStyle(1);
    line->setWidth(1.5);
    symbols.push_back(line);

    render::DeviceContext dialog(96.0);
    render::SurfacePtr strip(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 20 * static_cast<int>(symbols.size()), 16));
    render::ContextPtr cr(cairo_create(strip.get()));
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        render::BitmapHandle bitmap;
        ASSERT_TRUE(basDrawSymbol::CreatePictureFromSymbol(&dialog, bitmap, symbols[i], 16, 16, 0));
        cairo_set_source_surface(cr.get(), bitmap->surface(), 20.0 * static_cast<double>(i), 0);
        cairo_paint(cr.get());
    }
    cr.reset();
    expectMatchesReference(strip.get(), "field-previews");
}

}  // namespace
