// The two deliverables as the host loads them: each its own identity and module state, the
// command working across the module boundary with the host's objects and shell.
#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "host/Application.h"
#include "host/Layer.h"
#include "host/PluginLoader.h"
#include "plotlet/Cli.h"
#include "support/ShellScopes.h"

using testing_support::HeadlessScope;

namespace {

class PluginModules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        loader_ = new host::PluginLoader();
        loader_->loadFolder(PLOTLET_PLUGIN_DIR);
    }
    static void TearDownTestSuite() {
        delete loader_;
        loader_ = nullptr;
    }

    const host::PluginModule& module(const std::string& name) const {
        for (const auto& m : loader_->modules()) {
            if (m.moduleName() == name) return m;
        }
        throw std::runtime_error(name + " not loaded");
    }

    static host::PluginLoader* loader_;
};

host::PluginLoader* PluginModules::loader_ = nullptr;

}  // namespace

TEST_F(PluginModules, BothModulesLoadWithTheirOwnIdentity) {
    EXPECT_TRUE(loader_->problems().empty());
    ASSERT_EQ(loader_->modules().size(), 2u);
    const auto& v8 = module("Plotlet_v8");
    const auto& v9 = module("Plotlet_v9");
    EXPECT_NE(v8.componentId(), v9.componentId());
    EXPECT_EQ(v8.category(), "Zorvex");
    EXPECT_EQ(v9.category(), "Zorvex");
    // Read after both are loaded: each module keeps its own module state.
    EXPECT_EQ(v8.startupFailureLabel(), "frmPlotlet_FormLoad");
    EXPECT_EQ(v9.startupFailureLabel(), "Form Plotlet Load");
}

TEST_F(PluginModules, CommandsWorkWithTheHostsObjectsAndShell) {
    HeadlessScope shell;
    auto app = std::make_shared<host::Application>();
    for (const char* name : {"Plotlet_v8", "Plotlet_v9"}) {
        SCOPED_TRACE(name);
        const auto command = module(name).createCommand();
        EXPECT_EQ(command->Name(), "Zorvex_Plotlet");
        EXPECT_NE(command->Bitmap(), 0);

        // Without its hook the click fails, and says so through the host's shell.
        command->OnClick();
        ASSERT_EQ(shell.messages().size(), 1u);
        EXPECT_EQ(shell.messages()[0].text, "ICommand_OnClick Object variable or With block variable not set");
        shell.shell->clearTranscript();

        command->OnCreate(app);
        EXPECT_FALSE(command->Enabled());
        app->document()->focusMap()->addLayer(std::make_shared<host::GroupLayer>());
        EXPECT_TRUE(command->Enabled());
        command->OnClick();
        EXPECT_TRUE(shell.messages().empty());
        app = std::make_shared<host::Application>();
    }
}

TEST(CliCommandsFromTheBuild, ListsBothDeliverablesUnderZorvex) {
    std::ostringstream out, err;
    // No --plugins: the folder beside the program, which is where the build puts the modules.
    const int code = plotlet::cli::run({"commands", "--json"}, out, err);
    EXPECT_EQ(code, 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const auto listed = nlohmann::json::parse(out.str())["commands"];
    ASSERT_EQ(listed.size(), 2u);
    for (const auto& command : listed) {
        EXPECT_EQ(command["name"], "Zorvex_Plotlet");
        EXPECT_EQ(command["category"], "Zorvex");
        EXPECT_EQ(command["caption"], "Plotlet(eng)");
        EXPECT_EQ(command["tooltip"], "Plotlet on GraphicsLayer");
    }
    EXPECT_NE(listed[0]["componentId"], listed[1]["componentId"]);
    EXPECT_NE(listed[0]["moduleFile"], listed[1]["moduleFile"]);
}
