#include "engine/Placement.h"

#include <cmath>

#include "engine/ChartData.h"
#include "host/ChartPlacement.h"
#include "errors/ErrorHandling.h"
#include "host/PropertySet.h"
#include "runtime/Error.h"

namespace plotlet {

std::array<double, 2> PlacementOffset(const host::Envelope& markerBounds, const host::Envelope& chartBounds,
                                      std::int16_t placementCode, double distance) {
    return host::chartPlacementOffset(markerBounds, chartBounds, placementCode, distance);
}

bool GetX0Y0(const host::ElementPtr& chartElement, const host::Envelope& oldBounds, std::array<double, 2>& zeroPoint) {
    ErrorHandling::ProcedureGuard guard{{.procedure = "GetX0Y0 ", .module = EngineModuleName}};
    try {
        guard.line = 1;
        // The attached data read in place: the same names and values GetElementData would copy
        // out, without copying them for every chart of a Recreate run.
        if (!chartElement) runtime::raise(runtime::err::ObjectNotSet);
        const auto data = chartElement->customProperty().as<host::PropertySet>();
        if (!data) {
            zeroPoint = {oldBounds.xMin(), oldBounds.yMin()};
            return true;
        }
        guard.line = 2;
        double vmax = 0.0, vmin = 0.0;
        for (const auto& [name, value] : data->items()) {
            if (host::samePropertyName(name, "#VMAX#")) vmax = value.toDouble();
            if (host::samePropertyName(name, "#VMIN#")) vmin = value.toDouble();
        }
        const double ratio = vmax != vmin ? -vmin / (vmax - vmin) : 1.0;
        zeroPoint = {oldBounds.xMin(), oldBounds.yMin() + oldBounds.height() * ratio};
        return true;
    } catch (...) {
        guard.report();
        return false;
    }
}

}  // namespace plotlet
