// Legends from the command line: a chart's legend saved with `plotlet legend`, another map's
// charts coloured from it (or from a layer file) with `draw --legend` and `--pair`, charts
// identified, legend and layer files described, and refused legends that change nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "host/Element.h"
#include "host/MapDocumentFile.h"
#include "host/PropertySetFile.h"
#include "host/Symbol.h"
#include "host/gdal/Gdal.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

namespace {

class LegendCli : public ::testing::Test {
protected:
    LegendCli() {
        host::gdal::install();
        gpkg = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg", "nc.gpkg").string();
        pmx = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx", "nc.pmx").string();
    }
    testing_support::CliResult plotlet(std::vector<std::string> args) {
        args.insert(args.begin(), {"--plugins", PLOTLET_PLUGIN_DIR});
        return runCli(args);
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }
    // The first map: births of 1974 and 1979, saved as first.pmx (with a layer file on request).
    void drawFirst(std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"draw", pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME",
                                      "--seed", "5", "--save", path("first.pmx")};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto r = plotlet(args);
        ASSERT_EQ(r.code, 0) << r.err;
    }
    // The fills of the bars of the chart named `name` in a saved map.
    std::vector<std::shared_ptr<host::FillSymbol>> bars(const std::string& document, const std::string& name = "Ashe") {
        auto doc = host::readMapDocument(document);
        auto layer = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
        auto group = std::dynamic_pointer_cast<host::GroupElement>(layer->container().findElementByName(name));
        auto chart = std::dynamic_pointer_cast<host::BarChartSymbol>(std::dynamic_pointer_cast<host::MarkerElement>(group->element(0))->symbol());
        std::vector<std::shared_ptr<host::FillSymbol>> out;
        for (const auto& s : chart->symbols()) out.push_back(std::dynamic_pointer_cast<host::FillSymbol>(s));
        return out;
    }
    static void expectSameFill(const std::shared_ptr<host::FillSymbol>& a, const std::shared_ptr<host::FillSymbol>& b) {
        ASSERT_TRUE(a && b);
        EXPECT_EQ(a->color(), b->color());
        EXPECT_EQ(a->outline()->color(), b->outline()->color());
        EXPECT_EQ(a->outline()->width(), b->outline()->width());
    }

    testing_support::TempFolder folder;
    std::string gpkg, pmx;
};

}  // namespace

TEST_F(LegendCli, ALegendSavedFromOneChartColoursAnotherMap) {
    drawFirst();
    auto r = plotlet({"legend", path("first.pmx"), "--chart", "Ashe", "--out", path("ashe.leg")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("legend: " + path("ashe.leg")), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Сохранено в файл"), std::string::npos);  // the box that informs is shown, not fatal

    // Another map from the data file; the fields in another order, SID74 not in the legend.
    r = plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR79,SID74,bir74", "--key", "NAME", "--legend",
                 path("ashe.leg"), "--colors", "red,green,blue", "--save", path("second.pmx")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("no legend field for SID74"), std::string::npos) << r.err;
    const auto first = bars(path("first.pmx")), second = bars(path("second.pmx"));
    ASSERT_EQ(second.size(), 3u);
    expectSameFill(second[0], first[0]);  // BIR74 first, as in the legend; the legend wins over --colors
    expectSameFill(second[1], first[1]);
    EXPECT_EQ(second[2]->color().rgb(), 0u);  // SID74: black
    auto doc = host::readMapDocument(path("second.pmx"));
    auto layer = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
    auto marker = std::dynamic_pointer_cast<host::GroupElement>(layer->container().findElementByName("Ashe"))->element(0);
    auto data = marker->customProperty().as<host::PropertySet>();
    EXPECT_EQ(data->items()[3].first, "BIR74");
    EXPECT_EQ(data->items()[5].first, "SID74");
}

TEST_F(LegendCli, ALayerFileServesAsLegendAndPairsAreMadeByHand) {
    drawFirst({"--lyr", path("first.lyr")});
    const auto r = plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "NWBIR74,NWBIR79", "--key", "NAME", "--legend",
                            path("first.lyr"), "--pair", "NWBIR79=BIR79", "--pair", "nwbir74=BIR74", "--save", path("second.pmx")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("no legend field"), std::string::npos) << r.err;
    const auto first = bars(path("first.pmx")), second = bars(path("second.pmx"));
    expectSameFill(second[0], first[0]);
    expectSameFill(second[1], first[1]);

    // A pair replaces an automatic one: BIR79 drawn in BIR74's fill.
    const auto swapped = plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR79", "--key", "NAME", "--legend",
                                  path("first.lyr"), "--pair", "BIR79=BIR74", "--save", path("third.pmx")});
    ASSERT_EQ(swapped.code, 0) << swapped.err;
    expectSameFill(bars(path("third.pmx"))[0], first[0]);
}

TEST_F(LegendCli, RefusedLegendsAndPairsDrawNothing) {
    EXPECT_EQ(plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR74", "--pair", "A=B", "--save", path("x.pmx")}).code, 1);
    EXPECT_EQ(plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR74", "--legend", path("l.leg"), "--pair", "AB",
                       "--save", path("x.pmx")}).code, 1);
    EXPECT_EQ(plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR74", "--legend", gpkg, "--save", path("x.pmx")}).code, 1);
    auto r = plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR74", "--legend", path("none.leg"), "--save", path("x.pmx")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("none.leg"), std::string::npos);

    // A foreign legend that counts more symbols than it holds.
    auto symbols = std::make_shared<host::PropertySet>();
    symbols->setProperty("SymbolCount", runtime::Variant(std::int32_t{4}));
    symbols->setProperty("Field0", runtime::Variant("BIR74"));
    auto legend = std::make_shared<host::PropertySet>();
    legend->setProperty("SymbolsPropertis", runtime::Variant(runtime::ObjectPtr(symbols)));
    host::writePropertySetFile(*legend, path("short.leg"));
    r = plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "BIR74", "--legend", path("short.leg"), "--save", path("x.pmx")});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("Legend file " + path("short.leg")), std::string::npos) << r.err;

    drawFirst({"--lyr", path("first.lyr")});
    r = plotlet({"draw", gpkg, "--layer", "county_points", "--fields", "SID74", "--legend", path("first.lyr"), "--pair", "SID74=NOPE",
                 "--save", path("x.pmx")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("the legend has no field NOPE (it has BIR74, BIR79)"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("x.pmx")));
}

TEST_F(LegendCli, LegendNeedsOneNamedChartAndALegFile) {
    drawFirst();
    EXPECT_EQ(plotlet({"legend", path("first.pmx"), "--chart", "Ashe", "--out", path("ashe.txt")}).code, 1);
    auto r = plotlet({"legend", path("first.pmx"), "--chart", "Atlantis", "--out", path("a.leg")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Atlantis"), std::string::npos);
    EXPECT_EQ(plotlet({"legend", path("first.pmx"), "--chart", "Ashe", "--layer", "nowhere", "--out", path("a.leg")}).code, 2);
    EXPECT_EQ(plotlet({"legend", path("missing.pmx"), "--chart", "Ashe", "--out", path("a.leg")}).code, 2);
    EXPECT_FALSE(std::filesystem::exists(path("a.leg")));
}

TEST_F(LegendCli, IdentifyShowsTheChartsData) {
    drawFirst();
    auto r = plotlet({"identify", path("first.pmx"), "--chart", "Ashe", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["chart"], "Ashe");
    EXPECT_EQ(doc["data"][0]["name"], "LayerName");
    EXPECT_EQ(doc["data"][3]["name"], "BIR74");
    EXPECT_EQ(doc["data"][3]["value"], "1091");
    r = plotlet({"identify", path("first.pmx"), "--chart", "Ashe"});
    EXPECT_NE(r.out.find("  BIR79 = 1364\n"), std::string::npos) << r.out;
}

TEST_F(LegendCli, InfoAndInspectOpenLegendAndLayerFiles) {
    drawFirst({"--lyr", path("first.lyr")});
    ASSERT_EQ(plotlet({"legend", path("first.pmx"), "--chart", "Ashe", "--out", path("ashe.leg")}).code, 0);
    auto r = plotlet({"info", path("first.lyr")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("(layer file)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("drawn as charts of: BIR74 BIR79"), std::string::npos) << r.out;
    r = plotlet({"inspect", path("first.lyr")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ChartRenderer  2 fields"), std::string::npos) << r.out;
    r = plotlet({"info", path("ashe.leg")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Field1  String  \"BIR79\""), std::string::npos) << r.out;
    folder.write("broken.lyr", "{\"format\":");
    r = plotlet({"info", path("broken.lyr")});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("broken.lyr"), std::string::npos);
    EXPECT_EQ(plotlet({"inspect", path("broken.lyr")}).code, 2);
}
