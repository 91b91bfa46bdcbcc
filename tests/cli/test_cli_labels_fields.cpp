// `plotlet labels remove` and `plotlet fields delete` end to end on copies of the sample data:
// what they change, and the runs that must change nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/Element.h"
#include "host/MapDocumentFile.h"
#include "host/gdal/Gdal.h"
#include "host/gdal/GdalFeatureClass.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LabelsAndFields : public ::testing::Test {
protected:
    LabelsAndFields() {
        host::gdal::install();
        gpkg = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg", "nc.gpkg").string();
        pmx = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx", "nc.pmx").string();
    }
    testing_support::CliResult cli(std::vector<std::string> extra) {
        std::vector<std::string> args{"--plugins", PLOTLET_PLUGIN_DIR};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    }
    // The sample's charts with labels, saved to charts.pmx.
    std::string drawCharts() {
        const std::string saved = (folder / "charts.pmx").string();
        const auto r = cli({"draw", pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--set",
                            "TxtMaxValue=10000", "--save", saved});
        EXPECT_EQ(r.code, 0) << r.err;
        return saved;
    }
    static int texts(const host::ElementPtr& chart) {
        int n = 0;
        for (const auto& m : std::dynamic_pointer_cast<host::GroupElement>(chart)->elements())
            n += dynamic_cast<const host::TextElement*>(m.get()) != nullptr;
        return n;
    }
    static int members(const host::ElementPtr& chart) {
        return static_cast<int>(std::dynamic_pointer_cast<host::GroupElement>(chart)->elementCount());
    }
    std::vector<std::string> fieldsOf(const std::string& path, const std::string& layer) {
        std::vector<std::string> names;
        const auto featureClass = host::gdal::openFeatureClass(path, layer);
        for (const auto& f : featureClass->fields()) names.push_back(f.name);
        return names;
    }
    testing_support::TempFolder folder;
    std::string gpkg, pmx;
};

}  // namespace

TEST_F(LabelsAndFields, LabelsRemoveTakesTheLabelsOfTheNamedChartsOrOfAll) {
    const std::string charts = drawCharts();
    const std::string out = (folder / "nolabels.pmx").string();
    auto before = host::readMapDocument(charts);
    auto layerBefore = before->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
    const auto ashe = layerBefore->container().findElementByName("Ashe");
    ASSERT_GT(texts(ashe), 0);

    auto r = cli({"labels", "remove", charts, "--layer", "county_points_charts", "--chart", "Ashe", "--chart", "Wake",
                  "--save", out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("selected: 2"), std::string::npos) << r.out;
    auto doc = host::readMapDocument(out);
    auto layer = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
    EXPECT_EQ(texts(layer->container().findElementByName("Ashe")), 0);
    EXPECT_EQ(texts(layer->container().findElementByName("Wake")), 0);
    EXPECT_EQ(members(layer->container().findElementByName("Ashe")), members(ashe) - texts(ashe));
    EXPECT_GT(texts(layer->container().findElementByName("Durham")), 0);

    // Every chart of the map, then Recreate on the result still finds them all.
    r = cli({"labels", "remove", out, "--save", out});
    ASSERT_EQ(r.code, 0) << r.err;
    doc = host::readMapDocument(out);
    layer = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
    for (const auto& e : layer->container().elements()) EXPECT_EQ(texts(e), 0);
    r = cli({"draw", out, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--recreate",
             "--placement", "old", "--set", "TxtMaxValue=10000", "--save", out});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("charts: 100 "), std::string::npos) << r.out;

    // Unknown charts and layers change nothing.
    const std::string saved = readFile(out);
    EXPECT_EQ(cli({"labels", "remove", out, "--chart", "Atlantis", "--save", out}).code, 2);
    EXPECT_EQ(cli({"labels", "remove", out, "--layer", "nope", "--save", out}).code, 2);
    EXPECT_EQ(cli({"labels", "remove", out}).code, 1);  // --save is required
    EXPECT_EQ(readFile(out), saved);
}

TEST_F(LabelsAndFields, FieldsDeleteDeletesThroughTheDialogOrRefuses) {
    const auto original = fieldsOf(gpkg, "county_points");
    ASSERT_NE(std::find(original.begin(), original.end(), "SID74"), original.end());
    const std::string bytes = readFile(gpkg);

    // Off a terminal it needs --yes; unknown fields and required fields are refused.
    auto r = cli({"fields", "delete", gpkg, "--layer", "county_points", "--fields", "SID74,NWBIR74"});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_NE(r.err.find("--yes"), std::string::npos) << r.err;
    EXPECT_EQ(cli({"fields", "delete", gpkg, "--layer", "county_points", "--fields", "SID74,NOPE", "--yes"}).code, 2);
    EXPECT_EQ(cli({"fields", "delete", gpkg, "--layer", "nope", "--fields", "SID74", "--yes"}).code, 2);
    r = cli({"fields", "delete", gpkg, "--layer", "county_points", "--fields", "SID74," + original[1], "--yes"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("Required fields of the layer cannot be deleted: " + original[1]), std::string::npos) << r.err;
    EXPECT_EQ(fieldsOf(gpkg, "county_points"), original);
    EXPECT_EQ(readFile(gpkg), bytes);

    // Through the map document: the layer's data file changes.
    r = cli({"fields", "delete", pmx, "--layer", "county_points", "--fields", "sid74,NWBIR74", "--yes"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("deleted: SID74, NWBIR74"), std::string::npos) << r.out;
    auto expected = original;
    std::erase(expected, "SID74");
    std::erase(expected, "NWBIR74");
    EXPECT_EQ(fieldsOf(gpkg, "county_points"), expected);
}

TEST_F(LabelsAndFields, FieldsDeleteRefusesCsvAndReadOnlyFiles) {
    const auto csv = folder.write("points.csv", "x,y,a,b\n1,2,3,4\n");
    auto r = cli({"fields", "delete", csv.string(), "--layer", "points", "--fields", "a", "--yes"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("CSV"), std::string::npos) << r.err;
    EXPECT_EQ(readFile(csv), "x,y,a,b\n1,2,3,4\n");

    std::filesystem::permissions(gpkg, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    r = cli({"fields", "delete", gpkg, "--layer", "county_points", "--fields", "SID74", "--yes"});
    EXPECT_EQ(r.code, 2) << r.err;
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
}
