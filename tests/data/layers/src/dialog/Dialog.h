#pragma once
// Allowed: the dialog includes the engine.
#include "engine/Upward.h"
