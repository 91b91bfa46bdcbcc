#pragma once
// A header against the layer order, for the test of scripts/check-layers.py: the engine
// reaching back into the dialog.
#include "dialog/Dialog.h"
#include "host/Map.h"
