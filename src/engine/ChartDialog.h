#pragma once
// What the chart engine reads of the main dialog while it runs: the controls that hold the
// chart settings (by their names, through the forms runtime) and the member initDir, the
// folder the dialog's file choosers open in.
#include <string>

#include "ui/Form.h"

namespace plotlet {

struct ChartDialog {
    ui::Form& form;
    std::string& initDir;
};

}  // namespace plotlet
