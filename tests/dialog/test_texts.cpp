// Both languages: the main dialog's captions and message list, the language box and the rule
// that a hidden dialog keeps its language; the other forms' translations on small stand-in
// forms; and a layout in which every caption fits in either language.
#include "dialog/DialogFixture.h"

#include "engine/ChartData.h"
#include "i18n/TranslatePlotlet.h"
#include "runtime/Text.h"

using namespace dialogtest;
using plotlet::frmPlotlet;
namespace T = plotlet::TranslatePlotlet;

namespace {

std::string caption(const frmPlotlet& d, const char* name, int index = -1) { return d.control(name, index).caption(); }
std::string tip(const frmPlotlet& d, const char* name, int index = -1) { return d.control(name, index).toolTipText(); }

}  // namespace

class Texts : public DialogTest {
protected:
    frmPlotlet& openIn(std::string language) {
        map()->addLayer(makeTowns());
        command = std::make_unique<plotlet::ClsPlotlet>();
        command->OnCreate(app);
        command->Language = std::move(language);
        return open();
    }
};

TEST_F(Texts, RussianCaptionsMessagesAndToolTips) {
    frmPlotlet& d = openIn("Русский");
    EXPECT_EQ(d.caption(), "Построение диаграмм v 2.0");
    EXPECT_EQ(d.SSTab.tabCaption(0), "Общее");
    EXPECT_EQ(d.SSTab.tabCaption(1), "Диаграмма");
    EXPECT_EQ(d.SSTab.tabCaption(2), "Утилиты");
    EXPECT_EQ(caption(d, "CmdOK", 0), "ОК");
    EXPECT_EQ(tip(d, "CmdOK", 0), "построить новые диаграммы");
    EXPECT_EQ(caption(d, "CmdCancel"), "Скрыть");
    EXPECT_EQ(caption(d, "OpCreateDiagr", 1), "Обновить");
    EXPECT_EQ(caption(d, "OpChartPosition", 14), "Поверх старых диаграмм на слое");
    EXPECT_EQ(caption(d, "LblMaxValue"), "Макс.значение по модулю");
    EXPECT_EQ(caption(d, "Label3"), "map Units");
    EXPECT_EQ(caption(d, "ChkSaveLyrFile"), "Сохранять легенду в *.Lyr");
    EXPECT_EQ(caption(d, "CmdMailTo"), "Замечания и предложения направлять по почте");
    EXPECT_EQ(d.LstViewFields.column(1).text(), "Легенда");
    EXPECT_EQ(d.LstViewFields.column(2).text(), "Поля");
    EXPECT_EQ(d.LstViewFields.column(4).text(), "Поля легенды");
    // Picture buttons: a tool tip and no caption.
    EXPECT_EQ(tip(d, "CmdRefreshLayers"), "обновить слои");
    EXPECT_EQ(caption(d, "CmdRefreshLayers"), "");
    EXPECT_EQ(tip(d, "TglBtnLockMin"), "зафиксировать масштаб");
    EXPECT_EQ(caption(d, "CmdCalcMax"), "");
    EXPECT_EQ(tip(d, "CmdCalcMax"), "");
    for (ui::Control* control : d.controls()) {
        if (auto* button = control->as<ui::CommandButton>(); button && button->caption().empty()) {
            EXPECT_NE(button->picture(), nullptr) << control->displayName() << " shows nothing";
        }
    }
    // Boxes lose their tool tips; controls no table names keep their design texts.
    EXPECT_EQ(tip(d, "CmbLayers"), "");
    EXPECT_EQ(caption(d, "mnuAllElements"), "All Elements");
    EXPECT_EQ(caption(d, "LblNullValue"), "NULL =");

    EXPECT_EQ(d.CmbLanguage.text(), "Русский");
    EXPECT_EQ(d.Msg(34), "выбранные");
    EXPECT_EQ(caption(d, "OpAllObjects", 1), "выбранные");
    d.LayerColl.item(1)->selectionSet()->add(2);
    d.ChekSelectedOnLayer();
    EXPECT_EQ(caption(d, "OpAllObjects", 1), "выбранные (1)");
}

TEST_F(Texts, AnyOtherLanguageIsEnglish) {
    for (const char* language : {"English", "english", "", "Deutsch", "русский"}) {
        SCOPED_TRACE(language);
        frmPlotlet& d = openIn(language);
        EXPECT_EQ(d.caption(), "Create charts v 2.0");
        EXPECT_EQ(d.SSTab.tabCaption(0), "Main");
        EXPECT_EQ(caption(d, "CmdOK", 0), "OK");
        EXPECT_EQ(caption(d, "LblLayers"), "Layer");
        EXPECT_EQ(d.Msg(36), "Do you want to remove chart labels?");
        // The box shows the language in force, and the start-up ran to its end.
        EXPECT_EQ(d.CmbLanguage.text(), "English");
        EXPECT_EQ(d.TxtChartMarkerSize.text(), "45");
        EXPECT_TRUE(shell.messages().empty());
        TearDown();
    }
}

TEST_F(Texts, TheLanguageBoxSwitchesEveryTextAtOnceAndKeepsThePage) {
    frmPlotlet& d = openIn("English");
    ui::Driver u = user();
    ASSERT_TRUE(u.pickTab("SSTab", 2));
    ASSERT_TRUE(u.chooseComboText("CmbLanguage", "Русский"));
    EXPECT_EQ(d.SSTab.tab(), 2);
    EXPECT_EQ(d.Language(), "Русский");
    EXPECT_EQ(d.caption(), "Построение диаграмм v 2.0");
    // The frame keeps the name of the chosen placement, in the new language.
    EXPECT_EQ(caption(d, "FrameChartPosition"), "положение относительно маркера - В (направо)");
    EXPECT_EQ(d.Msg(10), "Не выбраны поля для диаграммы");
    EXPECT_EQ(plotlet::Message(17), "Невозможно удалить графический слой");  // the engine's table too

    ASSERT_TRUE(u.pickTab("SSTab", 1));
    ASSERT_TRUE(u.chooseComboText("CmbLanguage", "English"));
    EXPECT_EQ(d.SSTab.tab(), 1);
    EXPECT_EQ(d.SSTab.tabCaption(1), "Chart");
    EXPECT_EQ(d.Msg(10), "No selected fields for chart");
    EXPECT_EQ(plotlet::Message(17), "Can't delete annotation layer");
}

TEST_F(Texts, AHiddenDialogKeepsItsLanguageWhenTheCommandShowsItAgain) {
    frmPlotlet& d = openIn("English");
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    ASSERT_TRUE(user().click("CmdCancel"));

    command->Language = "English";
    open();
    EXPECT_EQ(d.Language(), "English");  // handed over again by the click
    EXPECT_EQ(d.CmbLanguage.text(), "Русский");
    EXPECT_EQ(caption(d, "CmdCancel"), "Скрыть");
    EXPECT_EQ(d.Msg(4), "Открыть файл легенды");
    EXPECT_EQ(plotlet::Message(12), "Нет данных для сохранения легенды");
    // Forms opened now follow Language, that is English: the dialog hands it to them.
    ui::Form other("FrmRelaFields", "", 200, 100, {ui::label("LblFields1").at(0, 0, 100, 20)});
    T::TranslateRelaFields(other, d.Language());
    EXPECT_EQ(other.caption(), "Select fields");
}

TEST_F(Texts, TheMessageListInBothLanguages) {
    ASSERT_EQ(T::MainFormMessageCount, 37);
    const std::pair<int, std::pair<const char*, const char*>> samples[] = {
        {1, {"info# ", "инфо# "}},
        {3, {"Legend (*.leg)|*.leg| Layer (*.lyr)|*.lyr", "Легенда (*.leg)|*.leg| Слой (*.lyr)|*.lyr"}},
        {7, {"Parameters (*.par)|*.par", "Параметры (*.par)|*.par"}},
        {15, {"Legend *.leg|*.leg", "Легенда *.leg|*.leg"}},
        {17, {"Unsupported Control Type", "Unsupported Control Type"}},
        {18, {"Symbol is nothing", "Symbol is nothing"}},
        {19, {"Placement near marker - ", "положение относительно маркера - "}},
        {29, {"SW cirkle", "ЮЗ круг"}},
        {34, {"selected", "выбранные"}},
        {35, {"It is possible only Recreate charts on the old placement",
              "На старом местоположении возможно только обновление диаграмм"}},
        {37, {"remove labels", "Удаление подписей"}},
    };
    for (const auto& [number, texts] : samples) {
        EXPECT_EQ(T::MainFormMessage(number, "English"), texts.first) << number;
        EXPECT_EQ(T::MainFormMessage(number, "Русский"), texts.second) << number;
    }
    frmPlotlet& d = openIn("English");
    EXPECT_THROW(d.Msg(0), runtime::Error);
    EXPECT_THROW(d.Msg(38), runtime::Error);
}

TEST_F(Texts, TheLayoutHoldsEveryCaptionInEitherLanguage) {
    frmPlotlet& d = openIn("English");
    EXPECT_EQ(ui::layoutReport(ui::checkLayout(d)), "");

    // About 7 pixels a character, and room for the box of a check or option button.
    auto check = [&](const char* language) {
        for (ui::Control* control : d.controls()) {
            if (!control->hasCaption() || control->kind() == ui::ControlKind::Menu ||
                control->kind() == ui::ControlKind::TabControl)
                continue;
            int needed = 7 * static_cast<int>(runtime::characterCount(control->caption()));
            if (control->kind() == ui::ControlKind::CheckBox || control->kind() == ui::ControlKind::OptionButton) needed += 20;
            if (control->kind() == ui::ControlKind::Frame) needed += 16;
            EXPECT_GE(control->rect().width, needed) << language << ": " << control->displayName() << " \""
                                                     << control->caption() << "\"";
        }
    };
    check("English");
    ASSERT_TRUE(user().chooseComboText("CmbLanguage", "Русский"));
    check("Русский");

    // Captions that change while the dialog runs: the selection count and every placement name.
    for (const char* language : {"English", "Русский"}) {
        const int selected = 7 * static_cast<int>(runtime::characterCount(T::MainFormMessage(34, language) + " (99999)")) + 20;
        EXPECT_GE(d.control("OpAllObjects", 1).rect().width, selected) << language;
        for (int n = 20; n <= 33; ++n) {
            const std::string frameCaption = T::MainFormMessage(19, language) + T::MainFormMessage(n, language);
            EXPECT_GE(d.FrameChartPosition.rect().width, 7 * static_cast<int>(runtime::characterCount(frameCaption)) + 16)
                << frameCaption;
        }
    }
    // Tab captions share the width of the strip.
    EXPECT_GE(d.SSTab.rect().width, 3 * 7 * static_cast<int>(runtime::characterCount("Диаграмма")) + 3 * 16);
}
