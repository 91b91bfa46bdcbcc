#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "host/PluginLoader.h"
#include "support/TempFolder.h"

using testing_support::TempFolder;

namespace {

const std::filesystem::path FakeModules = PLOTLET_TEST_PLUGIN_DIR;

std::filesystem::path fake(const std::string& kind) { return FakeModules / ("fake_" + kind + ".so"); }

std::string firstBytes(const std::filesystem::path& file, std::size_t count) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The reason recorded for `file`, or "" when the loader recorded none.
std::string reasonFor(const host::PluginLoader& loader, const std::filesystem::path& file) {
    for (const host::PluginProblem& problem : loader.problems()) {
        if (problem.file == file) return problem.reason;
    }
    return {};
}

}  // namespace

TEST(PluginLoader, LoadsAModuleAndCreatesItsCommand) {
    TempFolder folder;
    folder.copy(fake("good"), "good.so");
    host::PluginLoader loader;
    loader.loadFolder(folder.path());

    EXPECT_TRUE(loader.problems().empty());
    ASSERT_EQ(loader.modules().size(), 1u);
    const host::PluginModule& module = loader.modules()[0];
    EXPECT_EQ(module.componentId(), "{00000000-FA6E-4000-8000-000000000001}");
    EXPECT_EQ(module.moduleName(), "FakePlugin");
    EXPECT_EQ(module.category(), "Testing");
    EXPECT_EQ(module.file(), folder / "good.so");
    EXPECT_EQ(module.startupFailureLabel(), "Fake Load");
    EXPECT_EQ(module.createCommand()->Name(), "Testing_Fake");
}

TEST(PluginLoader, CommandKeepsItsModuleLoadedAfterTheLoaderIsGone) {
    TempFolder folder;
    folder.copy(fake("good"), "good.so");
    std::shared_ptr<host::ICommand> command;
    {
        host::PluginLoader loader;
        loader.loadFolder(folder.path());
        ASSERT_EQ(loader.modules().size(), 1u);
        command = loader.modules()[0].createCommand();
    }
    // The command's code still runs: unloading the module now would crash here.
    EXPECT_EQ(command->Caption(), "Fake");
    EXPECT_FALSE(command->HelpFile().has_value());
}

TEST(PluginLoader, ReportsEachBadFileWithItsReasonAndLoadsTheRest) {
    TempFolder folder;
    const auto text = folder.write("notes.so", "this is not a shared object\n");
    const auto empty = folder.write("empty.so", "");
    const auto truncated = folder.write("truncated.so", firstBytes(fake("good"), 200));
    const auto noFactory = folder.copy(fake("nofactory"), "nofactory.so");
    const auto wrongAbi = folder.copy(fake("wrongabi"), "wrongabi.so");
    const auto throwing = folder.copy(fake("throwing"), "throwing.so");
    const auto nullDescriptor = folder.copy(fake("nulldescriptor"), "nulldescriptor.so");
    folder.write("readme.txt", "not looked at");
    std::filesystem::create_directory(folder / "subfolder.so");
    folder.copy(fake("good"), "zz_good.so");

    host::PluginLoader loader;
    loader.loadFolder(folder.path());

    ASSERT_EQ(loader.modules().size(), 1u);
    EXPECT_EQ(loader.modules()[0].file(), folder / "zz_good.so");
    EXPECT_EQ(loader.problems().size(), 7u);
    EXPECT_EQ(reasonFor(loader, text), "not a shared object (no ELF header)");
    EXPECT_EQ(reasonFor(loader, empty), "not a shared object (no ELF header)");
    EXPECT_NE(reasonFor(loader, truncated).find("cannot be loaded: "), std::string::npos);
    EXPECT_EQ(reasonFor(loader, noFactory), "has no plug-in factory 'plotlet_plugin_descriptor' (not a Plotlet plug-in)");
    EXPECT_EQ(reasonFor(loader, wrongAbi), "built for plug-in interface version 999, this host supports version 1");
    EXPECT_EQ(reasonFor(loader, throwing), "plug-in factory failed: fake factory refuses");
    EXPECT_EQ(reasonFor(loader, nullDescriptor), "plug-in factory returned no descriptor");
    EXPECT_EQ(loader.problems()[0].message(), loader.problems()[0].file.string() + ": " + loader.problems()[0].reason);
}

TEST(PluginLoader, SecondModuleWithTheSameIdentityIsRefused) {
    TempFolder folder;
    const auto first = folder.copy(fake("good"), "a.so");
    const auto second = folder.copy(fake("good"), "b.so");
    host::PluginLoader loader;
    loader.loadFolder(folder.path());

    ASSERT_EQ(loader.modules().size(), 1u);
    EXPECT_EQ(loader.modules()[0].file(), first);
    EXPECT_EQ(reasonFor(loader, second),
              "component identity {00000000-FA6E-4000-8000-000000000001} is already provided by " + first.string());
}

TEST(PluginLoader, RefusesAMissingFolderAndWhatIsNotAFile) {
    TempFolder folder;
    host::PluginLoader loader;
    loader.loadFolder(folder / "absent");
    EXPECT_TRUE(loader.modules().empty());
    EXPECT_EQ(reasonFor(loader, folder / "absent"), "plug-in folder does not exist");

    const auto file = folder.write("plain.so", "x");
    loader.loadFolder(file);
    EXPECT_EQ(reasonFor(loader, file), "not a folder");

    // Named directly, a pipe is refused without being opened (opening it would block).
    const auto pipe = folder / "pipe.so";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(loader.loadFile(pipe));
    EXPECT_EQ(reasonFor(loader, pipe), "not a regular file");
}
