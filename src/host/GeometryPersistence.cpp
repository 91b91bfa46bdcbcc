// The persisted form of coordinate systems and geometries.
#include "host/PersistenceTable.h"

#include <cmath>

#include "host/Geometry.h"
#include "host/SpatialReference.h"

namespace host::persistence {

void addGeometryHandlers(HandlerTable& t) {
    t["SpatialReference"] = handler<SpatialReference>(
        [](const SpatialReference& o, Json& j, PersistContext&) {
            j["name"] = o.name();
            j["wkt"] = o.wkt();
            j["metresPerUnit"] = writeDouble(o.metresPerUnit());
            j["geographic"] = o.isGeographic();
            if (o.epsg()) j["epsg"] = o.epsg();
        },
        [](SpatialReference& o, const In& in) {
            o.setName(in.str("name", "Unknown"));
            o.setWkt(in.str("wkt"));
            const double m = in.num("metresPerUnit", 1.0);
            if (!(m > 0) || !std::isfinite(m)) in.context().fail("a coordinate system has an unusable unit size");
            o.setMetresPerUnit(m);
            o.setGeographic(in.flag("geographic", false));
            o.setEpsg(static_cast<int>(in.integer("epsg", 0)));
        });
    t["Point"] = handler<Point>(
        [](const Point& o, Json& j, PersistContext&) {
            if (o.isEmpty()) j["empty"] = true;
            else j["xy"] = writeXY(o.xy());
        },
        [](Point& o, const In& in) {
            if (in.has("xy")) o = Point(readXY(in.at("xy"), in.context()));
        });
    // An element's position, a label's: millions in a large map, each with one owner.
    t["Point"].byValue = true;
    t["Envelope"] = handler<Envelope>(
        [](const Envelope& o, Json& j, PersistContext&) {
            if (o.isEmpty()) j["empty"] = true;
            else j["box"] = Json::array({writeDouble(o.xMin()), writeDouble(o.yMin()), writeDouble(o.xMax()), writeDouble(o.yMax())});
        },
        [](Envelope& o, const In& in) {
            if (!in.has("box")) return;
            const Json& b = in.at("box");
            if (!b.is_array() || b.size() != 4) in.context().fail("an envelope must hold four numbers");
            auto& c = in.context();
            o.set(readDouble(b[0], c, "xmin"), readDouble(b[1], c, "ymin"), readDouble(b[2], c, "xmax"), readDouble(b[3], c, "ymax"));
        });
    t["Multipoint"] = handler<Multipoint>([](const Multipoint& o, Json& j, PersistContext&) { j["points"] = writePath(o.points()); },
                                          [](Multipoint& o, const In& in) {
                                              for (XY p : readPath(in.array("points"), in.context())) o.addPoint(p);
                                          });
    t["Polyline"] = handler<Polyline>(
        [](const Polyline& o, Json& j, PersistContext&) {
            Json paths = Json::array();
            for (const auto& p : o.paths()) paths.push_back(writePath(p));
            j["paths"] = paths;
        },
        [](Polyline& o, const In& in) {
            for (const auto& p : in.array("paths")) o.addPath(readPath(p, in.context()));
        });
    t["Polygon"] = handler<Polygon>(
        [](const Polygon& o, Json& j, PersistContext&) {
            Json rings = Json::array();
            for (const auto& r : o.rings()) rings.push_back(writePath(r));
            j["rings"] = rings;
        },
        [](Polygon& o, const In& in) {
            for (const auto& r : in.array("rings")) o.addRing(readPath(r, in.context()));
        });
}

}  // namespace host::persistence
