// `plotlet arrange` and `draw --arrange` end to end on a copy of the sample map: the charts are
// moved apart, stay charts that Recreate at the old place keeps where they were arranged, and
// runs that must change nothing change nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "host/Element.h"
#include "host/MapDocumentFile.h"
#include "host/gdal/Gdal.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::runCli;

namespace {

class Arrange : public ::testing::Test {
protected:
    Arrange() {
        host::gdal::install();
        folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg", "nc.gpkg");
        pmx = folder.copy(std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx", "nc.pmx").string();
    }
    testing_support::CliResult cli(std::vector<std::string> extra) {
        std::vector<std::string> args{"--plugins", PLOTLET_PLUGIN_DIR};
        args.insert(args.end(), extra.begin(), extra.end());
        return runCli(args);
    }
    // Large charts north-east of their points, with labels and leaders: many collide.
    std::vector<std::string> drawArgs(const std::string& save) {
        return {"draw", pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--placement", "ne",
                "--set", "TglBtnLockMin=0", "--set", "TxtChartMarkerSize=90", "--set", "TxtChartWidth=14",
                "--set", "ChkShowLeader=1", "--save", save};
    }
    // Where each chart's bars stand (the chart marker's point), by chart name.
    static std::map<std::string, host::XY> chartPoints(const std::string& path) {
        std::map<std::string, host::XY> points;
        const auto doc = host::readMapDocument(path);
        const auto layer = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
        for (const auto& e : layer->container().elements())
            for (const auto& m : std::dynamic_pointer_cast<host::GroupElement>(e)->elements())
                if (auto marker = std::dynamic_pointer_cast<host::MarkerElement>(m))
                    points[marker->name()] = marker->geometry()->envelope().centre();
        return points;
    }
    static std::size_t countOf(const std::string& text, const std::string& what) {
        const auto at = text.find(what);
        return at == std::string::npos ? std::size_t(-1) : std::stoul(text.substr(at + what.size()));
    }
    testing_support::TempFolder folder;
    std::string pmx;
};


}  // namespace

TEST_F(Arrange, ArrangedChartsStopCollidingAndRecreateAtTheOldPlaceKeepsThem) {
    const std::string drawn = (folder / "drawn.pmx").string(), arranged = (folder / "arranged.pmx").string();
    ASSERT_EQ(cli(drawArgs(drawn)).code, 0);
    auto r = cli({"arrange", drawn, "--layer", "county_points_charts", "--save", arranged});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_GT(countOf(r.out, "overlapping chart pairs: "), 0u) << r.out;
    EXPECT_NE(r.out.find(" before, 0 after\ncharts over another feature's marker: "), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");

    const auto before = chartPoints(drawn), after = chartPoints(arranged);
    ASSERT_EQ(after.size(), 100u);
    int moved = 0;
    for (const auto& [name, p] : after) moved += p.x != before.at(name).x || p.y != before.at(name).y;
    EXPECT_GT(moved, 10);

    // Recreate at the old place, as a person does after dragging charts: they stay put.
    const std::string recreated = (folder / "recreated.pmx").string();
    r = cli({"draw", arranged, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--recreate",
             "--placement", "old", "--set", "TxtChartMarkerSize=90", "--set", "TxtChartWidth=14", "--save", recreated});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto again = chartPoints(recreated);
    ASSERT_EQ(again.size(), after.size());
    for (const auto& [name, p] : after) {
        EXPECT_NEAR(again.at(name).x, p.x, 1e-6) << name;
        EXPECT_NEAR(again.at(name).y, p.y, 1e-6) << name;
    }

    // Arranging again finds nothing to do.
    r = cli({"arrange", arranged, "--save", (folder / "twice.pmx").string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("overlapping chart pairs: 0 before, 0 after"), std::string::npos) << r.out;
}

TEST_F(Arrange, DrawArrangeAndRunsThatChangeNothing) {
    const std::string out = (folder / "out.pmx").string();
    auto args = drawArgs(out);
    args.push_back("--arrange");
    auto r = cli(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("charts arranged: 100 on graphics layer county_points_charts"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" before, 0 after"), std::string::npos) << r.out;

    // A priority field the charts hold is taken; one they lack, an unknown layer and a map
    // without charts are refused and write nothing.
    const std::string target = (folder / "target.pmx").string();
    EXPECT_EQ(cli({"arrange", out, "--priority", "BIR79", "--save", target}).code, 0);
    std::filesystem::remove(target);
    r = cli({"arrange", out, "--priority", "SID74", "--save", target});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--priority SID74: no chart carries the field SID74"), std::string::npos) << r.err;
    EXPECT_EQ(cli({"arrange", out, "--layer", "nope", "--save", target}).code, 2);
    EXPECT_EQ(cli({"arrange", pmx, "--save", target}).code, 2);
    EXPECT_EQ(cli({"arrange", out}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(target));
}

namespace {

// The value labels of the charts of a saved map, by chart.
std::vector<std::vector<std::string>> labelTexts(const std::string& path) {
    std::vector<std::vector<std::string>> texts;
    const auto doc = host::readMapDocument(path);
    const auto layer = doc->focusMap()->basicGraphicsLayer()->findLayerOrNull("county_points_charts");
    for (const auto& e : layer->container().elements()) {
        texts.emplace_back();
        for (const auto& m : std::dynamic_pointer_cast<host::GroupElement>(e)->elements())
            if (auto text = std::dynamic_pointer_cast<host::TextElement>(m)) texts.back().push_back(text->text());
    }
    return texts;
}

bool plainNumber(const std::string& text) { return !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos; }

}  // namespace

TEST_F(Arrange, ShortNumbersOnlyWhereLabelsCrowdAndTheChartsStayCharts) {
    // Small charts: the labels of the two bars stand at about one height, side by side.
    const auto smallCharts = [&](const std::string& save) {
        return std::vector<std::string>{"draw", pmx, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME",
                                        "--size", "40", "--bar-width", "12", "--labels", "--save", save};
    };
    const std::string drawn = (folder / "short.pmx").string();
    auto args = smallCharts(drawn);
    args.insert(args.end(), {"--short-numbers", "--arrange"});
    auto r = cli(args);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::size_t shortened = countOf(r.out, "value labels shortened: ");
    EXPECT_GT(shortened, 10u) << r.out;
    EXPECT_LT(r.out.find("value labels shortened: "), r.out.find("charts arranged: ")) << "shortened before arranging";
    const auto texts = labelTexts(drawn);
    ASSERT_EQ(texts.size(), 100u);
    std::size_t shortForms = 0, full = 0;
    for (const auto& chart : texts) {
        for (const std::string& text : chart) {
            if (text.back() == 'k') ++shortForms;
            else if (plainNumber(text)) ++full;
            else ADD_FAILURE() << text;
        }
    }
    EXPECT_EQ(shortForms, shortened);
    EXPECT_GT(full, 0u) << "labels that fit keep their numbers";

    // Without the option the dialog's labels stay as they are.
    const std::string plain = (folder / "plain.pmx").string();
    ASSERT_EQ(cli(smallCharts(plain)).code, 0);
    for (const auto& chart : labelTexts(plain))
        for (const std::string& text : chart) EXPECT_TRUE(plainNumber(text)) << text;

    // Label removal and Recreate at the old place work on the charts as on any others.
    const std::string bare = (folder / "bare.pmx").string();
    r = cli({"labels", "remove", drawn, "--layer", "county_points_charts", "--save", bare});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const auto& chart : labelTexts(bare)) EXPECT_TRUE(chart.empty());
    const std::string recreated = (folder / "recreated.pmx").string();
    r = cli({"draw", drawn, "--layer", "county_points", "--fields", "BIR74,BIR79", "--key", "NAME", "--recreate",
             "--placement", "old", "--size", "40", "--bar-width", "12", "--save", recreated});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto where = chartPoints(drawn), again = chartPoints(recreated);
    ASSERT_EQ(again.size(), where.size()) << "every chart found";
    for (const auto& [name, p] : where) {
        EXPECT_NEAR(again.at(name).x, p.x, 1e-6) << name;
        EXPECT_NEAR(again.at(name).y, p.y, 1e-6) << name;
    }
    for (const auto& chart : labelTexts(recreated))
        for (const std::string& text : chart) EXPECT_TRUE(plainNumber(text)) << "the dialog's own labels again: " << text;

    // `render` shortens in the picture only; `arrange` does it in the map it saves.
    const auto bytes = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string before = bytes(plain);
    r = cli({"render", plain, "--short-numbers", "--out", (folder / "short.png").string(), "--width", "600"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_GT(countOf(r.out, "value labels shortened: "), 10u) << r.out;
    EXPECT_EQ(bytes(plain), before);
    const std::string arranged = (folder / "arranged.pmx").string();
    r = cli({"arrange", plain, "--short-numbers", "--save", arranged});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_GT(countOf(r.out, "value labels shortened: "), 10u) << r.out;
    EXPECT_EQ(cli({"arrange", plain, "--short-numbers", "--lang", "de", "--save", arranged + "2"}).code, 1);
}
