#pragma once
// An RGB colour whose value is the Windows colour value 0x00BBGGRR (24 bits).
#include <cstdint>
#include <memory>

#include "runtime/Object.h"

namespace host {

class RgbColor final : public runtime::Object {
public:
    RgbColor() = default;
    explicit RgbColor(std::uint32_t value) { setRGB(value); }
    static RgbColor fromRgb(int red, int green, int blue);

    std::string className() const override { return "RgbColor"; }
    // The colour value 0x00BBGGRR.
    std::uint32_t rgb() const { return value_; }
    // Refuses values beyond 24 bits with a host error, as the host does.
    void setRGB(std::uint32_t value);
    int red() const { return static_cast<int>(value_ & 0xFF); }
    int green() const { return static_cast<int>((value_ >> 8) & 0xFF); }
    int blue() const { return static_cast<int>((value_ >> 16) & 0xFF); }
    // 0 opaque … 255 fully transparent ("no colour", e.g. a hollow fill).
    int transparency() const { return transparency_; }
    void setTransparency(int t) { transparency_ = t < 0 ? 0 : (t > 255 ? 255 : t); }
    bool isNull() const { return transparency_ >= 255; }

    friend bool operator==(const RgbColor& a, const RgbColor& b) {
        return a.value_ == b.value_ && a.transparency_ == b.transparency_;
    }

private:
    std::uint32_t value_ = 0;
    int transparency_ = 0;
};

using ColorPtr = std::shared_ptr<RgbColor>;

inline ColorPtr makeColor(std::uint32_t value) { return std::make_shared<RgbColor>(value); }

}  // namespace host
