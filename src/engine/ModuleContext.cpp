#include "engine/ModuleContext.h"

namespace plotlet {

EngineContext& engineContext() {
    thread_local EngineContext context;
    return context;
}

void SetEngineContext(host::MapPtr map, host::MxDocumentPtr document, host::ApplicationPtr application) {
    EngineContext& c = engineContext();
    c.pMap = std::move(map);
    c.pMxDoc = std::move(document);
    c.m_pApp = std::move(application);
}

void ClearEngineContext() {
    EngineContext& c = engineContext();
    c.pMap.reset();
    c.pMxDoc.reset();
    c.m_pApp.reset();
}

double OutlineWidth() { return engineContext().outlineWidth; }
void SetOutlineWidth(double points) { engineContext().outlineWidth = points; }

}  // namespace plotlet
