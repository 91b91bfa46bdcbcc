#pragma once
// Geometries of the host: point, multipoint, polyline of segments, polygon with an area label
// point, and the envelope (rectangle) that bounds measure with. Coordinates are map units.
#include <memory>
#include <vector>

#include "runtime/Object.h"

namespace host {

// Geometry type codes as the host numbers them.
enum class GeometryType : int { Null = 0, Point = 1, Multipoint = 2, Polyline = 3, Polygon = 4, Envelope = 5 };

struct XY {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const XY&, const XY&) = default;
};

class Envelope;

class Geometry : public runtime::Object {
public:
    virtual GeometryType geometryType() const = 0;
    virtual bool isEmpty() const = 0;
    // The bounding rectangle (empty for an empty geometry).
    virtual Envelope envelope() const = 0;
    virtual void move(double dx, double dy) = 0;
    virtual std::shared_ptr<Geometry> cloneGeometry() const = 0;
};

using GeometryPtr = std::shared_ptr<Geometry>;

class Envelope final : public Geometry {
public:
    Envelope() = default;  // empty
    Envelope(double xmin, double ymin, double xmax, double ymax);

    std::string className() const override { return "Envelope"; }
    GeometryType geometryType() const override { return GeometryType::Envelope; }
    bool isEmpty() const override { return empty_; }
    Envelope envelope() const override { return *this; }
    void move(double dx, double dy) override;
    GeometryPtr cloneGeometry() const override { return std::make_shared<Envelope>(*this); }

    double xMin() const { return xmin_; }
    double yMin() const { return ymin_; }
    double xMax() const { return xmax_; }
    double yMax() const { return ymax_; }
    double width() const { return empty_ ? 0.0 : xmax_ - xmin_; }
    double height() const { return empty_ ? 0.0 : ymax_ - ymin_; }
    XY lowerLeft() const { return {xmin_, ymin_}; }
    XY centre() const { return {(xmin_ + xmax_) / 2, (ymin_ + ymax_) / 2}; }
    // The area label point of a rectangle: its centre.
    XY labelPoint() const { return centre(); }

    void setEmpty() { *this = Envelope(); }
    void set(double xmin, double ymin, double xmax, double ymax);
    // Grows to include the point / the other envelope (an empty one changes nothing).
    void include(XY p);
    void include(const Envelope& other);
    // Grows by d on every side.
    void expand(double d);
    bool contains(XY p) const;
    bool intersects(const Envelope& other) const;

    // (A defaulted comparison would be deleted: the Geometry base has none.)
    friend bool operator==(const Envelope& a, const Envelope& b) {
        if (a.empty_ || b.empty_) return a.empty_ == b.empty_;
        return a.xmin_ == b.xmin_ && a.ymin_ == b.ymin_ && a.xmax_ == b.xmax_ && a.ymax_ == b.ymax_;
    }

private:
    double xmin_ = 0.0, ymin_ = 0.0, xmax_ = 0.0, ymax_ = 0.0;
    bool empty_ = true;
};

class Point final : public Geometry {
public:
    Point() = default;  // empty
    Point(double x, double y) : xy_{x, y}, empty_(false) {}
    explicit Point(XY xy) : xy_(xy), empty_(false) {}

    std::string className() const override { return "Point"; }
    GeometryType geometryType() const override { return GeometryType::Point; }
    bool isEmpty() const override { return empty_; }
    Envelope envelope() const override;
    void move(double dx, double dy) override;
    GeometryPtr cloneGeometry() const override { return std::make_shared<Point>(*this); }

    double x() const { return xy_.x; }
    double y() const { return xy_.y; }
    XY xy() const { return xy_; }
    void putCoords(double x, double y) {
        xy_ = {x, y};
        empty_ = false;
    }

private:
    XY xy_;
    bool empty_ = true;
};

class Multipoint final : public Geometry {
public:
    std::string className() const override { return "Multipoint"; }
    GeometryType geometryType() const override { return GeometryType::Multipoint; }
    bool isEmpty() const override { return points_.empty(); }
    Envelope envelope() const override;
    void move(double dx, double dy) override;
    GeometryPtr cloneGeometry() const override { return std::make_shared<Multipoint>(*this); }

    const std::vector<XY>& points() const { return points_; }
    void addPoint(XY p) { points_.push_back(p); }

private:
    std::vector<XY> points_;
};

// A polyline made of paths; each path is a run of connected vertices.
class Polyline final : public Geometry {
public:
    std::string className() const override { return "Polyline"; }
    GeometryType geometryType() const override { return GeometryType::Polyline; }
    bool isEmpty() const override { return paths_.empty(); }
    Envelope envelope() const override;
    void move(double dx, double dy) override;
    GeometryPtr cloneGeometry() const override { return std::make_shared<Polyline>(*this); }

    // Adds a straight segment; it continues the last path when it starts where that path ends.
    void addSegment(XY from, XY to);
    void addPath(std::vector<XY> path);
    const std::vector<std::vector<XY>>& paths() const { return paths_; }
    std::size_t segmentCount() const;

private:
    std::vector<std::vector<XY>> paths_;
};

// A polygon of rings (outer rings and holes, told apart by the even-odd rule).
class Polygon final : public Geometry {
public:
    std::string className() const override { return "Polygon"; }
    GeometryType geometryType() const override { return GeometryType::Polygon; }
    bool isEmpty() const override { return rings_.empty(); }
    Envelope envelope() const override;
    void move(double dx, double dy) override;
    GeometryPtr cloneGeometry() const override { return std::make_shared<Polygon>(*this); }

    void addRing(std::vector<XY> ring);
    const std::vector<std::vector<XY>>& rings() const { return rings_; }
    // Signed-area sum (positive for counter-clockwise outer rings).
    double area() const;
    // A point inside the polygon where a label can stand: the centroid when it lies inside,
    // otherwise the middle of the widest inside span on the horizontal through the centroid.
    XY labelPoint() const;
    bool contains(XY p) const;

private:
    std::vector<std::vector<XY>> rings_;
};

}  // namespace host
