// Until the dialog module defines the main dialog's single instance, the engine reaches a
// dialog of its own through this weak definition; the dialog module's definition replaces it.
#include "dialog/frmPlotlet.h"

namespace plotlet {

__attribute__((weak)) frmPlotlet& MainDialog() {
    static frmPlotlet* dialog = new frmPlotlet();  // lives as long as the module
    return *dialog;
}

}  // namespace plotlet
