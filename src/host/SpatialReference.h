#pragma once
// A coordinate system as far as the host needs one: a name users recognise, the WKT that
// defines it, and how many metres one map unit holds (geographic systems count 111,319.49
// metres per degree, so symbol sizes convert the same way everywhere).
#include <memory>
#include <string>

#include "runtime/Object.h"

namespace host {

class SpatialReference final : public runtime::Object {
public:
    SpatialReference() = default;  // unknown coordinate system, metres
    SpatialReference(std::string name, std::string wkt, double metresPerUnit, bool geographic, int epsg = 0);

    static constexpr double metresPerDegree = 111319.49;

    std::string className() const override { return "SpatialReference"; }
    const std::string& name() const { return name_; }
    const std::string& wkt() const { return wkt_; }
    double metresPerUnit() const { return metresPerUnit_; }
    bool isGeographic() const { return geographic_; }
    int epsg() const { return epsg_; }
    bool isUnknown() const { return wkt_.empty(); }

    void setName(std::string name) { name_ = std::move(name); }
    void setWkt(std::string wkt) { wkt_ = std::move(wkt); }
    void setMetresPerUnit(double m) { metresPerUnit_ = m; }
    void setGeographic(bool g) { geographic_ = g; }
    void setEpsg(int code) { epsg_ = code; }

private:
    std::string name_ = "Unknown";
    std::string wkt_;
    double metresPerUnit_ = 1.0;
    bool geographic_ = false;
    int epsg_ = 0;
};

using SpatialReferencePtr = std::shared_ptr<SpatialReference>;

}  // namespace host
