#pragma once
// Finds plug-in modules in a folder, loads each into its own namespace (RTLD_LOCAL, so two
// modules built from the same sources keep their own module state), reads its identity and
// category through the factory and creates its commands.
//
// Every file is untrusted: a foreign or broken shared object, a module without the factory, a
// module built for another plug-in interface version, or a second module claiming an identity
// already loaded is recorded as a problem (file and reason) and skipped; loading goes on with
// the other files and never throws for a bad module.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/ICommand.h"
#include "host/PluginApi.h"

namespace host {

struct PluginProblem {
    std::filesystem::path file;
    std::string reason;

    // "<file>: <reason>", one line for the user.
    std::string message() const;
};

// One loaded module. Copies share the library; the library is unloaded when the last copy and
// the last command created from it are gone.
class PluginModule {
public:
    const std::filesystem::path& file() const { return file_; }
    const std::string& componentId() const { return componentId_; }
    const std::string& moduleName() const { return moduleName_; }
    const std::string& category() const { return category_; }
    // The label the module's main dialog reports its start-up failure under.
    std::string startupFailureLabel() const;

    // A new command object of the module. The module stays loaded while the command lives.
    // Throws what the module's creation throws.
    std::shared_ptr<ICommand> createCommand() const;

private:
    friend class PluginLoader;
    std::shared_ptr<void> library_;
    const PluginDescriptor* descriptor_ = nullptr;
    std::filesystem::path file_;
    std::string componentId_, moduleName_, category_;
};

class PluginLoader {
public:
    // Loads every "*.so" regular file (or link to one) directly in `folder`, in file-name order.
    // A missing or unreadable folder is recorded as a problem of the folder.
    void loadFolder(const std::filesystem::path& folder);
    // Loads one module file; false (and a recorded problem) when it is refused.
    bool loadFile(const std::filesystem::path& file);

    const std::vector<PluginModule>& modules() const { return modules_; }
    const std::vector<PluginProblem>& problems() const { return problems_; }

private:
    std::vector<PluginModule> modules_;
    std::vector<PluginProblem> problems_;
};

// Where the host looks when no folder is given: "../plugins" beside the running executable
// when that folder exists (an installed or relocated tree), else the folder the build put the
// modules in.
std::filesystem::path defaultPluginFolder();

}  // namespace host
