#include "dialog/frmPlotlet.h"

#include "command/PluginModule.h"

namespace plotlet {

frmPlotlet::frmPlotlet() : Form("frmPlotlet", "Plotlet", 640, 480, {}) {
    onUnload = [this] {
        // The dialog holds the host's objects only while it is loaded.
        pMxDoc.reset();
        pMap.reset();
        m_pApp.reset();
    };
}

std::string_view frmPlotlet::FormLoadLabel() { return thisModule().startupFailureLabel; }

}  // namespace plotlet
