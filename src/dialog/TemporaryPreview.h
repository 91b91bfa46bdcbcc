#pragma once
// Temporary: symbol previews and field symbols until src/preview lands (basDrawSymbol,
// basMakeSymbols). Delete this file then.
#include <cstdint>
#include <vector>

#include "host/Symbol.h"
#include "runtime/Object.h"

namespace plotlet::temporary {

// A picture of width x height pixels filled with the fill symbol's colour (white otherwise).
class StandInPicture final : public runtime::Object {
public:
    StandInPicture(int width, int height, std::uint32_t color)
        : width(width), height(height), pixels(static_cast<std::size_t>(width) * height, color) {}
    std::string className() const override { return "Picture"; }
    int width, height;
    std::vector<std::uint32_t> pixels;
};

runtime::ObjectPtr PictureFromSymbol(const host::SymbolPtr& symbol, int width, int height, int gap);
std::shared_ptr<host::SimpleFillSymbol> MakeFillSymbol(std::int64_t fillColor, std::int64_t outlineColor);
double OutlineWidth();
void SetOutlineWidth(double points);

}  // namespace plotlet::temporary
