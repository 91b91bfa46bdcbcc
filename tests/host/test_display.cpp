// The display transformation is the one place that converts points, map units and pixels;
// measuring (host) and drawing (render) both rely on these figures agreeing.
#include <gtest/gtest.h>

#include "host/Display.h"

using namespace host;

namespace {

// 960 × 480 pixels at 96 dpi (10 × 5 inches) showing 2540 × 1270 metres: 1:10,000.
DisplayTransformation tenThousand(double referenceScale) {
    DisplayTransformation t;
    t.setDeviceFrame({0, 0, 960, 480});
    t.setResolution(96);
    t.setMetresPerUnit(1);
    t.setVisibleBounds(Envelope(0, 0, 2540, 1270));
    t.setReferenceScale(referenceScale);
    return t;
}

}  // namespace

TEST(DisplayTransformation, PointsMapUnitsAndPixelsAgree) {
    struct Row {
        double referenceScale;
        double mapUnitsPerPoint, pixelsPerPoint;
    };
    // A point is 1/72 inch: 0.0254 / 72 m on paper, 10,000 times that on the ground.
    const double atMapScale = 10000 * 0.0254 / 72;
    const Row rows[] = {
        {0, atMapScale, 96.0 / 72},             // no reference scale: points at the map scale
        {20000, 2 * atMapScale, 2 * 96.0 / 72},  // symbols twice as large as at their scale
        {5000, atMapScale / 2, 96.0 / 72 / 2},
    };
    for (const Row& row : rows) {
        const DisplayTransformation t = tenThousand(row.referenceScale);
        EXPECT_NEAR(t.mapScale(), 10000, 1e-6);
        EXPECT_NEAR(t.mapUnitsPerPoint(), row.mapUnitsPerPoint, 1e-9) << row.referenceScale;
        EXPECT_NEAR(t.pixelsPerPoint(), row.pixelsPerPoint, 1e-9) << row.referenceScale;
        EXPECT_NEAR(t.pixelsPerPoint(), t.mapUnitsPerPoint() * t.pixelsPerMapUnit(), 1e-12);
        // Texts that do not scale keep the map scale whatever the reference scale.
        EXPECT_NEAR(t.mapUnitsPerPointAtMapScale(), atMapScale, 1e-9);
        EXPECT_NEAR(t.pixelsPerPointAtMapScale(), 96.0 / 72, 1e-9);
    }
    // Geographic units: a degree counts 111,319.49 metres.
    DisplayTransformation degrees = tenThousand(0);
    degrees.setMetresPerUnit(111319.49);
    degrees.setVisibleBounds(Envelope(0, 0, 2540 / 111319.49, 1270 / 111319.49));
    EXPECT_NEAR(degrees.mapScale(), 10000, 1e-6);
    EXPECT_NEAR(degrees.mapUnitsPerPoint(), atMapScale / 111319.49, 1e-15);
    EXPECT_NEAR(degrees.pixelsPerPoint(), 96.0 / 72, 1e-9);
}
