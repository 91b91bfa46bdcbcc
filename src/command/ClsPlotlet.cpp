#include "command/ClsPlotlet.h"

#include "dialog/frmPlotlet.h"
#include "errors/ErrorHandling.h"
#include "runtime/Error.h"
#include "ui/Shell.h"

namespace plotlet {

namespace EH = ErrorHandling;

namespace {

constexpr const char* ModuleName = "clsPlotlet";

// A member call on an object variable that holds nothing is error 91, as in the runtime.

}  // namespace

ClsPlotlet::ClsPlotlet() {
    // Set before the picture: if the bitmap cannot be loaded the command still speaks English.
    Language = "English";
    EH::trapped(EH::ProcedureGuard{{.procedure = "Class_Initialize ", .module = ModuleName}},
                [this](EH::ProcedureGuard& guard) {
                    guard.line = 1;
                    picture_ = loadResPicture("101");
                });
}

ClsPlotlet::~ClsPlotlet() {
    m_pApp.reset();
    picture_.reset();
    if (dialog_) {
        // A destructor must not throw; a failing unload is reported like any other failure.
        EH::trapped(EH::ProcedureGuard{{.procedure = "Class_Terminate ", .module = ModuleName}},
                    [this](EH::ProcedureGuard& guard) {
                        guard.line = 1;
                        // Taken out first, so that code run by the unload cannot reach a
                        // half-released dialog.
                        std::unique_ptr<frmPlotlet> dialog = std::move(dialog_);
                        dialog->unload();
                    });
    }
}

frmPlotlet* ClsPlotlet::dialog() const { return dialog_.get(); }

std::int32_t ClsPlotlet::Bitmap() {
    return EH::trapped(EH::ProcedureGuard{{.procedure = "ICommand_Bitmap ", .module = ModuleName}},
                       [this](EH::ProcedureGuard& guard) {
                           guard.line = 1;
                           if (!picture_) runtime::raise(runtime::err::ObjectNotSet);
                           return picture_->handle();
                       },
                       std::int32_t{0});
}

bool ClsPlotlet::Enabled() {
    // No trap: a host that cannot answer learns it from the failed query.
    return runtime::required(runtime::required(runtime::required(m_pApp)->document())->focusMap())->layerCount() > 0;
}

void ClsPlotlet::OnClick() {
    try {
        const host::MxDocumentPtr pMxDoc = runtime::required(m_pApp)->document();  // 1
        const host::MapPtr pMap = runtime::required(pMxDoc)->focusMap();            // 2
        if (!dialog_) dialog_ = std::make_unique<frmPlotlet>();         // 3 created if needed
        frmPlotlet& dialog = *dialog_;
        dialog.pMxDoc = pMxDoc;
        dialog.pMap = pMap;                                               // 4
        dialog.m_pApp = m_pApp;                                           // 5
        dialog.setLanguage(Language);                                     // 6
        dialog.show();                                                    // 7 modeless, no owner
        dialog.setWindowState(ui::WindowState::Normal);                   // 8
        dialog.ChekSelectedOnLayer();                                     // 9
    } catch (...) {
        const std::string description = EH::describeCurrent().description;
        try {
            ui::msgBox("ICommand_OnClick " + description);
        } catch (...) {
            // Nothing left to tell the user with; the click must not take the host down.
        }
    }
}

void ClsPlotlet::OnCreate(runtime::ObjectPtr hook) {
    // The hook is taken as the application: anything else is a type mismatch, as the
    // assignment to an application variable would be.
    auto application = std::dynamic_pointer_cast<host::Application>(hook);
    if (hook && !application) runtime::raise(runtime::err::TypeMismatch);
    m_pApp = std::move(application);
}

}  // namespace plotlet
