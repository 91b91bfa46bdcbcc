// Plotlet_v8: the plug-in for the host's first generation, bound to its single type library.
#include "host/esriCore.h"

#include "command/PluginModule.h"

namespace {

constexpr plotlet::ModuleIdentity Identity{
    "{8491BBBB-7088-4A46-8C7C-BA963D8828B2}",
    "Plotlet_v8",
    "frmPlotlet_FormLoad",
};

}  // namespace

PLOTLET_PLUGIN_EXPORT const host::PluginDescriptor* plotlet_plugin_descriptor() noexcept {
    return plotlet::describeModule(Identity);
}
