#include "engine/DocumentPaths.h"

#include "ui/CommonDialog.h"

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

void PrepareFileChooser(ui::CommonDialog& chooser, const std::string& filter, int filterIndex, const std::string& fileName,
                        const std::string& title, const std::string& initDir) {
    chooser.setFlags(2306);
    chooser.setFilter(filter);
    chooser.setFilterIndex(filterIndex);
    chooser.setFileName(fileName);
    chooser.setCancelError(true);
    chooser.setDialogTitle(title);
    chooser.setInitDir(initDir);
}

std::string FolderOfChosenFile(const std::string& path) {
    const std::size_t at = path.find_last_of("\\/");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

}  // namespace plotlet
