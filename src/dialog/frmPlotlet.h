#pragma once
// The main dialog, for now only the shell the command drives: the members the command hands
// over on every click, the window it shows and restores, and ChekSelectedOnLayer. Its controls,
// Form_Load and handlers arrive with the dialog itself.
//
// INTERIM: until the forms runtime is merged this class carries its own minimal window state;
// then it derives from ui::Form and these members go.
#include <string>
#include <string_view>

#include "host/Application.h"

namespace plotlet {

class frmPlotlet {
public:
    enum class WindowStateKind : int { Normal = 0, Minimized = 1, Maximized = 2 };

    frmPlotlet() = default;
    frmPlotlet(const frmPlotlet&) = delete;
    frmPlotlet& operator=(const frmPlotlet&) = delete;

    // Handed over by the command on every click.
    host::MxDocumentPtr pMxDoc;
    host::MapPtr pMap;
    host::ApplicationPtr m_pApp;

    // The dialog's language: exactly "Русский" selects Russian, anything else English.
    const std::string& Language() const { return language_; }
    void setLanguage(std::string language) { language_ = std::move(language); }

    // Brings the selection option up to date with the chosen layer's selection. Nothing to do
    // until the dialog has its layer list.
    void ChekSelectedOnLayer() {}

    // The location label Form_Load reports a start-up failure under: it differs between the two
    // plug-in modules ("frmPlotlet_FormLoad" in Plotlet_v8, "Form Plotlet Load" in Plotlet_v9).
    static std::string_view FormLoadLabel();

    // Window (interim).
    void Show() { visible_ = true; }
    void Hide() { visible_ = false; }
    bool Visible() const { return visible_; }
    WindowStateKind WindowState() const { return windowState_; }
    void setWindowState(WindowStateKind state) { windowState_ = state; }
    // Releases every host object the dialog holds and closes its window.
    void Unload();

private:
    std::string language_;
    bool visible_ = false;
    WindowStateKind windowState_ = WindowStateKind::Normal;
};

}  // namespace plotlet
