// TranslatePlotlet on forms other than the main dialog: the tables apply to whatever controls
// of those names a form has, and a failure is reported while the rest keep their texts.
#include <gtest/gtest.h>

#include "i18n/TranslatePlotlet.h"
#include "support/ShellScopes.h"
#include "ui/Forms.h"

namespace T = plotlet::TranslatePlotlet;

TEST(OtherFormTexts, ApplyToTheControlsAFormHas) {
    using namespace ui;
    Form fieldsDelete("FrmMultyFieldsDelete", "design", 300, 200,
                      {commandButton("CmdDel").at(0, 0, 80, 24).caption("Del").tip("x"),
                       commandButton("CmdCancel").at(90, 0, 80, 24).caption("Cancel"),
                       listBox("LstFields").at(0, 30, 200, 100).tip("kept")});
    T::TranslateMultyFieldsDelete(fieldsDelete, "Русский");
    EXPECT_EQ(fieldsDelete.caption(), "Удаление нескольких полей ");
    EXPECT_EQ(fieldsDelete.control("CmdDel").caption(), "Удалить");
    EXPECT_EQ(fieldsDelete.control("CmdDel").toolTipText(), "");
    EXPECT_EQ(fieldsDelete.control("CmdCancel").caption(), "Отмена");
    EXPECT_EQ(fieldsDelete.control("LstFields").toolTipText(), "kept");
    T::TranslateMultyFieldsDelete(fieldsDelete, "English");
    EXPECT_EQ(fieldsDelete.caption(), "Multi-Fields Delete");
    EXPECT_EQ(fieldsDelete.control("CmdDel").caption(), "Delete");

    // A form with only some of the names.
    Form graphics("FrmOpenSaveGraphLayer", "design", 300, 200,
                  {label("LblLayers").at(0, 0, 100, 20), checkBox("ChkNewGLayer").at(0, 30, 100, 20)});
    T::TranslateOpenSaveGraphLayer(graphics, "Русский");
    EXPECT_EQ(graphics.caption(), "Графические слои (сохранение-загрузка)");
    EXPECT_EQ(graphics.control("LblLayers").caption(), "Слой графики (аннотации)");
    EXPECT_EQ(graphics.control("ChkNewGLayer").caption(), "на новом слое");

    Form relation("FrmRelaFields", "design", 300, 200,
                  {label("LblFields1").at(0, 0, 100, 20), label("LblFields2").at(0, 30, 100, 20),
                   label("Label3").at(0, 60, 100, 20), commandButton("CmdAuto").at(0, 90, 40, 24)});
    T::TranslateRelaFields(relation, "Русский");
    EXPECT_EQ(relation.caption(), "Выбор полей");
    EXPECT_EQ(relation.control("Label3").caption(), "Установленное соответствие");
    EXPECT_EQ(relation.control("CmdAuto").caption(), "A>");
    EXPECT_EQ(relation.control("CmdAuto").toolTipText(), "Автоматическое установление соответствия");
}

TEST(OtherFormTexts, AFailureIsReportedAndTheRestKeepTheirTexts) {
    testing_support::HeadlessScope shell;
    using namespace ui;
    // A list view with too few columns for the headers the main dialog names.
    Form odd("frmPlotlet", "design", 300, 200,
             {label("LblLayers").at(0, 0, 100, 20).caption("before"),
              listView("LstViewFields").at(0, 30, 200, 100).headers({{"", "one", 40}}),
              label("LblKey").at(0, 140, 100, 20).caption("before")});
    T::TranslateMainForm(odd, "Русский");
    EXPECT_EQ(odd.caption(), "Построение диаграмм v 2.0");
    EXPECT_EQ(odd.control("LblLayers").caption(), "Слой");
    EXPECT_EQ(odd.control("LblKey").caption(), "before");
    ASSERT_EQ(shell.messages().size(), 1u);
    EXPECT_NE(shell.messages()[0].text.find("\tTranslateMainForm TranslatePlotlet Line : 2\r\n"), std::string::npos)
        << shell.messages()[0].text;
}
