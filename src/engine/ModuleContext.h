#pragma once
// The chart engine's module context: the focus map, document and application that the main
// dialog hands over when it loads and takes back when it unloads. One per plug-in module.
#include "host/Application.h"

namespace plotlet {

void SetEngineContext(host::MapPtr map, host::MxDocumentPtr document, host::ApplicationPtr application);
void ClearEngineContext();

}  // namespace plotlet
