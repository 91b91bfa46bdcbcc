#include "host/Display.h"

#include <cmath>

#include "runtime/Text.h"

namespace host {

double DisplayTransformation::mapScale() const {
    if (visible_.isEmpty() || frame_.width() <= 0 || dpi_ <= 0) return 0.0;
    const double deviceInches = frame_.width() / dpi_;
    return visible_.width() * metresPerUnit_ / (deviceInches * kMetresPerInch);
}

void DisplayTransformation::setMapScale(double scale) {
    if (scale <= 0 || !std::isfinite(scale) || frame_.width() <= 0 || dpi_ <= 0) return;
    const XY c = visible_.isEmpty() ? XY{0, 0} : visible_.centre();
    const double width = scale * (frame_.width() / dpi_) * kMetresPerInch / metresPerUnit_;
    const double height = width * frame_.height() / frame_.width();
    visible_.set(c.x - width / 2, c.y - height / 2, c.x + width / 2, c.y + height / 2);
}

double DisplayTransformation::mapUnitsPerPoint() const {
    const double s = referenceScale_ > 0 ? referenceScale_ : mapScale();
    return s * kMetresPerInch / kPointsPerInch / metresPerUnit_;
}

double DisplayTransformation::mapUnitsPerPointAtMapScale() const {
    return mapScale() * kMetresPerInch / kPointsPerInch / metresPerUnit_;
}

// Through map units rather than dpi / 72 × reference ÷ map scale: the product with the pixels
// per map unit puts a symbol exactly where the map units measured for it fall.
double DisplayTransformation::pixelsPerPoint() const {
    return mapUnitsPerPoint() * pixelsPerMapUnit();
}

double DisplayTransformation::pixelsPerPointAtMapScale() const {
    return mapUnitsPerPointAtMapScale() * pixelsPerMapUnit();
}

double DisplayTransformation::pixelsPerMapUnit() const {
    if (visible_.isEmpty() || visible_.width() <= 0) return 0.0;
    return frame_.width() / visible_.width();
}

XY DisplayTransformation::toDevice(XY map) const {
    const double k = pixelsPerMapUnit();
    return {frame_.left + (map.x - visible_.xMin()) * k, frame_.top + (visible_.yMax() - map.y) * k};
}

XY DisplayTransformation::toMap(XY device) const {
    const double k = pixelsPerMapUnit();
    if (k == 0) return {};
    return {visible_.xMin() + (device.x - frame_.left) / k, visible_.yMax() - (device.y - frame_.top) / k};
}

PlainDisplay::PlainDisplay() : PlainDisplay(1000.0, 0.0) {}

PlainDisplay::PlainDisplay(double mapScale, double referenceScale, double metresPerUnit) {
    transformation_.setDeviceFrame({0, 0, 1000, 1000});
    transformation_.setResolution(96.0);
    transformation_.setMetresPerUnit(metresPerUnit);
    transformation_.setVisibleBounds(Envelope(0, 0, 1, 1));
    transformation_.setMapScale(mapScale);
    transformation_.setBounds(transformation_.visibleBounds());
    transformation_.setReferenceScale(referenceScale);
}

TextExtent PlainDisplay::measureText(const FontSpec& font, std::string_view text) const {
    return {0.55 * font.size * static_cast<double>(runtime::characterCount(text)), 0.8 * font.size, 0.2 * font.size};
}

}  // namespace host
