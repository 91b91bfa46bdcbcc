#pragma once
// The contract between the host and a plug-in module: one exported C function, the factory,
// returns a descriptor that names the module's component and creates its command. This stands
// in for the registration and class factory of an in-process component.
//
// A module exports exactly
//     extern "C" const host::PluginDescriptor* plotlet_plugin_descriptor() noexcept;
// The host reads `abiVersion` and `descriptorSize` before any other field, so both stay first
// in every future layout.
#include <cstdint>

namespace host {

class ICommand;

inline constexpr std::uint32_t PluginAbiVersion = 1;
inline constexpr const char* PluginFactorySymbol = "plotlet_plugin_descriptor";

struct PluginDescriptor {
    std::uint32_t abiVersion;      // PluginAbiVersion of the headers the module was built with
    std::uint32_t descriptorSize;  // sizeof(PluginDescriptor) in the module
    // Component identity, a registry-style class id "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    // unique per module, the host refuses a second module with the same identity.
    const char* componentId;
    const char* moduleName;  // "Plotlet_v8"
    const char* category;    // the category the host lists the command under
    // A new command object; the caller owns it and deletes it through ICommand's virtual
    // destructor while the module is still loaded. May throw.
    ICommand* (*createCommand)();
    // The location label the module's main dialog reports its start-up failure under, read
    // from the module's own copy of the plug-in (so it also shows that module state is kept
    // per module).
    const char* (*startupFailureLabel)();
};

using PluginFactory = const PluginDescriptor* (*)() noexcept;

}  // namespace host

// Marks the one symbol a plug-in module exports; modules are built with hidden visibility.
#define PLOTLET_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
