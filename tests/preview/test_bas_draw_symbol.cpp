// Symbol previews: what a field row of the main dialog shows beside its field, and how the
// drawing procedures fail.
#include <gtest/gtest.h>

#include <vector>

#include "preview/basDrawSymbol.h"
#include "preview/basMakeSymbols.h"

namespace {

using namespace plotlet::basDrawSymbol;

struct Rgb {
    int r, g, b;
};

Rgb rgb(const render::Bitmap& bitmap, int x, int y) {
    const std::uint32_t v = bitmap.pixel(x, y);
    return {static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF)};
}
std::vector<double> corners(const host::Envelope& e) { return {e.xMin(), e.yMin(), e.xMax(), e.yMax()}; }
bool isWhite(const render::Bitmap& b, int x, int y) { return b.pixel(x, y) == 0xFFFFFF; }
bool isNear(const render::Bitmap& b, int x, int y, std::uint32_t colour, int tolerance = 6) {
    const Rgb p = rgb(b, x, y);
    return std::abs(p.r - static_cast<int>(colour & 0xFF)) <= tolerance &&
           std::abs(p.g - static_cast<int>((colour >> 8) & 0xFF)) <= tolerance &&
           std::abs(p.b - static_cast<int>((colour >> 16) & 0xFF)) <= tolerance;
}

// The ink (not white) of a bitmap as x0, y0, x1, y1 (exclusive).
std::vector<int> ink(const render::Bitmap& b) {
    int x0 = b.width(), y0 = b.height(), x1 = 0, y1 = 0;
    for (int y = 0; y < b.height(); ++y) {
        for (int x = 0; x < b.width(); ++x) {
            if (!isWhite(b, x, y)) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x + 1);
                y1 = std::max(y1, y + 1);
            }
        }
    }
    return {x0, y0, x1, y1};
}

class SymbolPreview : public ::testing::Test {
protected:
    void SetUp() override {
        SetFailureObserver([this](const runtime::Error& e) { failures.push_back(e); });
    }
    void TearDown() override { SetFailureObserver(nullptr); }

    // The picture the dialog makes for a field row: 16 × 16 with its own context at 96 dpi.
    render::PicturePtr preview(const host::SymbolPtr& symbol, int size = 16, int gap = 0) {
        render::BitmapHandle bitmap;
        auto picture = CreatePictureFromSymbol(&dialog, bitmap, symbol, size, size, gap);
        if (picture) {
            EXPECT_EQ(picture->bitmap(), bitmap) << "the picture owns the bitmap handed back";
        }
        return picture;
    }

    render::DeviceContext dialog{96.0};
    std::vector<runtime::Error> failures;
};

TEST_F(SymbolPreview, MarkerIsDrawnCentred) {
    auto marker = std::make_shared<host::SimpleMarkerSymbol>();
    marker->setSize(8);  // 10.7 px at 96 dpi
    marker->setColor(host::RgbColor(0x0000FF));
    const auto picture = preview(marker);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->type(), render::Picture::kTypeBitmap);
    const auto box = ink(*picture->bitmap());
    EXPECT_EQ(box[0] + box[2], 16) << "left and right margins equal";
    EXPECT_EQ(box[1] + box[3], 16) << "top and bottom margins equal";
    EXPECT_NEAR(box[2] - box[0], 11, 1);
    EXPECT_TRUE(isNear(*picture->bitmap(), 8, 8, 0x0000FF));
    EXPECT_TRUE(failures.empty());
}

TEST_F(SymbolPreview, BarChartMarkerIsCentredByItsBox) {
    auto chart = std::make_shared<host::BarChartSymbol>();
    chart->setWidth(3);
    chart->setSize(9);
    chart->setMaxValue(1);
    chart->setValue(0, 1);
    chart->setValue(1, 0.5);
    chart->addSymbol(plotlet::basMakeSymbols::MakeFillSymbol(0x00FF00, 0));
    chart->addSymbol(plotlet::basMakeSymbols::MakeFillSymbol(0xFF0000, 0));
    const auto box = ink(*preview(chart, 24)->bitmap());
    EXPECT_NEAR(box[0] + box[2], 24, 1);
    EXPECT_NEAR(box[1] + box[3], 24, 1);
}

TEST_F(SymbolPreview, FillSymbolFillsTheGapReducedPictureWithItsOutlineAtTheEdges) {
    auto fill = plotlet::basMakeSymbols::MakeFillSymbol(0x00C0FF, 0);
    fill->outline()->setWidth(1.5);  // 2 px centred on the envelope's edges
    const auto picture = preview(fill, 16, 2);
    const render::Bitmap& b = *picture->bitmap();  // the picture keeps it alive
    // Envelope (2, 2)–(14, 14): outline over pixels 1…2 and 13…14, fill inside, white outside.
    for (int i : {1, 2, 13, 14}) {
        EXPECT_TRUE(isNear(b, i, 8, 0)) << "outline at x " << i;
        EXPECT_TRUE(isNear(b, 8, i, 0)) << "outline at y " << i;
    }
    for (int i : {3, 8, 12}) EXPECT_TRUE(isNear(b, i, i, 0x00C0FF)) << "fill at " << i;
    for (int i : {0, 15}) {
        EXPECT_TRUE(isWhite(b, i, 8));
        EXPECT_TRUE(isWhite(b, 8, i));
    }
}

TEST_F(SymbolPreview, LineAndTextSymbolsFollowTheDiagonal) {
    auto line = plotlet::basMakeSymbols::MakeLineSymbol(0);
    line->setWidth(1);
    const auto picture = preview(line, 16, 2);
    const render::Bitmap& b = *picture->bitmap();
    const auto lineBox = ink(b);
    EXPECT_NEAR(lineBox[0], 1, 1);
    EXPECT_NEAR(lineBox[2], 15, 1);
    EXPECT_FALSE(isWhite(b, 3, 12)) << "lower left (y down)";
    EXPECT_FALSE(isWhite(b, 12, 3)) << "upper right";
    EXPECT_TRUE(isWhite(b, 3, 3));

    auto text = std::make_shared<host::TextSymbol>();
    text->setSize(8);
    const auto textBox = ink(*preview(text, 64)->bitmap());
    EXPECT_NEAR((textBox[0] + textBox[2]) / 2.0, 32, 2);
    EXPECT_NEAR((textBox[1] + textBox[3]) / 2.0, 32, 3);
}

TEST_F(SymbolPreview, DrawToDcNeedsADeviceContext) {
    auto fill = plotlet::basMakeSymbols::MakeFillSymbol(0x00C0FF, 0);
    EXPECT_FALSE(DrawToDC(nullptr, 16, 16, fill, 0));
    EXPECT_TRUE(failures.empty()) << "the zero context is answered before anything is tried";

    auto memory = render::DeviceContext::createCompatible(&dialog);
    auto bitmap = memory->createCompatibleBitmap(16, 16);
    const auto old = memory->selectObject(bitmap);
    EXPECT_TRUE(DrawToDC(memory.get(), 16, 16, fill, 0));
    EXPECT_TRUE(isNear(*bitmap, 8, 8, 0x00C0FF));
    memory->selectObject(old);
}

TEST_F(SymbolPreview, FailuresInsideAreAbsorbedWithTheirNumbers) {
    auto fill = plotlet::basMakeSymbols::MakeFillSymbol(0x00C0FF, 0);

    render::DeviceContext noResolution(0.0);
    EXPECT_FALSE(CreateTransFromDC(&noResolution, 16, 16));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].number(), errNoResolution);
    EXPECT_EQ(failures[0].source(), "basDrawSymbol.CreateTransFromDC");
    EXPECT_EQ(failures[0].description(), "Could not retrieve Resolution from device context.");

    failures.clear();
    EXPECT_FALSE(DrawToDC(&noResolution, 16, 16, fill, 0));
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[1].number(), errNoTransformationOrGeometry);
    EXPECT_EQ(failures[1].source(), "basDrawSymbol.DrawToDC");
    EXPECT_EQ(failures[1].description(), "Could not create required Transformation or Geometry for this draw operation.");

    failures.clear();
    EXPECT_FALSE(DrawToDC(&dialog, 16, 16, nullptr, 0)) << "no symbol, no shape";
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].number(), errNoTransformationOrGeometry);

    failures.clear();
    EXPECT_FALSE(Clear(&dialog, -1, 0, 0, 4, 4));
    EXPECT_FALSE(Clear(&dialog, 0x1000000, 0, 0, 4, 4));
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0].number(), errBrushFailed);
    EXPECT_EQ(failures[0].source(), "basDrawSymbol.Clear");
    EXPECT_EQ(failures[0].description(), "Could not create GDI Brush.");
    EXPECT_FALSE(Clear(nullptr, 0, 0, 0, 4, 4));
}

TEST_F(SymbolPreview, PicturesComeBackEvenWhenTheDrawingFails) {
    // A picture is made whatever the drawing did: white when nothing could be drawn.
    const auto blank = preview(nullptr);
    ASSERT_TRUE(blank);
    EXPECT_EQ(ink(*blank->bitmap())[0], 16) << "all white";
    // Only a picture that cannot be made at all is nothing.
    for (const int size : {0, -3, 40000}) {
        render::BitmapHandle bitmap;
        EXPECT_FALSE(CreatePictureFromSymbol(&dialog, bitmap, plotlet::basMakeSymbols::MakeFillSymbol(0, 0), size, 16, 0))
            << size;
        EXPECT_FALSE(bitmap);
    }
    // A gap wider than half the picture turns the envelope inside out: still drawn, no crash.
    EXPECT_TRUE(preview(plotlet::basMakeSymbols::MakeFillSymbol(0xFF, 0), 16, 12));
    // Without a dialog context the screen's stands in.
    render::BitmapHandle bitmap;
    EXPECT_TRUE(CreatePictureFromSymbol(nullptr, bitmap, plotlet::basMakeSymbols::MakeFillSymbol(0xFF, 0), 16, 16, 0));
}

TEST_F(SymbolPreview, ShapesAndTransformationForADeviceContext) {
    const host::Envelope e(2, 3, 14, 11);
    const auto point = std::dynamic_pointer_cast<host::Point>(CreateSymbolShape(std::make_shared<host::SimpleMarkerSymbol>(), e));
    ASSERT_TRUE(point);
    EXPECT_EQ(point->xy(), (host::XY{8, 7}));
    for (const host::SymbolPtr& s :
         std::vector<host::SymbolPtr>{std::make_shared<host::SimpleLineSymbol>(), std::make_shared<host::TextSymbol>()}) {
        const auto line = std::dynamic_pointer_cast<host::Polyline>(CreateSymbolShape(s, e));
        ASSERT_TRUE(line);
        ASSERT_EQ(line->segmentCount(), 1u);
        EXPECT_EQ(line->paths()[0].front(), (host::XY{2, 3}));
        EXPECT_EQ(line->paths()[0].back(), (host::XY{14, 11}));
    }
    const auto area = std::dynamic_pointer_cast<host::Envelope>(CreateSymbolShape(std::make_shared<host::SimpleFillSymbol>(), e));
    ASSERT_TRUE(area);
    EXPECT_EQ(corners(*area), corners(e));
    EXPECT_FALSE(CreateSymbolShape(nullptr, e));
    EXPECT_FALSE(CreateSymbolShape(std::make_shared<host::SimpleFillSymbol>(), host::Envelope()));

    render::DeviceContext printer(300.0);
    const auto t = CreateTransFromDC(&printer, 40, 20);
    ASSERT_TRUE(t);
    EXPECT_EQ(corners(t->visibleBounds()), (std::vector<double>{0, 0, 40, 20}));
    EXPECT_EQ(corners(t->bounds()), (std::vector<double>{0, 0, 40, 20}));
    EXPECT_EQ(t->deviceFrame(), (host::DeviceFrame{0, 0, 40, 20}));
    EXPECT_EQ(t->resolution(), 300.0);
    EXPECT_FALSE(CreateTransFromDC(nullptr, 40, 20));
}

}  // namespace
