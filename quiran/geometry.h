// geometry.h - arcs and circles of the segments import, densified into points.
#pragma once

#include <cstdint>

#include "kernel/element.h"

namespace cad {

/// The value of pi the import's arcs and circles are computed with.
constexpr double kQuiranPi = 3.14159267;
/// Most points a circle or an arc produces (a circle closes with its first point).
constexpr int kMaxCurvePoints = 202;

/// Angle over which a chord of the circle of radius r departs at most 0.1
/// coordinate unit from the arc: 2 arccos(1 - 0.1 / r); NaN below r = 0.05.
double densify_step(double r);

/// Azimuth from (cx, cy) to (x, y), clockwise from +y, in (0, 2 pi).
double azimuth(double cx, double cy, double x, double y);

/// Centre and radius of the circle through three points; false when they
/// lie on one line (or coincide).
bool circle_through(const Point& p, const Point& q, const Point& r, double& cx, double& cy, double& radius);

/// A full circle from azimuth 0 clockwise, closed with its first point.
/// Returns the number of points (21 to 201), or 0 when the circle's
/// coordinates do not fit 32-bit integers.
int circle_points(double cx, double cy, std::int32_t cz, double radius, Point out[kMaxCurvePoints]);

/// The arc from p through q to r. Three points on one line, or an arc too
/// large for 32-bit coordinates, give the three points themselves.
int arc_points(const Point& p, const Point& q, const Point& r, Point out[kMaxCurvePoints]);

/// Primitive 2: the circle through p, q and r, centred on the centre cut to
/// integers with p's z; three points on one line give the three points.
int circle_through_points(const Point& p, const Point& q, const Point& r, Point out[kMaxCurvePoints]);

}  // namespace cad
