// The few operations on points and directions that the surface methods compute with, each in one
// fixed order of 32-bit float operations, so that every build gives the same bits.
#pragma once

#include <cmath>

#include "search/nearest_search.h"

inline SearchPoint Plus(const SearchPoint& a, const SearchPoint& b) {
  return SearchPoint{a.x + b.x, a.y + b.y, a.z + b.z};
}

inline SearchPoint Minus(const SearchPoint& a, const SearchPoint& b) {
  return SearchPoint{a.x - b.x, a.y - b.y, a.z - b.z};
}

inline SearchPoint Times(const SearchPoint& a, float factor) {
  return SearchPoint{a.x * factor, a.y * factor, a.z * factor};
}

// (a.x*b.x + a.y*b.y) + a.z*b.z.
inline float Dot(const SearchPoint& a, const SearchPoint& b) {
  return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

inline SearchPoint Cross(const SearchPoint& a, const SearchPoint& b) {
  return SearchPoint{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// w0*a + w1*b + w2*c, the first two added first: a value at a point of a triangle from its
// corners' values and the point's barycentric weights.
inline SearchPoint Blend(const float* weights, const SearchPoint& a, const SearchPoint& b,
                         const SearchPoint& c) {
  return Plus(Plus(Times(a, weights[0]), Times(b, weights[1])), Times(c, weights[2]));
}

// The direction scaled to length 1; zero where it has no length or its length is not finite.
inline SearchPoint UnitOrZero(const SearchPoint& direction) {
  const float length = std::sqrt(Dot(direction, direction));
  if (!(length > 0.0f) || !std::isfinite(length)) return SearchPoint{0.0f, 0.0f, 0.0f};
  return SearchPoint{direction.x / length, direction.y / length, direction.z / length};
}

inline bool IsZero(const SearchPoint& a) {
  return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f;
}
