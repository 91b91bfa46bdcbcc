#pragma once
// What measuring and drawing need from a display: the display transformation (visible bounds in
// map units, device frame in pixels, resolution, map and reference scale) and text metrics.
// The host measures element bounds through this interface; the cairo display implements it
// with real font metrics, PlainDisplay with fixed proportions for tests and batch work.
#include <memory>
#include <string_view>

#include "host/Geometry.h"
#include "host/Symbol.h"
#include "runtime/Object.h"

namespace host {

struct DeviceFrame {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const DeviceFrame&, const DeviceFrame&) = default;
};

// A point is 1/72 inch; an inch is 0.0254 metres. Every conversion between points, map units,
// metres on paper and pixels goes through these two and the transformation below.
inline constexpr double kPointsPerInch = 72.0;
inline constexpr double kMetresPerInch = 0.0254;

// Converts between map units and device pixels and between points and map units: the one
// place that knows how, so measuring (host) and drawing (render) cannot disagree.
//
// Units: map units per point = S × 0.0254 / 72 / metres-per-map-unit, where S is the reference
// scale when it is > 0 and the map scale otherwise. A symbol of s points is drawn
// s × dpi / 72 pixels, times reference scale ÷ map scale when a reference scale is set.
class DisplayTransformation final : public runtime::Object {
public:
    std::string className() const override { return "DisplayTransformation"; }

    const Envelope& visibleBounds() const { return visible_; }
    void setVisibleBounds(const Envelope& e) { visible_ = e; }
    const Envelope& bounds() const { return full_; }
    void setBounds(const Envelope& e) { full_ = e; }
    const DeviceFrame& deviceFrame() const { return frame_; }
    void setDeviceFrame(const DeviceFrame& f) { frame_ = f; }
    double resolution() const { return dpi_; }
    void setResolution(double dpi) { dpi_ = dpi; }
    double referenceScale() const { return referenceScale_; }
    void setReferenceScale(double s) { referenceScale_ = s; }
    double metresPerUnit() const { return metresPerUnit_; }
    void setMetresPerUnit(double m) { metresPerUnit_ = m > 0 ? m : 1.0; }

    // The map scale implied by the visible bounds, the device frame and the resolution; 0 when
    // either is empty.
    double mapScale() const;
    // Keeps the centre of the visible bounds and sets their size to match the scale.
    void setMapScale(double scale);

    // Map units a symbol point takes: at the reference scale when there is one, else at the map
    // scale.
    double mapUnitsPerPoint() const;
    // Map units a point takes at the map scale whatever the reference scale (texts that do not
    // scale with the map).
    double mapUnitsPerPointAtMapScale() const;
    // Pixels a symbol point takes on this display (dpi / 72, times reference scale ÷ map scale
    // when a reference scale is set), and the same at the map scale.
    double pixelsPerPoint() const;
    double pixelsPerPointAtMapScale() const;
    // Pixels per map unit along both axes (square pixels).
    double pixelsPerMapUnit() const;
    // Map → device (pixels, y down) and back.
    XY toDevice(XY map) const;
    XY toMap(XY device) const;

private:
    Envelope visible_, full_;
    DeviceFrame frame_;
    double dpi_ = 96.0;
    double referenceScale_ = 0.0;
    double metresPerUnit_ = 1.0;
};

// Text metrics in points for the given font: advance width of the text and the font's ascent
// and descent (the line box, not the ink).
struct TextExtent {
    double width = 0.0;
    double ascent = 0.0;
    double descent = 0.0;
};

class Display {
public:
    virtual ~Display() = default;
    virtual DisplayTransformation& displayTransformation() = 0;
    virtual const DisplayTransformation& displayTransformation() const = 0;
    virtual TextExtent measureText(const FontSpec& font, std::string_view text) const = 0;

    double mapUnitsPerPoint() const { return displayTransformation().mapUnitsPerPoint(); }
};

// A display without a device: fixed text proportions (advance 0.55 em per character, ascent
// 0.8 em, descent 0.2 em). The scales come from the transformation.
class PlainDisplay final : public Display {
public:
    PlainDisplay();
    // A display at a map scale and reference scale with a 1000 × 1000 pixel frame at 96 dpi.
    PlainDisplay(double mapScale, double referenceScale, double metresPerUnit = 1.0);

    DisplayTransformation& displayTransformation() override { return transformation_; }
    const DisplayTransformation& displayTransformation() const override { return transformation_; }
    TextExtent measureText(const FontSpec& font, std::string_view text) const override;

private:
    DisplayTransformation transformation_;
};

}  // namespace host
