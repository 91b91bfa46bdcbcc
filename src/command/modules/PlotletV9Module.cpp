// Plotlet_v9: the plug-in for the host's second generation, bound to its split type libraries.
#include "host/esriArcMapUI.h"
#include "host/esriCarto.h"
#include "host/esriDisplay.h"
#include "host/esriFramework.h"
#include "host/esriGeoDatabase.h"
#include "host/esriSystemUI.h"

#include "command/PluginModule.h"

namespace {

constexpr plotlet::ModuleIdentity Identity{
    "{6380EB01-256D-4BB7-AB7B-F4ED918C70C3}",
    "Plotlet_v9",
    "Form Plotlet Load",
};

}  // namespace

PLOTLET_PLUGIN_EXPORT const host::PluginDescriptor* plotlet_plugin_descriptor() noexcept {
    return plotlet::describeModule(Identity);
}
