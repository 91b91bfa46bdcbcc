#pragma once
// The main dialog, for now only the shell the command drives: the members the command hands
// over on every click, its window, and ChekSelectedOnLayer. Its controls, Form_Load and
// handlers arrive with the dialog itself.
#include <string>
#include <string_view>

#include "host/Application.h"
#include "ui/Form.h"

namespace plotlet {

class frmPlotlet final : public ui::Form {
public:
    frmPlotlet();

    // Handed over by the command on every click; released when the dialog unloads.
    host::MxDocumentPtr pMxDoc;
    host::MapPtr pMap;
    host::ApplicationPtr m_pApp;

    // The dialog's language: exactly "Русский" selects Russian, anything else English.
    const std::string& Language() const { return language_; }
    void setLanguage(std::string language) { language_ = std::move(language); }

    // Brings the selection option up to date with the chosen layer's selection. Nothing to do
    // until the dialog has its layer list.
    void ChekSelectedOnLayer() {}

    // The location label Form_Load reports a start-up failure under; it differs between the two
    // plug-in modules ("frmPlotlet_FormLoad" in Plotlet_v8, "Form Plotlet Load" in Plotlet_v9).
    static std::string_view FormLoadLabel();

private:
    std::string language_;
};

}  // namespace plotlet
