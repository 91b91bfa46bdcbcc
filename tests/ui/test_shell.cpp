#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "SampleForm.h"
#include "runtime/Error.h"

using namespace ui;
using uitest::errorNumberOf;

namespace {

class ShellTest : public ::testing::Test, protected uitest::WithHeadlessShell {};

class Symbol : public runtime::Object {
public:
    std::string className() const override { return "SimpleFillSymbol"; }
};

}  // namespace

TEST_F(ShellTest, AnswersFromTheScriptAndRecordsEverythingItShows) {
    auto chosen = std::make_shared<Symbol>();
    shell->answerMessage(mb::No).chooseFile("/tmp/towns.par", 2).chooseSymbol(chosen).chooseFont({"Arial", 9.5, true, false});
    EXPECT_EQ(shell->pendingScript(), 4u);

    EXPECT_EQ(msgBox("Do you want to remove chart labels?", mb::YesNo, "remove labels"), mb::No);
    const auto file = shell->fileDialog({.save = true, .title = "Save parameters", .filter = "Parameters (*.par)|*.par",
                                         .fileName = "Towns.par", .initDir = "/maps", .flags = 2306});
    ASSERT_TRUE(file);
    EXPECT_EQ(file->fileName, "/tmp/towns.par");
    EXPECT_EQ(file->filterIndex, 2);
    EXPECT_EQ(shell->selectSymbol(std::make_shared<Symbol>()), chosen);
    EXPECT_EQ(shell->fontDialog({"Arial Narrow", 6})->size, 9.5);
    shell->beep();
    EXPECT_EQ(shell->openUrl("mailto:someone@example.org"), 42);
    EXPECT_EQ(shell->pendingScript(), 0u);

    EXPECT_EQ(shell->transcriptText(),
              "message \"remove labels\" [YesNo]: Do you want to remove chart labels? -> No\n"
              "save \"Save parameters\" Towns.par (filter Parameters (*.par)|*.par; folder /maps; flags 2306) -> /tmp/towns.par\n"
              "symbol SimpleFillSymbol -> SimpleFillSymbol\n"
              "font Arial Narrow 6 -> Arial 9.5 bold\n"
              "beep\n"
              "url mailto:someone@example.org -> 42\n");
    const nlohmann::json json = shell->transcriptJson();
    EXPECT_EQ(json[0]["buttons"], "YesNo");
    EXPECT_EQ(json[0]["answerCode"], mb::No);
    EXPECT_EQ(json[1]["kind"], "save");
}

TEST_F(ShellTest, WithoutAScriptItAnswersSafely) {
    // A box without a title shows the application's title.
    EXPECT_EQ(msgBox("Layer for save not selected"), mb::OK);
    EXPECT_EQ(shell->transcript().back().title, "Plotlet");
    shell->setApplicationTitle("Create charts");
    msgBox("OK!", mb::Information);
    EXPECT_EQ(shell->transcript().back().title, "Create charts");
    EXPECT_EQ(shell->transcript().back().icon, mb::Information);

    // Questions get their default button unless told otherwise.
    EXPECT_EQ(msgBox("Replace?", mb::YesNo + mb::Exclamation), mb::Yes);
    EXPECT_EQ(msgBox("Replace?", mb::YesNo + mb::DefaultButton2), mb::No);
    EXPECT_EQ(msgBox("Retry?", mb::AbortRetryIgnore + mb::DefaultButton3), mb::Ignore);
    shell->setQuestionDefault(QuestionDefault::Decline);
    EXPECT_EQ(msgBox("Replace?", mb::YesNo), mb::No);
    EXPECT_EQ(msgBox("Save changes?", mb::YesNoCancel), mb::Cancel);
    EXPECT_EQ(msgBox("Go on?", mb::OKCancel), mb::Cancel);
    EXPECT_EQ(msgBox("Failed", mb::AbortRetryIgnore), mb::Abort);
    EXPECT_EQ(msgBox("Just so you know"), mb::OK);
    shell->setQuestionDefault(QuestionDefault::Accept);
    EXPECT_EQ(msgBox("Replace?", mb::YesNo + mb::DefaultButton2), mb::Yes);
    EXPECT_EQ(msgBox("Failed", mb::AbortRetryIgnore), mb::Ignore);
    EXPECT_EQ(msgBox("Again?", mb::RetryCancel), mb::Retry);

    EXPECT_FALSE(shell->fileDialog({}));
    EXPECT_FALSE(shell->fontDialog({}));
    EXPECT_EQ(shell->selectSymbol(nullptr), nullptr);
    EXPECT_EQ(shell->popupMenu({"a", "b"}), -1);
    EXPECT_NE(shell->transcriptText().find("open \"\"  (filter ; folder ; flags 0) -> Cancel (default)"), std::string::npos);

    // A scripted answer the box does not offer is a mistake in the script.
    shell->answerMessage(mb::Yes);
    EXPECT_THROW(msgBox("Only OK here"), std::logic_error);
}

TEST_F(ShellTest, TheInstalledShellIsUsedUntilItsScopeEnds) {
    auto inner = std::make_shared<HeadlessShell>();
    {
        ShellScope scope(inner);
        EXPECT_EQ(&ui::shell(), inner.get());
        msgBox("inner");
    }
    EXPECT_EQ(currentShell(), shell);
    msgBox("outer");
    EXPECT_EQ(inner->transcript().size(), 1u);
    EXPECT_EQ(shell->transcript().size(), 1u);
}

TEST_F(ShellTest, CommonDialogCancelRaises32755OnlyWithCancelErrorOn) {
    Form form("frmDialogs", "", 100, 100, {commonDialog("CommonDialog1")});
    CommonDialog& dialog = form.commonDialog("CommonDialog1");
    dialog.setDialogTitle("Load Parameters");
    dialog.setFilter("Parameters (*.par)|*.par");
    dialog.setFileName("Towns.par");
    dialog.setInitDir("/maps/");
    dialog.setFlags(2306);
    dialog.setCancelError(true);

    shell->cancelFileDialog();
    try {
        dialog.showOpen();
        FAIL() << "no cancel error";
    } catch (const runtime::Error& e) {
        EXPECT_EQ(e.number(), 32755);
        EXPECT_EQ(e.description(), "Cancel was selected.");
    }
    EXPECT_EQ(dialog.fileName(), "Towns.par");  // a cancel leaves the proposed name
    EXPECT_EQ(shell->transcript().back().kind, "open");
    EXPECT_EQ(shell->transcript().back().title, "Load Parameters");

    dialog.setCancelError(false);
    EXPECT_NO_THROW(dialog.showSave());  // unscripted: cancelled, silently
    EXPECT_EQ(dialog.fileName(), "Towns.par");

    shell->chooseFile("/maps/towns.par");
    dialog.showSave();
    EXPECT_EQ(dialog.fileName(), "/maps/towns.par");
    EXPECT_EQ(dialog.filterIndex(), 1);

    // The font dialog starts from the dialog's font and stores the choice back.
    dialog.setFontName("Arial Narrow");
    dialog.setFontSize(6);
    dialog.setCancelError(true);
    shell->chooseFont({"Times New Roman", 10, false, true});
    dialog.showFont();
    EXPECT_EQ(dialog.fontName(), "Times New Roman");
    EXPECT_EQ(dialog.fontSize(), 10.0f);
    EXPECT_TRUE(dialog.fontItalic());
    EXPECT_EQ(shell->transcript().back().text, "Arial Narrow 6");
    EXPECT_EQ(errorNumberOf([&] { dialog.showFont(); }), 32755);
    EXPECT_EQ(dialog.fontName(), "Times New Roman");
}
