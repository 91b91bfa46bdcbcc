#include "preview/basMakeSymbols.h"

#include "engine/ModuleContext.h"
#include "host/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Settings.h"

namespace plotlet::basMakeSymbols {

host::ColorPtr MakeRandomColor() {
    // The original re-seeded the generator from the clock before every colour, which gives the
    // same colour to fields coloured within one tick of the clock; the runtime's generator is
    // seeded once instead.
    const double r = runtime::randomUnit();
    const std::int32_t value = runtime::toInt32(r * 16777214.0 + 1.0);
    return std::make_shared<host::RgbColor>(static_cast<std::uint32_t>(value));
}

host::ColorPtr MakeColor(std::int64_t colorValue) {
    auto color = std::make_shared<host::RgbColor>();
    if (colorValue < 0 || colorValue > 0xFFFFFFFF) return color;
    try {
        color->setRGB(static_cast<std::uint32_t>(colorValue));
    } catch (const host::Error&) {
        color->setRGB(0);
    }
    return color;
}

std::shared_ptr<host::SimpleLineSymbol> MakeLineSymbol(std::int64_t colorValue) {
    auto line = std::make_shared<host::SimpleLineSymbol>();
    line->setColor(colorValue < 0 ? *MakeRandomColor() : *MakeColor(colorValue));
    line->setWidth(plotlet::OutlineWidth());
    line->setStyle(host::SimpleLineStyle::Solid);
    return line;
}

std::shared_ptr<host::SimpleFillSymbol> MakeFillSymbol(std::int64_t fillColor, std::int64_t outlineColor) {
    auto fill = std::make_shared<host::SimpleFillSymbol>();
    fill->setColor(fillColor < 0 ? *MakeRandomColor() : *MakeColor(fillColor));
    fill->setStyle(host::SimpleFillStyle::Solid);
    fill->setOutline(MakeLineSymbol(outlineColor));
    return fill;
}

}  // namespace plotlet::basMakeSymbols
