// Three doubles and the few operations the per-triangle routine computes with. Corners and queries
// are floats: their differences are exact in double unless their exponents lie more than 29 apart,
// and a product of two such differences loses nothing of the cancellation a float product would,
// so the routine's geometry keeps about 29 bits more than the floats it starts from. Each
// operation is one fixed order of double operations (the build keeps doubles out of the x87 unit
// and never fuses a multiply with an add), so every build gives the same bits.
#pragma once

#include "geometry/vector3.h"

struct DoubleVector {
  double x;
  double y;
  double z;
};

inline DoubleVector Widened(const Vector3& a) {
  return DoubleVector{a.x, a.y, a.z};
}

// Each coordinate rounded to float in the current rounding mode.
inline Vector3 Narrowed(const DoubleVector& a) {
  return Vector3{static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z)};
}

inline DoubleVector Plus(const DoubleVector& a, const DoubleVector& b) {
  return DoubleVector{a.x + b.x, a.y + b.y, a.z + b.z};
}

inline DoubleVector Minus(const DoubleVector& a, const DoubleVector& b) {
  return DoubleVector{a.x - b.x, a.y - b.y, a.z - b.z};
}

inline DoubleVector Times(const DoubleVector& a, double factor) {
  return DoubleVector{a.x * factor, a.y * factor, a.z * factor};
}

// (a.x*b.x + a.y*b.y) + a.z*b.z.
inline double Dot(const DoubleVector& a, const DoubleVector& b) {
  return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

inline DoubleVector Cross(const DoubleVector& a, const DoubleVector& b) {
  return DoubleVector{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
