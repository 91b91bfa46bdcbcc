#pragma once
// The module context of the chart engine `Plotlet_v8_2`: the map, document and application the
// main dialog hands over when it loads, and the outline width of the chart symbols it keeps.
// The dialog's Form_Load sets them, its Form_Unload clears them; every procedure of the engine
// that works on "the module map" or "the module document" reads them here.
//
// The context is per-thread module data, as the rest of the engine's state: the plug-in runs on
// the host's user-interface thread only.
#include "host/Application.h"
#include "host/Map.h"
#include "host/MxDocument.h"

namespace plotlet {

struct EngineContext {
    host::MapPtr pMap;
    host::MxDocumentPtr pMxDoc;
    host::ApplicationPtr m_pApp;
    // Points; the dialog's TxtOutlineWidth.
    double outlineWidth = 0.5;
};

// The current context (empty members until the dialog loads).
EngineContext& engineContext();

void SetEngineContext(host::MapPtr map, host::MxDocumentPtr document, host::ApplicationPtr application);
// Releases the three host objects; the outline width stays.
void ClearEngineContext();

double OutlineWidth();
void SetOutlineWidth(double points);

}  // namespace plotlet
