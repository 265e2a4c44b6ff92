// Three 32-bit floats, a point or a direction, and the arithmetic every host-free library computes
// with. Each operation is one fixed order of float operations, written here once, so that every
// library and every build gives the same bits for the same input.
#pragma once

#include <cmath>

#include "geometry/branch_free_float.h"

struct Vector3 {
  float x;
  float y;
  float z;
};

// The point whose x, y and z lie one after another at `xyz`, as in a flat array of coordinates.
inline Vector3 Vector3At(const float* xyz) {
  return Vector3{xyz[0], xyz[1], xyz[2]};
}

inline Vector3 Plus(const Vector3& a, const Vector3& b) {
  return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
}

inline Vector3 Minus(const Vector3& a, const Vector3& b) {
  return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

inline Vector3 Times(const Vector3& a, float factor) {
  return Vector3{a.x * factor, a.y * factor, a.z * factor};
}

// (a.x*b.x + a.y*b.y) + a.z*b.z.
inline float Dot(const Vector3& a, const Vector3& b) {
  return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

inline Vector3 Cross(const Vector3& a, const Vector3& b) {
  return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// w0*a + w1*b + w2*c, the first two added first: a value at a point of a triangle from its
// corners' values and the point's barycentric weights.
inline Vector3 Blend(const float* weights, const Vector3& a, const Vector3& b, const Vector3& c) {
  return Plus(Plus(Times(a, weights[0]), Times(b, weights[1])), Times(c, weights[2]));
}

// The direction with each coordinate divided by its length; zero where it has no length or its
// length is not finite.
inline Vector3 UnitOrZero(const Vector3& direction) {
  const float length = std::sqrt(Dot(direction, direction));
  if (!(length > 0.0f) || !std::isfinite(length)) return Vector3{0.0f, 0.0f, 0.0f};
  return Vector3{direction.x / length, direction.y / length, direction.z / length};
}

// Whether every coordinate is zero (of either sign).
inline bool IsZero(const Vector3& a) {
  return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f;
}

inline bool IsFinite(const Vector3& a) {
  return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

// (dx*dx + dy*dy) + dz*dz with d = a - b, the coordinates of `a` first.
inline float SquaredDistance(const Vector3& a, const Vector3& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  const float dz = a.z - b.z;
  return (dx * dx + dy * dy) + dz * dz;
}

// The least and the greatest of each coordinate, by MinOf and MaxOf.
inline Vector3 Lowest(const Vector3& a, const Vector3& b) {
  return Vector3{MinOf(a.x, b.x), MinOf(a.y, b.y), MinOf(a.z, b.z)};
}

inline Vector3 Highest(const Vector3& a, const Vector3& b) {
  return Vector3{MaxOf(a.x, b.x), MaxOf(a.y, b.y), MaxOf(a.z, b.z)};
}

// Each coordinate of `point` moved into [low, high]; a NaN coordinate becomes `high`'s. The result
// lies in the box whatever `point` is, provided low <= high.
inline Vector3 ClampToBox(const Vector3& point, const Vector3& low, const Vector3& high) {
  return Vector3{MaxOf(MinOf(point.x, high.x), low.x), MaxOf(MinOf(point.y, high.y), low.y),
                 MaxOf(MinOf(point.z, high.z), low.z)};
}
