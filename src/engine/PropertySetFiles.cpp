#include "engine/PropertySetFiles.h"

#include "errors/ErrorHandling.h"
#include "host/PropertySetFile.h"
#include "runtime/Error.h"

namespace plotlet {

void SavePropertySetToFile(const host::PropertySetPtr& set, const std::string& path) {
    if (!set) runtime::raise(runtime::err::ObjectNotSet);
    host::writePropertySetFile(*set, path);
}

host::PropertySetPtr LoadPropertySetFromFile(const std::string& path) {
    ErrorHandling::ProcedureGuard guard{{.procedure = "LoadPropertySetFromFile "}, 0, ErrorHandling::ModeDialog};
    try {
        guard.line = 1;
        return host::readPropertySetFile(path);
    } catch (...) {
        guard.report();
        return nullptr;
    }
}

}  // namespace plotlet
