#include "host/ChartPlacement.h"

#include <cmath>

namespace host {

std::array<double, 2> chartPlacementOffset(const Envelope& markerBounds, const Envelope& chartBounds,
                                           std::int16_t placementCode, double distance) {
    const double Wm = markerBounds.width(), Hm = markerBounds.height();
    const double Wc = chartBounds.width(), Hc = chartBounds.height();
    const double d = distance;
    const double pi = 4.0 * std::atan(1.0);
    const double theta = pi / 4.0;
    // atan(Wc / Hc): a chart without height lies flat (α = 90°), as the quotient's limit says.
    const double alpha = Hc != 0.0 ? std::atan(Wc / Hc) : (Wc != 0.0 ? pi / 2.0 : 0.0);
    const double ca = std::cos(alpha), sa = std::sin(alpha);
    const double ct = std::cos(theta), st = std::sin(theta);

    switch (placementCode) {
    case 1: return {(Wm + Wc) / 2 + d, 0.0};
    case 2: return {(Wm + Wc) / 2 + d * ca, Hm / 2 + d * sa};
    case 3: return {(Wm * ct + Wc) / 2 + d * ct, (Wm / 2) * st + d * st};
    case 4: return {0.0, Hm / 2 + d};
    case 6: return {-(Wm + Wc) / 2 - d * ca, Hm / 2 + d * sa};
    case 7: return {-(Wm * ct + Wc) / 2 - d * ct, (Wm / 2) * st + d * st};
    case 8: return {-(Wm + Wc) / 2 - d, 0.0};
    case 9: return {-(Wm * ct + Wc) / 2 - d * ct, -(Wm / 2) * st - Hc - d * st};
    case 10: return {-(Wm + Wc) / 2 - d * ca, -Hm / 2 - Hc - d * sa};
    case 11: return {0.0, -Hm / 2 - Hc - d};
    case 12: return {(Wm * ct + Wc) / 2 + d * ct, -(Wm / 2) * st - Hc - d * st};
    case 13: return {(Wm + Wc) / 2 + d * ca, -Hm / 2 - Hc - d * sa};
    default: return {0.0, 0.0};  // 0 centre, 5, −1, −2 and every other code: no move
    }
}

}  // namespace host
