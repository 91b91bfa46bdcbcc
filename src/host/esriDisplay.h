#pragma once
// The host's display library (second generation): symbols, colours, the display and its
// transformation, chart geometry.
#include "host/Symbol.h"
#include "host/Color.h"
#include "host/Display.h"
#include "host/ChartGeometry.h"
