#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "host/Element.h"
#include "host/PropertySetFile.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using namespace host;
using runtime::Variant;
using testing_support::runCli;

namespace {

std::string writeGraphicsFile(const testing_support::TempFolder& folder) {
    auto data = std::make_shared<PropertySet>();
    data->setProperty("LayerName", Variant("Города"));
    data->setProperty("#Vmax#", Variant(8.0));
    auto chart = std::make_shared<MarkerElement>();
    chart->setName("Raleigh");
    chart->setSymbol(std::make_shared<BarChartSymbol>());
    chart->setCustomProperty(Variant(runtime::ObjectPtr(data)));
    auto group = std::make_shared<GroupElement>();
    group->addElement(chart);
    PropertySet set;
    set.setProperty("Graphics", Variant(runtime::ObjectPtr(group)));
    set.setProperty("Scale", Variant(250000.0));
    set.setProperty("TxtFontName", Variant("Arial Narrow"));
    set.setProperty("OpChartPosition", Variant(std::int16_t(3)));
    const std::string path = (folder / "charts 1990.obj").string();
    writePropertySetFile(set, path);
    return path;
}

}  // namespace

TEST(CliInspect, ShowsPropertiesWithNestedObjectsIndented) {
    testing_support::TempFolder folder;
    const std::string path = writeGraphicsFile(folder);
    const auto r = runCli({"inspect", path});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, path + ": 4 properties\n"
                            "  Graphics  GroupElement  1 element\n"
                            "    [0]  MarkerElement  name \"Raleigh\", symbol BarChartSymbol (0 bars)\n"
                            "      (attached data)  PropertySet  2 properties\n"
                            "        LayerName  String  \"Города\"\n"
                            "        #Vmax#  Double  8\n"
                            "  Scale  Double  250000\n"
                            "  TxtFontName  String  \"Arial Narrow\"\n"
                            "  OpChartPosition  Integer  3\n");
}

TEST(CliInspect, WritesJsonWithTypesAndChildren) {
    testing_support::TempFolder folder;
    const auto r = runCli({"inspect", writeGraphicsFile(folder), "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    ASSERT_EQ(doc["properties"].size(), 4u);
    EXPECT_EQ(doc["properties"][0]["children"][0]["children"][0]["children"][0]["value"], "Города");
    EXPECT_EQ(doc["properties"][1]["type"], "Double");
    EXPECT_EQ(doc["properties"][1]["value"], 250000.0);
    EXPECT_EQ(doc["properties"][3]["value"], 3);
}

TEST(CliInspect, BadFilesExitNonZeroNamingTheProblem) {
    testing_support::TempFolder folder;
    const auto truncated = folder.write("cut.par", "{\"format\":\"plotlet.propertyset\",\"vers");
    auto r = runCli({"inspect", truncated.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("cut.par"), std::string::npos);
    EXPECT_NE(r.err.find("not valid JSON"), std::string::npos);
    EXPECT_EQ(r.out, "");
    r = runCli({"inspect", (folder / "absent.leg").string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos);
}
