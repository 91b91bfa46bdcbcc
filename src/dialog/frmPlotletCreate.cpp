// Temporary: OK, the mode and the placement choices belong to the chart engine's side, which
// replaces this file.
#include "dialog/frmPlotlet.h"

namespace plotlet {

void frmPlotlet::CmdOK_Click() {}
void frmPlotlet::OpCreateDiagr_Click(int) {}
void frmPlotlet::OpChartPosition_Click(int) {}
std::string frmPlotlet::PlacementName(int) const { return ""; }

}  // namespace plotlet
