#include "engine/ModuleContext.h"

namespace plotlet {

namespace {

struct ModuleContext {
    host::MapPtr map;
    host::MxDocumentPtr document;
    host::ApplicationPtr application;
};

ModuleContext& context() {
    static ModuleContext instance;
    return instance;
}

}  // namespace

void SetEngineContext(host::MapPtr map, host::MxDocumentPtr document, host::ApplicationPtr application) {
    context() = {std::move(map), std::move(document), std::move(application)};
}

void ClearEngineContext() { context() = {}; }

}  // namespace plotlet
