// Until the dialog module defines the main dialog's single instance, the engine reaches a
// dialog of its own through these weak definitions; the dialog module's definitions replace
// them.
#include "dialog/frmPlotlet.h"
#include "engine/ChartDialog.h"

namespace plotlet {

__attribute__((weak)) frmPlotlet& MainDialog() {
    static frmPlotlet* dialog = new frmPlotlet();  // lives as long as the module
    return *dialog;
}

__attribute__((weak)) ChartDialog MainChartDialog() {
    static std::string initDir;
    return {MainDialog(), initDir};
}

}  // namespace plotlet
