#pragma once
// The module's factory, shared by both deliverables: each module's exported function hands it
// the module's identity (resources/ModuleIdentity.h) and passes on the descriptor it returns.
#include "host/PluginApi.h"
#include "resources/ModuleIdentity.h"

namespace plotlet {

// Records `identity` as this module's and returns the descriptor the host reads.
const host::PluginDescriptor* describeModule(const ModuleIdentity& identity) noexcept;

}  // namespace plotlet
