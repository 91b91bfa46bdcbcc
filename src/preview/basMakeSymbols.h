#pragma once
// The module basMakeSymbols: the colours and simple symbols the main dialog gives chart fields.
// A line or a fill's outline takes the chart engine's outline width (plotlet::OutlineWidth in
// engine/ModuleContext.h), which the main dialog keeps in step with its outline-width box.
#include <cstdint>
#include <memory>

#include "host/Color.h"
#include "host/Symbol.h"

namespace plotlet::basMakeSymbols {

// An RGB colour of value r × 16777214 + 1 rounded half to even, r from the runtime's random
// generator: 1 … 0xFFFFFF, never black. The generator is seeded once (reproducibly when the
// runtime has a seed), so colours made one after the other differ.
host::ColorPtr MakeRandomColor();
// An RGB colour of that value; a value the colour refuses (negative, beyond 24 bits) gives
// black.
host::ColorPtr MakeColor(std::int64_t colorValue);
// A solid simple line of the outline width; a negative colour value means a random colour.
std::shared_ptr<host::SimpleLineSymbol> MakeLineSymbol(std::int64_t colorValue);
// A solid simple fill with an outline made by MakeLineSymbol; a negative value means a random
// colour for that part.
std::shared_ptr<host::SimpleFillSymbol> MakeFillSymbol(std::int64_t fillColor, std::int64_t outlineColor);

}  // namespace plotlet::basMakeSymbols
