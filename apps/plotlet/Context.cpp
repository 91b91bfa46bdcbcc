#include "plotlet/Context.h"

namespace plotlet::cli {

std::filesystem::path Context::effectivePluginFolder() const {
    return pluginFolder ? *pluginFolder : host::defaultPluginFolder();
}

const host::PluginLoader& Context::plugins() {
    if (!plugins_) {
        plugins_ = std::make_unique<host::PluginLoader>();
        plugins_->loadFolder(effectivePluginFolder());
        for (const host::PluginProblem& problem : plugins_->problems()) {
            err << "plotlet: warning: plug-in skipped: " << problem.message() << '\n';
        }
    }
    return *plugins_;
}

}  // namespace plotlet::cli
