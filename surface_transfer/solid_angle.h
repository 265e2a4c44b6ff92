// The solid angle a triangle subtends at a point, in doubles, by a fixed order of operations: Van
// Oosterom and Strackee's formula, tan(omega / 2) = det[a b c] / (|a||b||c| + (a.b)|c| + (a.c)|b|
// + (b.c)|a|) for the corners a, b, c taken from the point, with the arctangent computed here
// rather than by the C library, so that every build and platform gives the same bits. The angle is
// positive where the triangle's normal, (b - a) x (c - a), points away from the point: summed over
// a closed surface whose normals point outwards it is 4 pi inside and 0 outside.
#pragma once

#include <cmath>

namespace solid_angle {

constexpr double kPi = 3.14159265358979323846;

// atan(t) for 0 <= t <= 1: first brought within tan(pi / 12) by atan(t) = pi / 6 +
// atan((t sqrt(3) - 1) / (sqrt(3) + t)), then the series t - t^3/3 + t^5/5 - ... to t^27/27, whose
// remainder there is below 1e-18.
inline double ArctangentOfUnit(double t) {
  constexpr double kSquareRootOf3 = 1.7320508075688772;
  constexpr double kTangentOfPiOver12 = 0.2679491924311227;
  double base = 0.0;
  if (t > kTangentOfPiOver12) {
    t = (t * kSquareRootOf3 - 1.0) / (kSquareRootOf3 + t);
    base = kPi / 6.0;
  }
  const double square = t * t;
  double series = 1.0 / 27.0;
  for (int power = 25; power >= 1; power -= 2) series = 1.0 / power - square * series;
  return base + t * series;
}

// atan2(y, x) in (-pi, pi]; 0 for y = x = 0.
inline double Arctangent2(double y, double x) {
  const double ay = std::fabs(y);
  const double ax = std::fabs(x);
  if (!(ay > 0.0) && !(ax > 0.0)) return 0.0;
  double angle = ay <= ax ? ArctangentOfUnit(ay / ax) : kPi / 2.0 - ArctangentOfUnit(ax / ay);
  if (x < 0.0) angle = kPi - angle;
  return y < 0.0 ? -angle : angle;
}

}  // namespace solid_angle

// The corners relative to the point, coordinates in order x, y, z.
inline double TriangleSolidAngle(const double* a, const double* b, const double* c) {
  const auto dot = [](const double* u, const double* v) {
    return (u[0] * v[0] + u[1] * v[1]) + u[2] * v[2];
  };
  const double la = std::sqrt(dot(a, a));
  const double lb = std::sqrt(dot(b, b));
  const double lc = std::sqrt(dot(c, c));
  const double determinant =
      (a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2])) +
      a[2] * (b[0] * c[1] - b[1] * c[0]);
  const double denominator = ((la * lb * lc + dot(a, b) * lc) + dot(a, c) * lb) + dot(b, c) * la;
  return 2.0 * solid_angle::Arctangent2(determinant, denominator);
}
