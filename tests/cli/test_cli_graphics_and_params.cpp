// `plotlet graphics save|load` and `plotlet draw --params/--save-params` on the sample map:
// files through the plug-in's own forms, the answers the options give, and the runs that must
// not save.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/Element.h"
#include "host/MapDocumentFile.h"
#include "host/Persistence.h"
#include "host/PropertySetFile.h"
#include "host/gdal/Gdal.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

namespace {

class GraphicsAndParams : public ::testing::Test {
protected:
    GraphicsAndParams() {
        host::gdal::install();
        folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg", "nc.gpkg");
        pmx = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx", "nc.pmx").string();
    }
    testing_support::CliResult cli(std::vector<std::string> extra) {
        std::vector<std::string> args{"--plugins", PLOTLET_PLUGIN_DIR};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    }
    // The sample map with charts of BIR74 and BIR79, saved as charts.pmx.
    std::string chartedMap() {
        const std::string out = path("charts.pmx");
        const auto r = cli({"draw", pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--save", out});
        EXPECT_EQ(r.code, 0) << r.err;
        return out;
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }
    static std::vector<std::string> persisted(const host::GraphicsLayerPtr& layer) {
        host::PersistContext context(host::PersistPurpose::File);
        std::vector<std::string> out;
        for (const auto& e : layer->container().elements()) out.push_back(host::writeObject(e, context).dump());
        return out;
    }
    testing_support::TempFolder folder;
    std::string pmx;
};

TEST_F(GraphicsAndParams, ChartsTravelThroughAGraphicsFileIntoANewLayerOfAnotherMap) {
    const std::string charted = chartedMap();
    const std::string obj = path("charts.obj");
    auto r = cli({"graphics", "save", charted, "--layer", "county_points_charts", "--out", obj});
    ASSERT_EQ(r.code, 0) << r.err;
    // Saving again replaces the file: naming it is the request.
    r = cli({"graphics", "save", charted, "--layer", "county_points_charts", "--out", obj});
    ASSERT_EQ(r.code, 0) << r.err;

    const std::string loaded = path("loaded.pmx");
    r = cli({"graphics", "load", pmx, obj, "--new-layer", "Imported charts", "--save", loaded});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("elements: 100 on graphics layer Imported charts"), std::string::npos) << r.out;
    const auto source = host::readMapDocument(charted)->focusMap()->basicGraphicsLayer()->findLayer("county_points_charts");
    const auto target = host::readMapDocument(loaded)->focusMap()->basicGraphicsLayer()->findLayer("Imported charts");
    EXPECT_EQ(persisted(target), persisted(source));

    // inspect shows what the file holds.
    r = cli({"inspect", obj});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Graphics  GroupElement  100 elements"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("GraphicsLayerReferenceScale"), std::string::npos) << r.out;
}

TEST_F(GraphicsAndParams, RestoringSavedParametersOnlyWhenAsked) {
    const std::string charted = chartedMap();
    const std::string obj = path("charts.obj");
    ASSERT_EQ(cli({"graphics", "save", charted, "--layer", "county_points_charts", "--out", obj}).code, 0);
    // A map at another scale.
    auto doc = host::readMapDocument(pmx);
    const double scale = doc->focusMap()->mapScale();
    doc->focusMap()->setMapScale(scale * 2);
    const std::string other = path("other.pmx");
    host::writeMapDocument(*doc, other);

    auto r = cli({"graphics", "load", other, obj, "--new-layer", "A", "--save", path("a.pmx")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("Map scale"), std::string::npos) << r.err;
    EXPECT_EQ(host::readMapDocument(path("a.pmx"))->focusMap()->mapScale(), scale * 2);
    r = cli({"graphics", "load", other, obj, "--new-layer", "A", "--restore-parameters", "--save", path("b.pmx")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(host::readMapDocument(path("b.pmx"))->focusMap()->mapScale(), scale);
}

TEST_F(GraphicsAndParams, RefusedFilesAndFailuresSaveNothing) {
    const std::string charted = chartedMap();
    const std::string out = path("out.pmx");
    // A truncated graphics file.
    const std::string obj = path("charts.obj");
    ASSERT_EQ(cli({"graphics", "save", charted, "--layer", "county_points_charts", "--out", obj}).code, 0);
    std::filesystem::resize_file(obj, std::filesystem::file_size(obj) / 2);
    auto r = cli({"graphics", "load", pmx, obj, "--new-layer", "X", "--save", out});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(r.err.find("OK!"), std::string::npos) << r.err;
    // A missing file, a layer the map lacks, a taken new-layer name, both targets.
    EXPECT_EQ(cli({"graphics", "load", pmx, path("none.obj"), "--new-layer", "X", "--save", out}).code, 2);
    EXPECT_EQ(cli({"graphics", "save", charted, "--layer", "nothing", "--out", path("n.obj")}).code, 2);
    EXPECT_EQ(cli({"graphics", "load", charted, obj, "--new-layer", "county_points_charts", "--save", out}).code, 2);
    EXPECT_EQ(cli({"graphics", "load", charted, obj, "--layer", "a", "--new-layer", "b", "--save", out}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(out));
    // A save the form reports as failed: the folder does not exist.
    r = cli({"graphics", "save", charted, "--layer", "county_points_charts", "--out", path("no folder/x.obj")});
    EXPECT_EQ(r.code, 5) << r.err;
    EXPECT_EQ(r.err.find("OK!"), std::string::npos) << r.err;
}

TEST_F(GraphicsAndParams, DrawAppliesAParameterFileBeforeItsOtherOptions) {
    const std::string par = path("settings.par");
    auto r = cli({"draw", pmx, "--layer", "county_points", "--fields", "BIR74", "--set", "TxtMaxValue=5000", "--set",
                  "TxtChartWidth=6", "--placement", "sw", "--save", path("first.pmx"), "--save-params", par});
    ASSERT_EQ(r.code, 0) << r.err;
    auto set = host::readPropertySetFile(par);
    EXPECT_EQ(set->getProperty("TxtMaxValue"), runtime::Variant("5000"));
    EXPECT_EQ(set->getProperty("OpChartPosition"), runtime::Variant(std::int16_t(10)));

    // The file's maximum counts as given; --set still wins over the file.
    r = cli({"draw", pmx, "--layer", "county_points", "--fields", "BIR79", "--params", par, "--set", "TxtChartWidth=9",
             "--save", path("second.pmx"), "--save-params", path("second.par")});
    ASSERT_EQ(r.code, 0) << r.err;
    auto second = host::readPropertySetFile(path("second.par"));
    EXPECT_EQ(second->getProperty("TxtMaxValue"), runtime::Variant("5000"));
    EXPECT_EQ(second->getProperty("TxtChartWidth"), runtime::Variant("9"));
    EXPECT_EQ(second->getProperty("OpChartPosition"), runtime::Variant(std::int16_t(10)));
    auto charts = host::readMapDocument(path("second.pmx"))->focusMap()->basicGraphicsLayer()->findLayer("county_points_charts");
    auto group = std::dynamic_pointer_cast<host::GroupElement>(charts->container().elements().front());
    auto symbol = std::dynamic_pointer_cast<host::BarChartSymbol>(std::dynamic_pointer_cast<host::MarkerElement>(group->element(0))->symbol());
    EXPECT_EQ(symbol->maxValue(), 5000);

    // A file naming controls the dialog lacks is refused whole, and nothing is saved.
    set->setProperty("TxtNoSuchControl", runtime::Variant("1"));
    host::writePropertySetFile(*set, path("foreign.par"));
    r = cli({"draw", pmx, "--layer", "county_points", "--fields", "BIR74", "--params", path("foreign.par"), "--save", path("third.pmx")});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("TxtNoSuchControl"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("third.pmx")));
    std::ofstream(path("text.par")) << "TxtMaxValue=5";
    EXPECT_EQ(cli({"draw", pmx, "--layer", "county_points", "--fields", "BIR74", "--params", path("text.par"), "--save", path("third.pmx")}).code, 2);
    EXPECT_FALSE(std::filesystem::exists(path("third.pmx")));
}

}  // namespace
