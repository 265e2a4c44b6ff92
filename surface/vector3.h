// Three 32-bit floats and the few operations the surface search computes with, each in one fixed
// order of float operations, so that every build gives the same bits.
#pragma once

#if defined(__SSE__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#include <xmmintrin.h>
#define PALISOR_SURFACE_SSE 1
#endif

struct Vector3 {
  float x;
  float y;
  float z;
};

// MaxOf(a, b) is a > b ? a : b and MinOf(a, b) is a < b ? a : b, bit for bit (a NaN `a` gives
// `b`), without a branch where the processor has the SSE instructions that compute just that.
inline float MaxOf(float a, float b) {
#ifdef PALISOR_SURFACE_SSE
  return _mm_cvtss_f32(_mm_max_ss(_mm_set_ss(a), _mm_set_ss(b)));
#else
  return a > b ? a : b;
#endif
}

inline float MinOf(float a, float b) {
#ifdef PALISOR_SURFACE_SSE
  return _mm_cvtss_f32(_mm_min_ss(_mm_set_ss(a), _mm_set_ss(b)));
#else
  return a < b ? a : b;
#endif
}

inline Vector3 Subtract(const Vector3& a, const Vector3& b) {
  return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

// (a.x*b.x + a.y*b.y) + a.z*b.z.
inline float Dot(const Vector3& a, const Vector3& b) {
  return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

// from + along * t, coordinate by coordinate.
inline Vector3 MoveAlong(const Vector3& from, const Vector3& along, float t) {
  return Vector3{from.x + along.x * t, from.y + along.y * t, from.z + along.z * t};
}

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

// (dx*dx + dy*dy) + dz*dz with d = query - point, the query's coordinate first.
inline float SquaredDistance(const Vector3& query, const Vector3& point) {
  const float dx = query.x - point.x;
  const float dy = query.y - point.y;
  const float dz = query.z - point.z;
  return (dx * dx + dy * dy) + dz * dz;
}
