#include "engine/DocumentPaths.h"

#include "engine/ModuleContext.h"
#include "errors/ErrorHandling.h"
#include "runtime/Text.h"
#include "ui/Shell.h"

namespace plotlet {

std::string GetDocumentPath(bool folder) {
    try {
        const host::ApplicationPtr& application = engineContext().m_pApp;
        if (!application) return {};
        const std::vector<std::string> templates = application->templates();
        if (templates.empty()) return {};
        const std::string& path = templates.back();
        return folder ? RemoveFileFromPath(path) : path;
    } catch (...) {
        return {};
    }
}

std::string RemoveFileFromPath(const std::string& path) {
    std::string result;
    try {
        const std::string trimmed = runtime::trim(path);
        const char last = trimmed.empty() ? '\0' : trimmed.back();
        const bool quoted = last == '\'' || last == '"';
        // Separators are single bytes, so byte positions serve as character positions here.
        const std::size_t at = path.find_last_of("\\/");
        const std::size_t p = at == std::string::npos ? 0 : at + 1;
        if (p >= 2) {
            result = path.substr(0, p - 1);
            if (quoted) result = runtime::trim(result) + last;
        }
    } catch (...) {
        try {
            ui::msgBox("RemoveFileFromPath_ERR: " + ErrorHandling::describeCurrent().description);
        } catch (...) {
        }
    }
    return result;
}

}  // namespace plotlet
