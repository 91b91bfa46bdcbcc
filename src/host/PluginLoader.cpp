#include "host/PluginLoader.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace host {

namespace fs = std::filesystem;

namespace {

// Identity texts are short; a longer one means the descriptor is not what it claims to be.
constexpr std::size_t MaxDescriptorText = 256;

bool looksLikeElf(const fs::path& file, std::string& reason) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        reason = "cannot be read";
        return false;
    }
    std::array<char, 4> magic{};
    in.read(magic.data(), magic.size());
    if (in.gcount() != 4 || std::memcmp(magic.data(), "\x7f" "ELF", 4) != 0) {
        reason = "not a shared object (no ELF header)";
        return false;
    }
    return true;
}

// A descriptor text, or an empty string when it is missing or unreasonably long.
std::string descriptorText(const char* text) {
    if (text == nullptr) return {};
    const std::size_t length = strnlen(text, MaxDescriptorText + 1);
    if (length > MaxDescriptorText) return {};
    return std::string(text, length);
}

std::string lastDlError() {
    const char* message = dlerror();
    return message ? message : "unknown loader error";
}

}  // namespace

std::string PluginProblem::message() const { return file.string() + ": " + reason; }

std::string PluginModule::startupFailureLabel() const {
    if (descriptor_->startupFailureLabel == nullptr) return {};
    return descriptorText(descriptor_->startupFailureLabel());
}

std::shared_ptr<ICommand> PluginModule::createCommand() const {
    ICommand* command = descriptor_->createCommand();
    if (command == nullptr) throw std::runtime_error(moduleName_ + " created no command");
    // The deleter holds the library, so the command's code stays mapped until it is destroyed.
    return std::shared_ptr<ICommand>(command, [library = library_](ICommand* c) { delete c; });
}

void PluginLoader::loadFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::exists(folder, ec)) {
        problems_.push_back({folder, "plug-in folder does not exist"});
        return;
    }
    if (!fs::is_directory(folder, ec)) {
        problems_.push_back({folder, "not a folder"});
        return;
    }

    std::vector<fs::path> files;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        problems_.push_back({folder, "cannot be listed: " + ec.message()});
        return;
    }
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            problems_.push_back({folder, "cannot be listed: " + ec.message()});
            break;
        }
        const fs::path& path = it->path();
        std::error_code typeError;
        if (path.extension() == ".so" && it->is_regular_file(typeError)) files.push_back(path);
    }
    // Name order makes "first one wins" for duplicate identities predictable.
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) loadFile(file);
}

bool PluginLoader::loadFile(const fs::path& file) {
    auto refuse = [&](std::string reason) {
        problems_.push_back({file, std::move(reason)});
        return false;
    };

    // Only regular files are opened: a pipe or device named *.so would block or mislead.
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) return refuse(fs::exists(file, ec) ? "not a regular file" : "does not exist");
    std::string reason;
    if (!looksLikeElf(file, reason)) return refuse(reason);

    dlerror();
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return refuse("cannot be loaded: " + lastDlError());
    std::shared_ptr<void> library(handle, [](void* h) { dlclose(h); });

    dlerror();
    void* symbol = dlsym(handle, PluginFactorySymbol);
    if (symbol == nullptr) {
        return refuse(std::string("has no plug-in factory '") + PluginFactorySymbol + "' (not a Plotlet plug-in)");
    }

    const PluginDescriptor* descriptor = nullptr;
    try {
        // Called through a type without noexcept: a foreign factory that throws anyway is
        // reported instead of ending the host.
        using AnyFactory = const PluginDescriptor* (*)();
        descriptor = reinterpret_cast<AnyFactory>(symbol)();
    } catch (const std::exception& e) {
        return refuse(std::string("plug-in factory failed: ") + e.what());
    } catch (...) {
        return refuse("plug-in factory failed");
    }
    if (descriptor == nullptr) return refuse("plug-in factory returned no descriptor");
    if (descriptor->abiVersion != PluginAbiVersion) {
        return refuse("built for plug-in interface version " + std::to_string(descriptor->abiVersion) +
                      ", this host supports version " + std::to_string(PluginAbiVersion));
    }
    if (descriptor->descriptorSize < sizeof(PluginDescriptor)) return refuse("plug-in descriptor is truncated");

    PluginModule module;
    module.componentId_ = descriptorText(descriptor->componentId);
    module.moduleName_ = descriptorText(descriptor->moduleName);
    module.category_ = descriptorText(descriptor->category);
    if (module.componentId_.empty()) return refuse("plug-in descriptor has no component identity");
    if (module.moduleName_.empty()) return refuse("plug-in descriptor has no module name");
    if (descriptor->createCommand == nullptr) return refuse("plug-in descriptor has no command factory");

    const auto same = std::find_if(modules_.begin(), modules_.end(),
                                   [&](const PluginModule& m) { return m.componentId_ == module.componentId_; });
    if (same != modules_.end()) {
        return refuse("component identity " + module.componentId_ + " is already provided by " +
                      same->file_.string());
    }

    module.library_ = std::move(library);
    module.descriptor_ = descriptor;
    module.file_ = file;
    modules_.push_back(std::move(module));
    return true;
}

fs::path defaultPluginFolder() {
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path beside = executable.parent_path().parent_path() / "plugins";
        if (fs::is_directory(beside, ec)) return beside;
    }
#ifdef PLOTLET_DEFAULT_PLUGIN_DIR
    return PLOTLET_DEFAULT_PLUGIN_DIR;
#else
    return "plugins";
#endif
}

}  // namespace host
