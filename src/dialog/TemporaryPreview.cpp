// Temporary stand-ins for src/preview; see TemporaryPreview.h.
#include "dialog/TemporaryPreview.h"

#include <cmath>

#include "runtime/Error.h"
#include "runtime/NumberText.h"
#include "runtime/Settings.h"

namespace plotlet::temporary {

namespace {
double g_outlineWidth = 0.5;
}

runtime::ObjectPtr PictureFromSymbol(const host::SymbolPtr& symbol, int width, int height, int) {
    std::uint32_t color = 0xFFFFFF;
    if (auto fill = std::dynamic_pointer_cast<host::FillSymbol>(symbol)) color = fill->color().rgb();
    return std::make_shared<StandInPicture>(width, height, color);
}

std::shared_ptr<host::SimpleFillSymbol> MakeFillSymbol(std::int64_t fillColor, std::int64_t outlineColor) {
    auto random = [] { return static_cast<std::uint32_t>(runtime::toInt32(runtime::randomUnit() * 16777214.0 + 1.0)); };
    auto fill = std::make_shared<host::SimpleFillSymbol>();
    fill->setColor(host::RgbColor(fillColor < 0 ? random() : static_cast<std::uint32_t>(fillColor)));
    auto line = std::make_shared<host::SimpleLineSymbol>();
    line->setColor(host::RgbColor(outlineColor < 0 ? random() : static_cast<std::uint32_t>(outlineColor)));
    line->setWidth(g_outlineWidth);
    fill->setOutline(line);
    return fill;
}

double OutlineWidth() { return g_outlineWidth; }

void SetOutlineWidth(double points) {
    if (!(points >= 0) || !std::isfinite(points)) runtime::raise(runtime::err::InvalidCall);
    g_outlineWidth = points;
}

}  // namespace plotlet::temporary
