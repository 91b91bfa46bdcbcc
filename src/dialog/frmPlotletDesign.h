#pragma once
// The design of the main dialog: its size and the table of its controls with their design
// captions and values, laid out on the three pages of SSTab (0 Main, 1 Chart, 2 Tools).
#include <vector>

#include "ui/ControlDesign.h"

namespace plotlet::design {

inline constexpr int FormWidth = 700;
inline constexpr int FormHeight = 470;

// The design caption of the form.
inline constexpr const char* FormCaption = "Create charts v 2.0";

// The control table. Button pictures come from the module's resources; a picture that cannot
// be loaded leaves its button without one rather than failing the dialog.
std::vector<ui::ControlDesign> frmPlotletTable();

}  // namespace plotlet::design
