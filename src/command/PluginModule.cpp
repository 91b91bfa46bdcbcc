#include "command/PluginModule.h"

#include "command/ClsPlotlet.h"

namespace plotlet {

namespace {

host::ICommand* createCommand() { return new ClsPlotlet(); }

const char* startupFailureLabel() { return thisModule().startupFailureLabel; }

}  // namespace

const host::PluginDescriptor* describeModule(const ModuleIdentity& moduleIdentity) noexcept {
    setThisModule(moduleIdentity);
    static host::PluginDescriptor descriptor{};
    descriptor = {host::PluginAbiVersion,
                  sizeof(host::PluginDescriptor),
                  moduleIdentity.componentId,
                  moduleIdentity.moduleName,
                  ClsPlotlet::CategoryText,
                  &createCommand,
                  &startupFailureLabel};
    return &descriptor;
}

}  // namespace plotlet
