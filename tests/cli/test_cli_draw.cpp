// `plotlet draw` end to end: the sample data through the plug-in's dialog into a saved map
// document, Recreate on the saved map, layer files, pictures, and runs that must not save.
#include <gtest/gtest.h>

#include <cairo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/Element.h"
#include "host/LayerFile.h"
#include "host/MapDocumentFile.h"
#include "host/Renderer.h"
#include "host/gdal/Gdal.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DrawCommand : public ::testing::Test {
protected:
    DrawCommand() {
        host::gdal::install();
        gpkg = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg", "nc.gpkg").string();
        pmx = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx", "nc.pmx").string();
        saved = (folder / "charts.pmx").string();
    }
    testing_support::CliResult draw(std::vector<std::string> extra) {
        std::vector<std::string> args{"--plugins", PLOTLET_PLUGIN_DIR, "draw"};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    }
    host::GraphicsLayerPtr charts(const host::MxDocumentPtr& doc, const std::string& name = "county_points_charts") {
        return doc->focusMap()->basicGraphicsLayer()->findLayerOrNull(name);
    }
    testing_support::TempFolder folder;
    std::string gpkg, pmx, saved;
};

}  // namespace

TEST_F(DrawCommand, DrawsTheSampleChartsAndSavesThem) {
    const auto r = draw({pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--placement",
                         "ne", "--save", saved});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("charts: 100 on graphics layer county_points_charts"), std::string::npos) << r.out;
    auto doc = host::readMapDocument(saved);
    auto layer = charts(doc);
    ASSERT_TRUE(layer);
    ASSERT_EQ(layer->container().elementCount(), 100u);
    auto ashe = std::dynamic_pointer_cast<host::GroupElement>(layer->container().findElementByName("Ashe"));
    ASSERT_TRUE(ashe);
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(
        std::dynamic_pointer_cast<host::MarkerElement>(ashe->element(0))->symbol());
    // The scale was taken from the data, as the dialog's max button does: Mecklenburg's 30757 (BIR79).
    EXPECT_EQ(symbol->maxValue(), 30757);
    EXPECT_EQ(symbol->symbolCount(), 2u);
    EXPECT_EQ(symbol->valueList(), (std::vector<double>{1091, 1364}));
    EXPECT_TRUE(r.err.find("Unexpected") == std::string::npos) << r.err;
}

TEST_F(DrawCommand, ADataFileBecomesANewMapAndRecreateKeepsThePlaces) {
    auto r = draw({gpkg, "--layer", "county_points", "--fields", "BIR74,SID74", "--key", "NAME", "--set",
                   "TxtMaxValue=5000", "--save", saved});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<host::Envelope> before;
    {
        auto doc = host::readMapDocument(saved);
        for (const auto& e : charts(doc)->container().elements())
            before.push_back(std::dynamic_pointer_cast<host::GroupElement>(e)->element(0)->geometry()->envelope());
    }
    const std::string again = (folder / "again.pmx").string();
    r = draw({saved, "--layer", "county_points", "--fields", "BIR79,SID79", "--key", "NAME", "--recreate",
              "--placement", "old", "--set", "TxtMaxValue=5000", "--save", again});
    ASSERT_EQ(r.code, 0) << r.err;
    auto doc = host::readMapDocument(again);
    ASSERT_EQ(charts(doc)->container().elementCount(), 100u);
    // Every bar is positive: the chart's base and left edge, and so its marker point, stay put.
    std::size_t i = 0;
    for (const auto& e : charts(doc)->container().elements()) {
        const host::Envelope now = std::dynamic_pointer_cast<host::GroupElement>(e)->element(0)->geometry()->envelope();
        EXPECT_NEAR(now.xMin(), before[i].xMin(), 1e-6) << i;
        EXPECT_NEAR(now.yMin(), before[i].yMin(), 1e-6) << i;
        ++i;
    }
}

TEST_F(DrawCommand, DrawsThePictureToo) {
    const std::string png = (folder / "charts.png").string();
    const auto r = draw({pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--lang", "ru", "--save", saved,
                         "--out", png, "--width", "800"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string bytes = readFile(png);
    ASSERT_GT(bytes.size(), 1000u);
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_NE(r.out.find("picture: "), std::string::npos);
}

TEST_F(DrawCommand, LayerFileDrawsTheSameCharts) {
    const std::string lyr = (folder / "births.lyr").string();
    const auto r = draw({pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--lyr", lyr, "--save", saved});
    ASSERT_EQ(r.code, 0) << r.err;
    auto layer = std::dynamic_pointer_cast<host::FeatureLayer>(host::readLayerFile(lyr));
    ASSERT_TRUE(layer && layer->featureClass());
    auto renderer = std::dynamic_pointer_cast<host::ChartRenderer>(layer->renderer());
    ASSERT_TRUE(renderer);
    ASSERT_EQ(renderer->fieldCount(), 2u);
    EXPECT_EQ(renderer->field(1).name, "BIR79");
}

TEST_F(DrawCommand, RunsThatFailSaveNothing) {
    const std::string keep = "an older document\n";
    { std::ofstream(saved) << keep; }
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--selected", "BIR74 > 1e9"}, 2, "nothing drawn"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--set", "TxtMaxValue=abc"}, 5, "Line : 9"},
        {{pmx, "--layer", "counties", "--fields", "BIR74"}, 1, "pass --yes"},
        {{pmx, "--layer", "nowhere", "--fields", "BIR74"}, 2, "no layer nowhere"},
        {{pmx, "--layer", "county_points", "--fields", "NAME"}, 2, "not a numeric field"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--key", "NOPE"}, 2, "no such field"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--placement", "old"}, 1, "needs --recreate"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--placement", "42"}, 1, "codes are"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--set", "TxtChartWidth"}, 1, "CONTROL=VALUE"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--set", "Nothing=1"}, 1, "no control"},
        {{pmx, "--layer", "county_points", "--fields", "BIR74", "--out", "x.gif"}, 1, ".png, .svg or .pdf"},
        {{(folder / "missing.pmx").string(), "--layer", "county_points", "--fields", "BIR74"}, 2, "missing.pmx"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--save", saved});
        if (c.args[2] == "counties" && ::isatty(STDIN_FILENO)) continue;  // on a terminal the offer is asked
        const auto r = draw(args);
        EXPECT_EQ(r.code, c.code) << c.args[3] << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(readFile(saved), keep);
    }
}

TEST_F(DrawCommand, ThePictureIsKeptOnlyWhenTheSaveSucceeds) {
    // The picture is drawn while the document is saved: a save that fails (the document's name
    // is a folder) leaves no picture behind, an older one as it was, and no temporary file.
    const std::string png = (folder / "charts.png").string();
    { std::ofstream(png) << "an older picture"; }
    const std::string folderAsDocument = (folder / "taken.pmx").string();
    std::filesystem::create_directory(folderAsDocument);
    auto r = draw({pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--save", folderAsDocument, "--out", png});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("taken.pmx"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("picture: "), std::string::npos) << r.out;
    EXPECT_EQ(readFile(png), "an older picture");
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".drawing"), std::string::npos) << entry.path();

    // A save that fails while the picture is being drawn (the disk takes no more than half the
    // document): the drawing is stopped and its picture not kept.
    {
        struct rlimit before {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);  // a failed write instead of the end
        struct rlimit small = before;
        small.rlim_cur = 50'000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const std::string late = (folder / "late.pmx").string();
        r = draw({pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--save", late, "--out", png, "--width", "200"});
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_NE(r.err.find("late.pmx"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(late));
        EXPECT_EQ(readFile(png), "an older picture");
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            EXPECT_EQ(entry.path().filename().string().find(".drawing"), std::string::npos) << entry.path();
    }

    // A picture that cannot be written after a good save: the document stays, the message names
    // the picture (not the temporary file it was drawn into).
    const std::string nowhere = (folder / "no such folder" / "charts.png").string();
    r = draw({pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--save", saved, "--out", nowhere});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("the map document was saved, but the picture was not"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("charts.png"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(".drawing"), std::string::npos) << r.err;
    EXPECT_EQ(charts(host::readMapDocument(saved))->container().elementCount(), 100u);
}

namespace {

// Pixels of a PNG within `tolerance` of the colour 0x00BBGGRR.
std::size_t pixelsOf(const std::string& png, std::uint32_t bgr, int tolerance = 6) {
    cairo_surface_t* image = cairo_image_surface_create_from_png(png.c_str());
    std::size_t count = 0;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
        const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
        const int stride = cairo_image_surface_get_stride(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        const int want[3] = {static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF)};
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            for (int x = 0; x < w; ++x) {
                const int r = (row[x] >> 16) & 0xFF, g = (row[x] >> 8) & 0xFF, b = row[x] & 0xFF;
                if (std::abs(r - want[0]) <= tolerance && std::abs(g - want[1]) <= tolerance && std::abs(b - want[2]) <= tolerance)
                    ++count;
            }
        }
    }
    cairo_surface_destroy(image);
    return count;
}

}  // namespace

TEST_F(DrawCommand, PicturesCarryALegendTitleAndScaleBarThatTheMapDoesNotKeep) {
    const std::string withLegend = (folder / "legend.png").string(), without = (folder / "plain.png").string();
    const std::vector<std::string> common{pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--seed", "6", "--save", saved,
                                          "--width", "900"};
    auto args = common;
    args.insert(args.end(), {"--out", withLegend, "--title", "Рождения 1974", "--scale-bar", "--north-arrow"});
    auto r = draw(args);
    ASSERT_EQ(r.code, 0) << r.err;
    args = common;
    args.insert(args.end(), {"--out", without, "--no-map-legend"});
    r = draw(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(readFile(saved).find("Рождения"), std::string::npos) << "the title belongs to the picture only";

    // The legend's swatches are the charts' own field symbols: the picture with the legend has a
    // swatch's worth more of each field's colour (14 × 9 points at 96 dpi: about 220 pixels).
    const host::MxDocumentPtr doc = host::readMapDocument(saved);
    const auto chartsLayer = charts(doc);
    ASSERT_TRUE(chartsLayer);
    std::shared_ptr<host::MarkerElement> marker;
    for (const auto& element : chartsLayer->container().elements()) {
        if (auto m = std::dynamic_pointer_cast<host::MarkerElement>(element)) marker = m;
        else if (auto g = std::dynamic_pointer_cast<host::GroupElement>(element))
            for (const auto& member : g->elements())
                if (auto gm = std::dynamic_pointer_cast<host::MarkerElement>(member)) marker = gm;
        if (marker) break;
    }
    ASSERT_TRUE(marker);
    const auto chart = std::dynamic_pointer_cast<host::BarChartSymbol>(marker->symbol());
    ASSERT_TRUE(chart);
    for (std::size_t k = 0; k < 2; ++k) {
        const std::uint32_t colour = std::dynamic_pointer_cast<host::FillSymbol>(chart->symbol(k))->color().rgb();
        const std::size_t more = pixelsOf(withLegend, colour) - pixelsOf(without, colour);
        EXPECT_GT(more, 150u) << "field " << k;
        EXPECT_LT(more, 300u) << "field " << k;
    }
}

TEST(CliRenderDecorations, LanguageOfTheCaptionsMustBeKnown) {
    testing_support::TempFolder folder;
    const std::string png = (folder / "x.png").string();
    const std::string sample = std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx";
    auto r = runCli({"render", sample, "-o", png, "--lang", "de", "--scale-bar"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("--lang de"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(png));
    r = runCli({"render", sample, "-o", png, "--width", "400", "--lang", "ru", "--scale-bar", "--north-arrow", "--title", "Карта"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(png));
}
