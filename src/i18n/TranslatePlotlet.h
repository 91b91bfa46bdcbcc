#pragma once
// The module TranslatePlotlet: the Russian and English texts of every form, and the main
// dialog's message list.
//
// Each Translate procedure writes the captions and tool tips of one form in a language: the
// form's caption first, then, visiting the form's controls in order, the texts its table gives
// for every control that has one of the table's names (control arrays by member). Controls the
// table does not name keep their design texts in both languages. The procedures work on any
// form with those control names, so a form that lacks some of them is translated as far as it
// has them. A failure (a control of a named kind that lacks a caption, say) is reported through
// ErrorHandling with the procedure's name and the module "TranslatePlotlet"; the controls after
// it keep their previous texts.
#include <string>
#include <string_view>

namespace ui {
class Form;
}

namespace plotlet::TranslatePlotlet {

inline constexpr std::string_view Russian = "Русский";
inline constexpr std::string_view English = "English";

// Russian is in force exactly when the language is "Русский"; anything else is English.
bool IsRussian(std::string_view language);

// Each in the given language: the form's opener hands over its own (the main dialog's).
void TranslateMainForm(ui::Form& form, std::string_view language);
void TranslateMultyFieldsDelete(ui::Form& form, std::string_view language);
void TranslateOpenSaveGraphLayer(ui::Form& form, std::string_view language);
void TranslateRelaFields(ui::Form& form, std::string_view language);

// Entry `number` (1 to 37) of the main dialog's message list in the language; error 9 outside.
std::string MainFormMessage(int number, std::string_view language);
inline constexpr int MainFormMessageCount = 37;

// Entry `number` (1 to 28) of the graphics file dialog's message list in the language; error 9
// outside (OpenSaveGraphLayerMessages.cpp).
std::string OpenSaveGraphLayerMessage(int number, std::string_view language);
inline constexpr int OpenSaveGraphLayerMessageCount = 28;

}  // namespace plotlet::TranslatePlotlet
