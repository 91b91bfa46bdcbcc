#include "host/SpatialReference.h"

namespace host {

SpatialReference::SpatialReference(std::string name, std::string wkt, double metresPerUnit, bool geographic, int epsg)
    : name_(std::move(name)), wkt_(std::move(wkt)),
      metresPerUnit_(geographic ? metresPerDegree : (metresPerUnit > 0 ? metresPerUnit : 1.0)),
      geographic_(geographic), epsg_(epsg) {}

}  // namespace host
