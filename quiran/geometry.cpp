// geometry.cpp - arcs and circles of the segments import, densified into points.
#include "quiran/geometry.h"

#include <cmath>

namespace cad {

namespace {

// Largest magnitude a generated coordinate may reach and still be cut to a
// 32-bit integer.
constexpr double kCoordinateRoom = 2147483000.0;

bool fits(double c, double radius) { return std::fabs(c) + std::fabs(radius) < kCoordinateRoom; }

int three_points(const Point& p, const Point& q, const Point& r, Point out[]) {
    out[0] = p;
    out[1] = q;
    out[2] = r;
    return 3;
}

}  // namespace

double densify_step(double r) { return 2 * std::acos(1 - 0.1 / r); }

double azimuth(double cx, double cy, double x, double y) {
    double dx = x - cx, dy = y - cy;
    if (dx == 0 && dy == 0) return 0;
    double t = std::atan2(dx, dy);
    if (t == 0) t = 0.00000001;
    if (t < 0) t += 2 * kQuiranPi;
    return t;
}

bool circle_through(const Point& p, const Point& q, const Point& r, double& cx, double& cy, double& radius) {
    double x1 = p.x, y1 = p.y, x2 = q.x, y2 = q.y, x3 = r.x, y3 = r.y;
    double m1x = (x1 + x2) / 2, m1y = (y1 + y2) / 2;
    double m2x = (x2 + x3) / 2, m2y = (y2 + y3) / 2;
    if (y2 == y1) {
        if (y3 == y2) return false;
        cx = m1x;
        cy = (x2 - x3) / (y3 - y2) * (m1x - m2x) + m2y;
    } else {
        double m1 = (x1 - x2) / (y2 - y1);
        if (y3 == y2) {
            cx = m2x;
            cy = m1 * (m2x - m1x) + m1y;
        } else {
            double m2 = (x2 - x3) / (y3 - y2);
            if (m1 == m2) return false;
            cx = (m1 * m1x - m2 * m2x + m2y - m1y) / (m1 - m2);
            cy = m1 * (cx - m1x) + m1y;
        }
    }
    radius = std::hypot(x1 - cx, y1 - cy);
    return std::isfinite(cx) && std::isfinite(cy) && std::isfinite(radius);
}

int circle_points(double cx, double cy, std::int32_t cz, double radius, Point out[kMaxCurvePoints]) {
    if (!fits(cx, radius) || !fits(cy, radius)) return 0;
    double step = densify_step(radius);
    if (!(step >= 0.01 * kQuiranPi)) step = 0.01 * kQuiranPi;  // also when it cannot be computed
    if (step > 0.1 * kQuiranPi) step = 0.1 * kQuiranPi;
    int n = 0;
    for (int i = 0; n < kMaxCurvePoints - 1; ++i) {
        double t = i * step;
        if (!(t < 2 * kQuiranPi)) break;
        out[n++] = {static_cast<std::int32_t>(cx + radius * std::sin(t)),
                    static_cast<std::int32_t>(cy + radius * std::cos(t)), cz};
    }
    out[n++] = out[0];
    return n;
}

int arc_points(const Point& p, const Point& q, const Point& r, Point out[kMaxCurvePoints]) {
    double cx, cy, radius;
    if (!circle_through(p, q, r, cx, cy, radius) || !fits(cx, radius) || !fits(cy, radius))
        return three_points(p, q, r, out);
    double a1 = azimuth(cx, cy, p.x, p.y), a2 = azimuth(cx, cy, q.x, q.y), a3 = azimuth(cx, cy, r.x, r.y);
    // s = +1 when q lies on the clockwise way from p to r.
    double lo = a1, hi = a3;
    int s = 1;
    if (a1 > a3) lo = a3, hi = a1, s = -1;
    if (!(lo < a2 && a2 < hi)) s = -s;
    double sweep = s == 1 ? a3 - a1 : a1 - a3;
    if (sweep < 0) sweep += 2 * kQuiranPi;
    double ratio = std::fabs(sweep / densify_step(radius));
    int n = !(ratio < 200) ? 200 : static_cast<int>(ratio);
    if (n < 12) n = 12;
    out[0] = p;
    for (int i = 1; i < n; ++i) {
        double t = a1 + i * s * sweep / (n - 1);
        out[i] = {static_cast<std::int32_t>(cx + radius * std::sin(t)),
                  static_cast<std::int32_t>(cy + radius * std::cos(t)),
                  static_cast<std::int32_t>(p.z + i * (static_cast<double>(r.z) - p.z) / (n - 1))};
    }
    out[n - 1] = r;
    return n;
}

int circle_through_points(const Point& p, const Point& q, const Point& r, Point out[kMaxCurvePoints]) {
    double cx, cy, radius;
    if (!circle_through(p, q, r, cx, cy, radius) || !fits(cx, radius) || !fits(cy, radius))
        return three_points(p, q, r, out);
    return circle_points(std::trunc(cx), std::trunc(cy), p.z, radius, out);
}

}  // namespace cad
