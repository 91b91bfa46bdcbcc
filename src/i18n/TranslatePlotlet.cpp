#include "i18n/TranslatePlotlet.h"

#include <optional>
#include <vector>

#include "errors/ErrorHandling.h"
#include "runtime/Error.h"
#include "runtime/Text.h"
#include "ui/Forms.h"

namespace plotlet::TranslatePlotlet {

namespace {

constexpr std::string_view ModuleName = "TranslatePlotlet";

struct Text {
    const char* en;
    const char* ru;
    const char* in(bool russian) const { return russian ? ru : en; }
};

constexpr Text Empty{"", ""};

// What a form's table says about one control (or one member of a control array, index >= 0;
// -1 names a single control or every member of an array). A caption is written only to kinds
// that have one; an absent tool tip is left alone.
struct Rule {
    const char* name;
    int index;
    std::optional<Text> caption;
    std::optional<Text> toolTip;
};

// A caption with an empty tool tip, a caption with its tool tip, a tool tip alone (the
// caption then emptied: these buttons show pictures), and an emptied tool tip alone.
Rule captioned(const char* name, Text caption, int index = -1) { return {name, index, caption, Empty}; }
Rule captionedTip(const char* name, Text caption, Text tip, int index = -1) { return {name, index, caption, tip}; }
Rule tipOnly(const char* name, Text tip) { return {name, -1, Empty, tip}; }
Rule blank(const char* name) { return {name, -1, Empty, Empty}; }
Rule noTip(const char* name, int index = -1) { return {name, index, std::nullopt, Empty}; }

struct FormTexts {
    Text caption;
    std::vector<Rule> rules;
};

const FormTexts& mainFormTexts() {
    static const FormTexts texts{
        {"Create charts v 2.0", "Построение диаграмм v 2.0"},
        {
            captionedTip("CmdOK", {"OK", "ОК"}, {"create new charts", "построить новые диаграммы"}, 0),
            captionedTip("CmdOK", {"Recreate", "Обновить"}, {"refresh charts", "обновить диаграммы"}, 1),
            captioned("CmdCancel", {"Hide", "Скрыть"}),
            // The mode buttons get their captions only.
            {"OpCreateDiagr", 0, Text{"New", "Создать"}, std::nullopt},
            {"OpCreateDiagr", 1, Text{"Recreate", "Обновить"}, std::nullopt},
            captioned("OpAllObjects", {"all", "все"}, 0),
            captioned("OpAllObjects", {"selected", "выбранные"}, 1),
            captioned("OpChartPosition", {"Old placement", "Старое местоположение"}, 5),
            captioned("OpChartPosition", {"Over old charts on Layer", "Поверх старых диаграмм на слое"}, 14),
            captioned("Frame7", {"Features", "Объекты"}),
            captioned("LblLayers", {"Layer", "Слой"}),
            captioned("LblKey", {"Key", "Ключ"}),
            captioned("LblMinValue", {"Min value modulo", "Мин.значение по модулю"}),
            captioned("LblMaxValue", {"Max value modulo", "Макс.значение по модулю"}),
            captioned("LblMinValueMM", {"On the map", "На карте"}),
            tipOnly("TglBtnLockMin", {"Lock scale", "зафиксировать масштаб"}),
            captioned("LblChartMarkerSize", {"Chart size", "Размер диаграммы"}),
            captioned("LblCharWidth", {"Bars width", "Ширина столбца"}),
            captioned("Label4", {"Outline width", "Ширина обрамления"}),
            captioned("FrameChartPosition", {"placement about marker", "расположение относительно маркера"}),
            captioned("Label2", {"chart placement", "положение диаграммы"}),
            captioned("LblChartPosition", {"W (left)", "В(направо)"}),
            captioned("Label1", {"Distance from marker", "Удаление от маркера"}),
            captioned("Label3", {"map Units", "map Units"}),
            captioned("ChkShowLeader", {"Show leader", "Показывать лидер"}),
            captioned("ChkLabelDiagramm", {"label charts", "подписывать диаграммы"}),
            captioned("LblMinLabelValue", {"No label for value less then", "не подписывать значения меньше"}),
            captioned("LblSignNumber", {"number of signs", "значащих цифр"}),
            captioned("LblFontName", {"Font", "Шрифт"}),
            captionedTip("CmdFont", {"...", "..."}, {"select font", "выбор шрифта"}),
            captioned("CmdFieldsTo", {">", ">"}),
            captioned("CmdFieldsBack", {"<", "<"}),
            captioned("CmdFieldsBackAll", {"<<", "<<"}),
            captionedTip("CmdRandomStyles", {"R", "R"}, {"random colors", "случайные цвета"}),
            tipOnly("CmdRefreshLayers", {"refresh layers", "обновить слои"}),
            captioned("CmdLoadLegend", {"Load legend", "Загрузить легенду"}),
            captioned("CmdLegendFileName", {"...", "..."}),
            captioned("ChkSaveLyrFile", {"Save legend to *.lyr", "Сохранять легенду в *.Lyr"}),
            captioned("ChkSkipPropPage", {"Skip charts tuning", "Пропускать настройку диаграмм"}),
            captioned("ChkAutoMapping", {"Auto fields mapping", "Автоматический выбор полей"}),
            tipOnly("CmdSaveLegend", {"Save legend from graphic element", "Сохранение диаграммы в легенду"}),
            tipOnly("CmdIdentityGraphics", {"Identity", "Информация"}),
            tipOnly("CmdRemoveLabels", {"Remove charts labels", "Удаление подписей диаграмм"}),
            tipOnly("CmdLoadParam", {"Load parameters", "Загрузить параметры"}),
            tipOnly("CmdSaveParam", {"Save parameters", "Сохранить параметры"}),
            tipOnly("CmdMultyFieldsDelete", {"Multy Fields Delete", "Удаление нескольких полей одновременно"}),
            tipOnly("CmdLoadGraphicsLayerFromFile", {"Load annotation from file", "Загрузить слой аннотаций из файла"}),
            tipOnly("CmdSaveGraphicsLayerToFile", {"Save annotation to file", "Сохранить аннотации в файл"}),
            captioned("CmdMailTo", {"E-mail your suggestions", "Замечания и предложения направлять по почте"}),
            // Frames that only group, and the buttons that show pictures: nothing to read.
            blank("Frame1"), blank("Frame2"), blank("Frame4"), blank("Frame5"), blank("Frame6"),
            blank("FrameLabelDiagramm"), blank("CmdUpDown"), blank("CmdCalcMin"), blank("CmdCalcMax"),
            // Boxes and lists: their tool tips only.
            noTip("TxtMinValue"), noTip("TxtMaxValue"), noTip("TxtLabelDistance"), noTip("TxtMinLabelValue"),
            noTip("TxtSignNumber"), noTip("TxtFontName"), noTip("TxtFontSize"), noTip("TxtChartWidth"),
            noTip("TxtOutlineWidth"), noTip("TxtChartMarkerSize"), noTip("TxtLegendFile"), noTip("TxtMailBody"),
            noTip("CmbKey"), noTip("CmbLayers"), noTip("LstFields"), noTip("LstViewFields"),
        }};
    return texts;
}

constexpr Text TabCaptions[] = {{"Main", "Общее"}, {"Chart", "Диаграмма"}, {"Tools", "Утилиты"}};
// Column headers 1, 2 and 4 of the chart field list.
constexpr std::pair<int, Text> HeaderTexts[] = {
    {1, {"Symbol", "Легенда"}}, {2, {"Fields", "Поля"}}, {4, {"Legend fields", "Поля легенды"}}};

const FormTexts& multyFieldsDeleteTexts() {
    static const FormTexts texts{{"Multi-Fields Delete", "Удаление нескольких полей "},
                                 {captioned("CmdDel", {"Delete", "Удалить"}), captioned("CmdCancel", {"Cancel", "Отмена"})}};
    return texts;
}

const FormTexts& openSaveGraphLayerTexts() {
    static const FormTexts texts{{"Annotation layers (load-save)", "Графические слои (сохранение-загрузка)"},
                                 {captioned("LblLayers", {"Annotation layer", "Слой графики (аннотации)"}),
                                  captioned("ChkNewGLayer", {"new layer", "на новом слое"}),
                                  captioned("LblFileName", {"File", "Файл"})}};
    return texts;
}

const FormTexts& relaFieldsTexts() {
    static const FormTexts texts{
        {"Select fields", "Выбор полей"},
        {captioned("LblFields1", {"selected fields", "выбранные поля"}),
         captioned("LblFields2", {"Saved legend fields", "Сохраненные поля легенды"}),
         captioned("Label3", {"Relation", "Установленное соответствие"}),
         captionedTip("CmdAuto", {"A>", "A>"}, {"AutoRelation", "Автоматическое установление соответствия"})}};
    return texts;
}

void applyRule(ui::Control& control, const Rule& rule, bool russian) {
    if (rule.caption && control.hasCaption()) control.setCaption(rule.caption->in(russian));
    if (rule.toolTip) control.setToolTipText(rule.toolTip->in(russian));
}

// The main dialog's tab control and chart field list have texts that are not captions.
void applyMainFormSpecials(ui::Control& control, bool russian) {
    if (auto* tabs = control.as<ui::TabControl>(); tabs && runtime::equalsIgnoreCase(control.name(), "SSTab")) {
        // Written tab by tab, so the page the user looks at stays the current one.
        for (int tab = 0; tab < 3; ++tab) {
            tabs->setTabCaption(tab, TabCaptions[tab].in(russian));
            tabs->setTabToolTip(tab, "");
        }
    }
    if (auto* list = control.as<ui::ListView>(); list && runtime::equalsIgnoreCase(control.name(), "LstViewFields")) {
        for (const auto& [column, text] : HeaderTexts) list->column(column).setText(text.in(russian));
    }
}

void translate(ui::Form& form, const FormTexts& texts, std::string_view procedure, std::string_view language,
               bool mainForm) {
    const bool russian = IsRussian(language);
    ErrorHandling::trapped(
        ErrorHandling::ProcedureGuard{{.procedure = procedure, .module = ModuleName}, 0, ErrorHandling::ModeModule},
        [&](ErrorHandling::ProcedureGuard& guard) {
            guard.line = 1;
            form.setCaption(texts.caption.in(russian));
            guard.line = 2;
            for (ui::Control* control : form.controls()) {
                if (mainForm) applyMainFormSpecials(*control, russian);
                for (const Rule& rule : texts.rules) {
                    if (!runtime::equalsIgnoreCase(control->name(), rule.name)) continue;
                    if (rule.index >= 0 && control->index() != rule.index) continue;
                    applyRule(*control, rule, russian);
                }
            }
        });
}

// The main dialog's message list; entries 3, 7 and 15 are file-dialog filters.
constexpr Text MainMessages[MainFormMessageCount] = {
    {"info# ", "инфо# "},
    {"no attached data", "Нет прикрепленных данных"},
    {"Legend (*.leg)|*.leg| Layer (*.lyr)|*.lyr", "Легенда (*.leg)|*.leg| Слой (*.lyr)|*.lyr"},
    {"Open legend file", "Открыть файл легенды"},
    {"File ", "Файла "},
    {" not exist!", " не существует!"},
    {"Parameters (*.par)|*.par", "Параметры (*.par)|*.par"},
    {"Load Parameters", "Загрузить параметры"},
    {"No selected features on layer ", "Нет выбранных объектов на слое "},
    {"No selected fields for chart", "Не выбраны поля для диаграммы"},
    {"No legend file", "Не указан файл легенды"},
    {"legend file not exist!", "Файла легенды не существует!"},
    {"Select ONLY ONE chart on the map", "Выберите только одну диаграмму на карте"},
    {"Save legend ", "Сохранение легенды "},
    {"Legend *.leg|*.leg", "Легенда *.leg|*.leg"},
    {"Save parameters", "Сохранение параметров"},
    {"Unsupported Control Type", "Unsupported Control Type"},
    {"Symbol is nothing", "Symbol is nothing"},
    {"Placement near marker - ", "положение относительно маркера - "},
    {"Center", "Центр"},
    {"E (right)", "В (направо)"},
    {"NE", "СВ"},
    {"NE circle", "СВ круг"},
    {"N (top)", "С (наверх)"},
    {"Old placement", "Старое место"},
    {"NW", "СЗ"},
    {"NW circle", "СЗ круг"},
    {"W (left)", "З (налево)"},
    {"SW cirkle", "ЮЗ круг"},
    {"SW", "ЮЗ"},
    {"S (bottom)", "Ю (вниз)"},
    {"SE circle", "ЮВ круг"},
    {"SE", "ЮВ"},
    {"selected", "выбранные"},
    {"It is possible only Recreate charts on the old placement",
     "На старом местоположении возможно только обновление диаграмм"},
    {"Do you want to remove chart labels?", "Удалить подписи значений в диаграммах?"},
    {"remove labels", "Удаление подписей"},
};

}  // namespace

bool IsRussian(std::string_view language) { return language == Russian; }

void TranslateMainForm(ui::Form& form, std::string_view language) {
    translate(form, mainFormTexts(), "TranslateMainForm ", language, true);
}

void TranslateMultyFieldsDelete(ui::Form& form, std::string_view language) {
    translate(form, multyFieldsDeleteTexts(), "TranslateMultyFieldsDelete ", language, false);
}

void TranslateOpenSaveGraphLayer(ui::Form& form, std::string_view language) {
    translate(form, openSaveGraphLayerTexts(), "TranslateOpenSaveGraphLayer ", language, false);
}

void TranslateRelaFields(ui::Form& form, std::string_view language) {
    translate(form, relaFieldsTexts(), "TranslateRelaFields ", language, false);
}

std::string MainFormMessage(int number, std::string_view language) {
    if (number < 1 || number > MainFormMessageCount) runtime::raise(runtime::err::SubscriptOutOfRange);
    return MainMessages[number - 1].in(IsRussian(language));
}

}  // namespace plotlet::TranslatePlotlet
