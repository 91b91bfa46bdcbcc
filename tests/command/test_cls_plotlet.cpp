#include <gtest/gtest.h>

#include "command/ClsPlotlet.h"
#include "command/PluginModule.h"
#include "dialog/frmPlotlet.h"
#include "host/Layer.h"
#include "host/Map.h"
#include "runtime/Error.h"
#include "support/ShellScopes.h"
#include "support/RuntimeErrors.h"

using plotlet::ClsPlotlet;
using plotlet::frmPlotlet;
using testing_support::HeadlessScope;

namespace {

using testing_support::errorNumberOf;

// A command as the host leaves it after creation: OnCreate called with an application whose
// document's focus map starts without layers.
struct CreatedCommand {
    host::ApplicationPtr app = std::make_shared<host::Application>();
    ClsPlotlet command;

    CreatedCommand() { command.OnCreate(app); }
    const host::MapPtr& map() const { return app->document()->focusMap(); }
};

}  // namespace

TEST(ClsPlotlet, AnswersTheHostsQueriesWithItsFixedValues) {
    HeadlessScope shell;
    ClsPlotlet command;
    EXPECT_EQ(command.Name(), "Zorvex_Plotlet");
    EXPECT_EQ(command.Category(), "Zorvex");
    EXPECT_EQ(command.Caption(), "Plotlet(eng)");
    EXPECT_EQ(command.Tooltip(), "Plotlet on GraphicsLayer");
    EXPECT_FALSE(command.Checked());
    EXPECT_EQ(command.HelpContextID(), 0);
    EXPECT_EQ(command.HelpFile(), std::nullopt);
    EXPECT_EQ(command.Message(), std::nullopt);
    EXPECT_EQ(command.Language, "English");
    EXPECT_EQ(command.m_pApp, nullptr);
    EXPECT_EQ(command.dialog(), nullptr);

    // The picture is loaded at creation; each command has its own.
    ClsPlotlet other;
    EXPECT_NE(command.Bitmap(), 0);
    EXPECT_EQ(command.Bitmap(), command.Bitmap());
    EXPECT_NE(command.Bitmap(), other.Bitmap());
    EXPECT_TRUE(shell.messages().empty());
}

TEST(ClsPlotlet, EnabledFollowsTheFocusMapsLayerCountOnEveryQuery) {
    CreatedCommand c;
    EXPECT_FALSE(c.command.Enabled());
    auto layer = std::make_shared<host::GroupLayer>();
    c.map()->addLayer(layer);
    EXPECT_TRUE(c.command.Enabled());
    c.map()->deleteLayer(layer.get());
    EXPECT_FALSE(c.command.Enabled());

    // Another focus map is seen at once.
    auto full = std::make_shared<host::Map>();
    full->addLayer(std::make_shared<host::GroupLayer>());
    c.app->document()->setFocusMap(full);
    EXPECT_TRUE(c.command.Enabled());
}

TEST(ClsPlotlet, EnabledLetsAFailureReachTheHost) {
    HeadlessScope shell;
    ClsPlotlet command;  // never given an application
    EXPECT_EQ(errorNumberOf([&] { command.Enabled(); }), runtime::err::ObjectNotSet);
    EXPECT_TRUE(shell.messages().empty());
}

TEST(ClsPlotlet, OnCreateTakesTheHookAsTheApplication) {
    ClsPlotlet command;
    auto app = std::make_shared<host::Application>();
    command.OnCreate(app);
    EXPECT_EQ(command.m_pApp, app);
    command.OnCreate(nullptr);
    EXPECT_EQ(command.m_pApp, nullptr);
    EXPECT_EQ(errorNumberOf([&] { command.OnCreate(std::make_shared<host::Map>()); }), runtime::err::TypeMismatch);
}

TEST(ClsPlotlet, ClickShowsTheDialogWithDocumentMapApplicationAndLanguage) {
    HeadlessScope shell;
    CreatedCommand c;
    c.command.Language = "Русский";
    c.command.OnClick();

    frmPlotlet* dialog = c.command.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->pMxDoc, c.app->document());
    EXPECT_EQ(dialog->pMap, c.map());
    EXPECT_EQ(dialog->m_pApp, c.app);
    EXPECT_EQ(dialog->Language(), "Русский");
    EXPECT_TRUE(dialog->isLoaded());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowState(), ui::WindowState::Normal);
    EXPECT_TRUE(shell.messages().empty());
}

TEST(ClsPlotlet, SecondClickReusesTheSameDialogAndRestoresIt) {
    HeadlessScope shell;
    CreatedCommand c;
    c.command.OnClick();
    frmPlotlet* first = c.command.dialog();
    ASSERT_NE(first, nullptr);

    first->setWindowState(ui::WindowState::Minimized);
    first->hide();
    // The document changed in between: the same dialog gets the new one.
    auto document = std::make_shared<host::MxDocument>();
    c.app->setDocument(document);
    c.command.OnClick();

    EXPECT_EQ(c.command.dialog(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowState(), ui::WindowState::Normal);
    EXPECT_EQ(first->pMxDoc, document);
    EXPECT_EQ(first->pMap, document->focusMap());

    // Closed by the user (unloaded, which lets go of the host's objects) and clicked again:
    // still the same instance, given everything anew.
    first->unload();
    EXPECT_EQ(first->m_pApp, nullptr);
    c.command.OnClick();
    EXPECT_EQ(c.command.dialog(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->m_pApp, c.app);
    EXPECT_TRUE(shell.messages().empty());
}

TEST(ClsPlotlet, ClickFailureShowsItsOwnPlainBox) {
    HeadlessScope shell;
    ClsPlotlet command;  // no application: the first step fails
    EXPECT_NO_THROW(command.OnClick());

    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_EQ(shell.messages()[0].text, "ICommand_OnClick Object variable or With block variable not set");
    EXPECT_EQ(shell.messages()[0].buttons, ui::mb::OKOnly);
    EXPECT_EQ(shell.messages()[0].icon, ui::mb::NoIcon);
    EXPECT_EQ(shell.messages()[0].title, "Plotlet");  // no title of its own: the application's
    EXPECT_EQ(shell.beeps(), 0);
    EXPECT_EQ(command.dialog(), nullptr);

    // A shell that cannot show even that box does not take the host down.
    ui::ShellScope broken(std::make_shared<testing_support::BrokenShell>());
    EXPECT_NO_THROW(command.OnClick());
}

TEST(ClsPlotlet, DestroyingTheCommandUnloadsTheDialogAndReleasesTheHost) {
    std::weak_ptr<host::Application> app;
    std::weak_ptr<host::Map> map;
    {
        CreatedCommand c;
        c.command.OnClick();
        app = c.app;
        map = c.map();
        c.app.reset();
        EXPECT_FALSE(app.expired());  // the command and its dialog still hold it
    }
    EXPECT_TRUE(app.expired());
    EXPECT_TRUE(map.expired());
}

TEST(ClsPlotlet, DialogStartUpLabelIsTheModules) {
    EXPECT_EQ(frmPlotlet::FormLoadLabel(), "frmPlotlet_FormLoad");
    plotlet::ModuleIdentityScope v9({"{X}", "Plotlet_v9", "Form Plotlet Load"});
    EXPECT_EQ(frmPlotlet::FormLoadLabel(), "Form Plotlet Load");
}
