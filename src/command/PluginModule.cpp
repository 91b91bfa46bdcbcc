#include "command/PluginModule.h"

#include "command/ClsPlotlet.h"

namespace plotlet {

namespace {

ModuleIdentity& identity() {
    static ModuleIdentity current{"", "plotlet", "frmPlotlet_FormLoad"};
    return current;
}

host::ICommand* createCommand() { return new ClsPlotlet(); }

const char* startupFailureLabel() { return thisModule().startupFailureLabel; }

}  // namespace

const ModuleIdentity& thisModule() { return identity(); }

const host::PluginDescriptor* describeModule(const ModuleIdentity& moduleIdentity) noexcept {
    identity() = moduleIdentity;
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

ModuleIdentityScope::ModuleIdentityScope(const ModuleIdentity& moduleIdentity) : previous_(identity()) {
    identity() = moduleIdentity;
}

ModuleIdentityScope::~ModuleIdentityScope() { identity() = previous_; }

}  // namespace plotlet
