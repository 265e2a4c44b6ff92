// The lower bound of the squared distance from a query to a box along the world's axes
// (geometry/box_bound.h), for four of the tree's boxes at once. Because ClosestPointOnTriangle
// never reports less than BoxBound of the triangle's own bounding box, and BoxBound of a box that
// holds that box is no larger (its gaps are no larger, and rounding is monotone), the bound of a
// box holding a triangle never exceeds the squared distance that routine reports for the
// triangle: the search may skip every triangle of a box whose bound is strictly greater than a
// distance already found, with no margin.
#pragma once

#include "geometry/box_bound.h"
#include "geometry/branch_free_float.h"
#include "geometry/vector3.h"

// BoxBound for four boxes at once, given axis by axis: box b spans low[axis][b] ..
// high[axis][b]. The four boxes take four lanes of the same float operations (a lane's maximum is
// MaxOf's), so each bound has BoxBound's bits.
inline void BoxBoundQuad(const Vector3& query, const float (&low)[3][4], const float (&high)[3][4],
                         float (&bounds)[4]) {
#ifdef PALISOR_SSE_MIN_MAX
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
