#include "host/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace host {

Envelope::Envelope(double xmin, double ymin, double xmax, double ymax) { set(xmin, ymin, xmax, ymax); }

void Envelope::set(double xmin, double ymin, double xmax, double ymax) {
    xmin_ = std::min(xmin, xmax);
    xmax_ = std::max(xmin, xmax);
    ymin_ = std::min(ymin, ymax);
    ymax_ = std::max(ymin, ymax);
    empty_ = false;
}

void Envelope::move(double dx, double dy) {
    if (empty_) return;
    xmin_ += dx;
    xmax_ += dx;
    ymin_ += dy;
    ymax_ += dy;
}

void Envelope::include(XY p) {
    if (empty_) {
        set(p.x, p.y, p.x, p.y);
        return;
    }
    xmin_ = std::min(xmin_, p.x);
    xmax_ = std::max(xmax_, p.x);
    ymin_ = std::min(ymin_, p.y);
    ymax_ = std::max(ymax_, p.y);
}

void Envelope::include(const Envelope& other) {
    if (other.empty_) return;
    include(XY{other.xmin_, other.ymin_});
    include(XY{other.xmax_, other.ymax_});
}

void Envelope::expand(double d) {
    if (empty_) return;
    xmin_ -= d;
    ymin_ -= d;
    xmax_ += d;
    ymax_ += d;
    if (xmin_ > xmax_) xmin_ = xmax_ = (xmin_ + xmax_) / 2;
    if (ymin_ > ymax_) ymin_ = ymax_ = (ymin_ + ymax_) / 2;
}

bool Envelope::contains(XY p) const {
    return !empty_ && p.x >= xmin_ && p.x <= xmax_ && p.y >= ymin_ && p.y <= ymax_;
}

bool Envelope::intersects(const Envelope& o) const {
    return !empty_ && !o.empty_ && xmin_ <= o.xmax_ && o.xmin_ <= xmax_ && ymin_ <= o.ymax_ && o.ymin_ <= ymax_;
}

Envelope Point::envelope() const {
    Envelope e;
    if (!empty_) e.include(xy_);
    return e;
}

void Point::move(double dx, double dy) {
    if (empty_) return;
    xy_.x += dx;
    xy_.y += dy;
}

Envelope Multipoint::envelope() const {
    Envelope e;
    for (const XY& p : points_) e.include(p);
    return e;
}

void Multipoint::move(double dx, double dy) {
    for (XY& p : points_) {
        p.x += dx;
        p.y += dy;
    }
}

Envelope Polyline::envelope() const {
    Envelope e;
    for (const auto& path : paths_) {
        for (const XY& p : path) e.include(p);
    }
    return e;
}

void Polyline::move(double dx, double dy) {
    for (auto& path : paths_) {
        for (XY& p : path) {
            p.x += dx;
            p.y += dy;
        }
    }
}

void Polyline::addSegment(XY from, XY to) {
    if (!paths_.empty() && !paths_.back().empty() && paths_.back().back() == from) {
        paths_.back().push_back(to);
    } else {
        paths_.push_back({from, to});
    }
}

void Polyline::addPath(std::vector<XY> path) {
    if (path.size() >= 2) paths_.push_back(std::move(path));
}

std::size_t Polyline::segmentCount() const {
    std::size_t n = 0;
    for (const auto& path : paths_) n += path.size() - 1;
    return n;
}

Envelope Polygon::envelope() const {
    Envelope e;
    for (const auto& ring : rings_) {
        for (const XY& p : ring) e.include(p);
    }
    return e;
}

void Polygon::move(double dx, double dy) {
    for (auto& ring : rings_) {
        for (XY& p : ring) {
            p.x += dx;
            p.y += dy;
        }
    }
}

void Polygon::addRing(std::vector<XY> ring) {
    if (ring.size() >= 2 && ring.front() == ring.back()) ring.pop_back();
    if (ring.size() >= 3) rings_.push_back(std::move(ring));
}

double Polygon::area() const {
    double a = 0.0;
    for (const auto& ring : rings_) {
        for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
            const XY& p = ring[i];
            const XY& q = ring[(i + 1) % n];
            a += p.x * q.y - q.x * p.y;
        }
    }
    return a / 2.0;
}

bool Polygon::contains(XY p) const {
    bool inside = false;
    for (const auto& ring : rings_) {
        for (std::size_t i = 0, n = ring.size(), j = n - 1; i < n; j = i++) {
            const XY& a = ring[i];
            const XY& b = ring[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
        }
    }
    return inside;
}

XY Polygon::labelPoint() const {
    if (rings_.empty()) return {};
    // Area-weighted centroid over all rings (holes subtract through their orientation).
    double a = 0.0, cx = 0.0, cy = 0.0;
    for (const auto& ring : rings_) {
        for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
            const XY& p = ring[i];
            const XY& q = ring[(i + 1) % n];
            const double cross = p.x * q.y - q.x * p.y;
            a += cross;
            cx += (p.x + q.x) * cross;
            cy += (p.y + q.y) * cross;
        }
    }
    XY c = envelope().centre();
    if (std::fabs(a) > 0) c = {cx / (3 * a), cy / (3 * a)};
    if (contains(c)) return c;
    // Widest inside span on the horizontal through the centroid (or the envelope's middle).
    const double y = c.y;
    std::vector<double> xs;
    for (const auto& ring : rings_) {
        for (std::size_t i = 0, n = ring.size(), j = n - 1; i < n; j = i++) {
            const XY& p = ring[i];
            const XY& q = ring[j];
            if ((p.y > y) != (q.y > y)) xs.push_back((q.x - p.x) * (y - p.y) / (q.y - p.y) + p.x);
        }
    }
    std::sort(xs.begin(), xs.end());
    double best = -1.0;
    XY result = c;
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
        if (xs[i + 1] - xs[i] > best) {
            best = xs[i + 1] - xs[i];
            result = {(xs[i] + xs[i + 1]) / 2, y};
        }
    }
    return result;
}

}  // namespace host
