#pragma once
// Who this copy of the plug-in is. Both deliverables are built from the same sources; each
// module links its own copy of the plug-in with hidden visibility, so this identity (and every
// other piece of module-level state, such as the chart engine's context) exists once per
// module, even when the host has loaded both. Kept apart from the command, so that the dialog
// can read the identity without including the command that shows it.
namespace plotlet {

struct ModuleIdentity {
    const char* componentId;          // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", unique per module
    const char* moduleName;           // "Plotlet_v8"
    const char* startupFailureLabel;  // location the main dialog reports its start-up failure under
};

// The identity of the module this code runs in. Code linked outside a module (the tests) sees
// a neutral identity with the first generation's label "frmPlotlet_FormLoad".
const ModuleIdentity& thisModule();

// Records `identity` as this module's (the module's factory does, before anything else runs).
void setThisModule(const ModuleIdentity& identity);

// Lets a test run code under another module's identity.
class ModuleIdentityScope {
public:
    explicit ModuleIdentityScope(const ModuleIdentity& identity);
    ~ModuleIdentityScope();
    ModuleIdentityScope(const ModuleIdentityScope&) = delete;
    ModuleIdentityScope& operator=(const ModuleIdentityScope&) = delete;

private:
    ModuleIdentity previous_;
};

}  // namespace plotlet
