#pragma once
// The host's map-editor library (second generation): the map document and its active view.
#include "host/MxDocument.h"
