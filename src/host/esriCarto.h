#pragma once
// The host's cartography library (second generation): maps, layers, graphics containers,
// elements and renderers.
#include "host/Map.h"
#include "host/Layer.h"
#include "host/GraphicsContainer.h"
#include "host/Element.h"
#include "host/Renderer.h"
