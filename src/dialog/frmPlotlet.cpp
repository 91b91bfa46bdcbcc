#include "dialog/frmPlotlet.h"

#include "command/PluginModule.h"

namespace plotlet {

std::string_view frmPlotlet::FormLoadLabel() { return thisModule().startupFailureLabel; }

void frmPlotlet::Unload() {
    visible_ = false;
    pMxDoc.reset();
    pMap.reset();
    m_pApp.reset();
}

}  // namespace plotlet
