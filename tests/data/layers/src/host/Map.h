#pragma once
// Allowed: the host's own headers and the runtime's.
#include "host/Geometry.h"
#include "runtime/Variant.h"
