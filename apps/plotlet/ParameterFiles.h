#pragma once
// Parameter files (*.par) on the command line: `plotlet draw --params FILE` loads one through
// the dialog's load button before the other options, `--save-params FILE` writes one through
// its save button after them, as a user would with the file dialogs.
#include <string>

#include "plotlet/Context.h"

namespace ui {
class Form;
}

namespace plotlet::cli {

// A parameter file that could not be used: the message and the exit code (2 for a file that
// is missing or refused, 5 when the dialog reported a failure).
struct ParameterFileFailure {
    std::string message;
    int code;
};

// Loads the file into the open main dialog. Returns whether it holds the maximum value
// (TxtMaxValue), which then counts as given. Throws ParameterFileFailure.
bool loadParameterFile(Context& context, ui::Form& dialog, const std::string& path);
// Writes the dialog's parameters to the file, replacing it. Throws ParameterFileFailure.
void saveParameterFile(Context& context, ui::Form& dialog, const std::string& path);

}  // namespace plotlet::cli
