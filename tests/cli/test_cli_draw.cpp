// `plotlet draw` end to end: the sample data through the plug-in's dialog into a saved map
// document, Recreate on the saved map, layer files, pictures, and runs that must not save.
#include <gtest/gtest.h>

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
    EXPECT_EQ(symbol->values(), (std::vector<double>{1091, 1364}));
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
        {{pmx, "--layer", "counties", "--fields", "BIR74"}, 2, "point layer"},
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
        const auto r = draw(args);
        EXPECT_EQ(r.code, c.code) << c.args[3] << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(readFile(saved), keep);
    }
}
