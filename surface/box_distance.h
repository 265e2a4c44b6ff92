// A lower bound of the squared distance between a query and any point inside an axis-aligned box,
// computed so that it never exceeds the float SquaredDistance from the query to such a point.
// Because ClosestPointOnTriangle always returns a point inside the triangle's bounding box (it
// clamps its point into that box), the bound of a box holding a triangle never exceeds the
// squared distance that routine reports for the triangle: the search may skip every triangle of a
// box whose bound is strictly greater than a distance already found, with no margin.
#pragma once

#include "surface/vector3.h"

// The gap between a coordinate and the interval [low, high]: the distance to the nearer end, 0
// inside. At most one of the two one-sided gaps is not 0, so their sum is exactly that gap.
//
// Each one-sided gap is the rounded difference query - end, negated where the query lies below,
// just as SquaredDistance rounds query - point. For a point p inside and a query below low,
// query - p <= query - low <= 0 exactly; every rounding mode (to nearest, up, down, to zero, with
// or without flushing tiny results and inputs to zero) is monotone, so the rounded query - p is at
// most the rounded query - low and its magnitude at least the gap. Above high likewise with
// query - p >= query - high >= 0. Rounding low - query instead would not do: rounded upwards it
// can exceed the magnitude of query - p rounded upwards.
inline float BoxGap(float query, float low, float high) {
  return MaxOf(-(query - low), 0.0f) + MaxOf(query - high, 0.0f);
}

// SquaredDistance's float expression over the gaps to the nearer faces of [low, high]. For p
// inside, the rounded |query - p| >= gap on each axis (see BoxGap), and squaring and adding
// non-negative floats are monotone in every rounding mode, so the bound never exceeds the point's
// float distance computed in the same mode. Overflow keeps this: a gap or a sum that rounds to
// +infinity stands for a distance that does too. Query and box must be finite.
inline float BoxBound(const Vector3& query, const Vector3& low, const Vector3& high) {
  const float gx = BoxGap(query.x, low.x, high.x);
  const float gy = BoxGap(query.y, low.y, high.y);
  const float gz = BoxGap(query.z, low.z, high.z);
  return (gx * gx + gy * gy) + gz * gz;
}

// BoxBound for four boxes at once, given axis by axis: box b spans low[axis][b] ..
// high[axis][b]. The four boxes take four lanes of the same float operations (a lane's maximum is
// MaxOf's), so each bound has BoxBound's bits.
inline void BoxBoundQuad(const Vector3& query, const float (&low)[3][4], const float (&high)[3][4],
                         float (&bounds)[4]) {
#ifdef PALISOR_SURFACE_SSE
  const float coordinates[3] = {query.x, query.y, query.z};
  const __m128 zero = _mm_setzero_ps();
  const __m128 signs = _mm_set1_ps(-0.0f);
  __m128 squares[3];
  for (int axis = 0; axis < 3; ++axis) {
    const __m128 q = _mm_set1_ps(coordinates[axis]);
    const __m128 below = _mm_xor_ps(_mm_sub_ps(q, _mm_loadu_ps(low[axis])), signs);
    const __m128 above = _mm_sub_ps(q, _mm_loadu_ps(high[axis]));
    const __m128 gap = _mm_add_ps(_mm_max_ps(below, zero), _mm_max_ps(above, zero));
    squares[axis] = _mm_mul_ps(gap, gap);
  }
  _mm_storeu_ps(bounds, _mm_add_ps(_mm_add_ps(squares[0], squares[1]), squares[2]));
#else
  for (int box = 0; box < 4; ++box) {
    bounds[box] = BoxBound(query, Vector3{low[0][box], low[1][box], low[2][box]},
                           Vector3{high[0][box], high[1][box], high[2][box]});
  }
#endif
}
