#include "resources/ModuleIdentity.h"

namespace plotlet {

namespace {

ModuleIdentity& identity() {
    static ModuleIdentity current{"", "plotlet", "frmPlotlet_FormLoad"};
    return current;
}

}  // namespace

const ModuleIdentity& thisModule() { return identity(); }

void setThisModule(const ModuleIdentity& moduleIdentity) { identity() = moduleIdentity; }

ModuleIdentityScope::ModuleIdentityScope(const ModuleIdentity& moduleIdentity) : previous_(identity()) {
    identity() = moduleIdentity;
}

ModuleIdentityScope::~ModuleIdentityScope() { identity() = previous_; }

}  // namespace plotlet
