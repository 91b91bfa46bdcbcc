#include "host/ICommand.h"

namespace host {

// Out of line so the interface's type information lives once, in the platform, for the host
// and every plug-in module.
ICommand::~ICommand() = default;

}  // namespace host
