// `plotlet dialog`: the plug-in's main dialog opened on the sample data through the command
// line, driven by settings and clicks in order, and dumped.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "runtime/Text.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

namespace {

using nlohmann::json;
using testing_support::runCli;

const std::string SampleData = std::string(PLOTLET_EXAMPLES) + "/nc/nc.gpkg";
const std::string SampleMap = std::string(PLOTLET_EXAMPLES) + "/nc/nc.pmx";

// The control of that name (and index) in a JSON dump.
json control(const json& dump, const std::string& name, int index = -1) {
    for (const json& c : dump["controls"])
        if (c["name"] == name && (index < 0 || c.value("index", -1) == index)) return c;
    ADD_FAILURE() << "no control " << name;
    return {};
}

json dumpOf(std::vector<std::string> args) {
    args.insert(args.end(), {"--dump", "--json"});
    const auto result = runCli(args);
    EXPECT_EQ(result.code, 0) << result.err;
    return json::parse(result.out);
}

}  // namespace

TEST(CliDialog, ADataFileOpensWithTheStartUpValues) {
    const json dump = dumpOf({"dialog", SampleData});
    EXPECT_EQ(dump["name"], "frmPlotlet");
    EXPECT_EQ(dump["caption"], "Create charts v 2.0");
    EXPECT_EQ(control(dump, "CmbLayers")["text"], "county_points");
    EXPECT_EQ(control(dump, "TxtChartMarkerSize")["text"], "45");
    EXPECT_EQ(control(dump, "TxtChartMarkerSizeMM")["text"], "15.9");
    EXPECT_EQ(control(dump, "TxtMaxValue")["text"], "8");
    EXPECT_EQ(control(dump, "TglBtnLockMin")["value"], true);
    EXPECT_EQ(control(dump, "TxtChartMarkerSize")["enabled"], false);
    EXPECT_EQ(control(dump, "CmdOK", 0)["caption"], "OK");
    EXPECT_EQ(control(dump, "LstFields")["rows"][1], (json{"BIR74", "3"}));

    // The text dump: one line per control.
    const auto text = runCli({"dialog", SampleData, "--dump"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("TextBox TxtChartMarkerSize text=\"45\" disabled\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("OptionButton OpChartPosition(1) caption=\"\" value=true\n"), std::string::npos);
    EXPECT_EQ(text.err, "");
}

TEST(CliDialog, TheMapsReferenceScaleSetsTheSize) {
    // The sample map at its reference scale, and a copy zoomed out to twice that scale.
    EXPECT_EQ(control(dumpOf({"dialog", SampleMap}), "TxtChartMarkerSize")["text"], "45");

    testing_support::TempFolder folder;
    folder.copy(SampleData, "nc.gpkg");
    std::ifstream in(SampleMap);
    std::stringstream text;
    text << in.rdbuf();
    const std::string zoomedOut = runtime::replaceAll(text.str(), "\"mapScale\": 1600000", "\"mapScale\": 3200000");
    ASSERT_NE(zoomedOut, text.str());
    const std::string path = folder.write("zoomed.pmx", zoomedOut).string();
    const json dump = dumpOf({"dialog", path});
    EXPECT_EQ(control(dump, "TxtChartMarkerSize")["text"], "91");
    EXPECT_EQ(control(dump, "TxtChartMarkerSizeMM")["text"], "16.1");
}

TEST(CliDialog, RussianCaptions) {
    const json dump = dumpOf({"dialog", SampleMap, "--lang", "ru"});
    EXPECT_EQ(dump["caption"], "Построение диаграмм v 2.0");
    EXPECT_EQ(control(dump, "CmdOK", 0)["caption"], "ОК");
    EXPECT_EQ(control(dump, "LblMaxValue")["caption"], "Макс.значение по модулю");
    EXPECT_EQ(control(dump, "CmbLanguage")["text"], "Русский");
    EXPECT_EQ(control(dump, "SSTab")["pages"][2]["caption"], "Утилиты");
}

TEST(CliDialog, SettingsAndClicksRunInTheirOrder) {
    const json dump = dumpOf({"dialog", SampleData, "--set", "LstFields=BIR74,SID74,BIR79", "--click", "CmdFieldsTo",
                              "--set", "LstViewFields=BIR79", "--click", "CmdUpDown(0)", "--click", "CmdUpDown(0)",
                              "--set", "LstViewFields=SID74", "--click", "CmdFieldsBack", "--set", "TxtMaxValue=16",
                              "--set", "OpChartPosition=3", "--set", "ChkShowLeader=0", "--click", "TglBtnLockMin",
                              "--set", "TxtChartMarkerSize=90"});
    std::vector<std::string> fields;
    const json list = control(dump, "LstViewFields");
    for (const json& item : list["items"]) fields.push_back(item["subItems"][0]);
    EXPECT_EQ(fields, (std::vector<std::string>{"BIR79", "BIR74"}));
    EXPECT_EQ(control(dump, "OpChartPosition", 3)["value"], true);
    EXPECT_EQ(control(dump, "ChkShowLeader")["value"], 0);
    EXPECT_EQ(control(dump, "TxtMaxValue")["text"], "16");
    EXPECT_EQ(control(dump, "TxtChartMarkerSize")["text"], "90");
    EXPECT_EQ(control(dump, "TxtMinValueMM")["text"], "0.992");  // lock off: Smin follows P
    EXPECT_EQ(control(dump, "SpinBtnChartSize")["value"], 90);
}

TEST(CliDialog, WhatAUserCouldNotDoIsRefused) {
    // The size box is disabled while the scale is locked.
    auto result = runCli({"dialog", SampleData, "--set", "TxtChartMarkerSize=90"});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("--set TxtChartMarkerSize=90"), std::string::npos) << result.err;

    result = runCli({"dialog", SampleData, "--click", "CmdNothing"});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("no control CmdNothing"), std::string::npos) << result.err;

    result = runCli({"dialog", SampleData, "--set", "CmbLayers=rivers"});
    EXPECT_EQ(result.code, 1);

    result = runCli({"dialog", SampleData, "--set", "TxtMaxValue"});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("CONTROL=VALUE"), std::string::npos);

    result = runCli({"dialog", "/no/such/map.pmx"});
    EXPECT_EQ(result.code, 2);

    result = runCli({"dialog", SampleData, "--lang", "de"});
    EXPECT_EQ(result.code, 1);
}

TEST(CliDialog, TheDialogsBoxesGoToStandardError) {
    const auto result = runCli({"dialog", SampleData, "--set", "TxtMaxValue=many", "--dump"});
    EXPECT_EQ(result.code, 0);
    EXPECT_NE(result.err.find("Unexpected Program Error"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("CalcChartSize"), std::string::npos);
    EXPECT_EQ(result.out.find("Unexpected"), std::string::npos);
}
