// Until the dialog module gives the engine the main dialog's settings and initDir, the engine
// reads them from the dialog instance through this weak definition; the dialog module's own
// definition replaces it.
#include "dialog/frmPlotlet.h"
#include "engine/ChartDialog.h"

namespace plotlet {

frmPlotlet& MainDialog();

__attribute__((weak)) ChartDialog MainChartDialog() {
    static std::string initDir;
    return {MainDialog(), initDir};
}

}  // namespace plotlet
