#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "plotlet/Cli.h"
#include "support/RunCli.h"
#include "support/TempFolder.h"

using testing_support::CliResult;
using testing_support::runCli;
using testing_support::TempFolder;

namespace {

const std::filesystem::path FakeModules = PLOTLET_TEST_PLUGIN_DIR;

}  // namespace

TEST(CliCommands, ListsTheCommandsOfAFolderUnderTheirCategory) {
    TempFolder folder;
    const auto module = folder.copy(FakeModules / "fake_good.so", "good.so");
    const CliResult r = runCli({"commands", "--plugins", folder.path().string()});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Testing\n"
              "  Testing_Fake\n"
              "    caption:   Fake\n"
              "    tool tip:  A fake command\n"
              "    identity:  {00000000-FA6E-4000-8000-000000000001}\n"
              "    module:    FakePlugin (" + module.string() + ")\n");
}

TEST(CliCommands, JsonListsCommandsAndRefusedModules) {
    TempFolder folder;
    folder.copy(FakeModules / "fake_good.so", "good.so");
    const auto bad = folder.write("broken.so", "garbage");
    // The global option may come before the subcommand too.
    const CliResult r = runCli({"--plugins", folder.path().string(), "commands", "--json"});
    EXPECT_EQ(r.code, plotlet::cli::PluginLoadFailure);
    const nlohmann::json listed = nlohmann::json::parse(r.out);
    ASSERT_EQ(listed["commands"].size(), 1u);
    EXPECT_EQ(listed["commands"][0]["name"], "Testing_Fake");
    EXPECT_EQ(listed["commands"][0]["category"], "Testing");
    EXPECT_EQ(listed["commands"][0]["tooltip"], "A fake command");
    ASSERT_EQ(listed["problems"].size(), 1u);
    EXPECT_EQ(listed["problems"][0]["file"], bad.string());
    // The user hears about the refused file on the message stream, not in the data.
    EXPECT_NE(r.err.find(bad.string() + ": not a shared object"), std::string::npos) << r.err;
}

TEST(CliCommands, ExitCodesForAMissingEmptyOrBrokenFolder) {
    TempFolder folder;
    const CliResult missing = runCli({"commands", "--plugins", (folder / "absent").string()});
    EXPECT_EQ(missing.code, plotlet::cli::InputError);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
    EXPECT_EQ(missing.out, "");

    const CliResult empty = runCli({"commands", "--plugins", folder.path().string()});
    EXPECT_EQ(empty.code, plotlet::cli::PluginLoadFailure);
    EXPECT_NE(empty.err.find("no plug-in module loaded"), std::string::npos);

    folder.copy(FakeModules / "fake_nofactory.so", "nofactory.so");
    const CliResult broken = runCli({"commands", "--plugins", folder.path().string()});
    EXPECT_EQ(broken.code, plotlet::cli::PluginLoadFailure);
    EXPECT_NE(broken.err.find("nofactory.so: has no plug-in factory"), std::string::npos) << broken.err;
}

TEST(Cli, VersionHelpAndUsageErrors) {
    const CliResult version = runCli({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("plotlet ", 0), 0u) << version.out;

    const CliResult help = runCli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("commands"), std::string::npos);
    EXPECT_NE(help.out.find("3  plug-in load failure"), std::string::npos);

    EXPECT_EQ(runCli({}).code, plotlet::cli::UsageError);
    const CliResult unknown = runCli({"frobnicate"});
    EXPECT_EQ(unknown.code, plotlet::cli::UsageError);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err, "");
    EXPECT_EQ(runCli({"commands", "--no-such-option"}).code, plotlet::cli::UsageError);
}
