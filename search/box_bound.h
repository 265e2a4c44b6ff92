// The lower bound of the squared distance from a query to a box (geometry/box_bound.h) for two
// of the tree's boxes at once.
#pragma once

#include "geometry/box_bound.h"
#include "geometry/branch_free_float.h"
#include "geometry/vector3.h"

#ifdef PALISOR_SSE_MIN_MAX
#include <xmmintrin.h>
#endif

// BoxBound for two boxes at once, given axis by axis: box b spans low[axis][b] .. high[axis][b].
// The two boxes take two lanes of the same float operations, so each bound has BoxBound's bits.
inline void BoxBoundPair(const Vector3& query, const float (&low)[3][2], const float (&high)[3][2],
                         float (&bounds)[2]) {
#ifdef PALISOR_SSE_MIN_MAX
  const float coordinates[3] = {query.x, query.y, query.z};
  const __m128 zero = _mm_setzero_ps();
  const __m128 signs = _mm_set1_ps(-0.0f);
  __m128 squares[3];
  for (int axis = 0; axis < 3; ++axis) {
    const __m128 q = _mm_set1_ps(coordinates[axis]);
    const __m128 lows = _mm_loadl_pi(zero, reinterpret_cast<const __m64*>(low[axis]));
    const __m128 highs = _mm_loadl_pi(zero, reinterpret_cast<const __m64*>(high[axis]));
    const __m128 below = _mm_xor_ps(_mm_sub_ps(q, lows), signs);
    const __m128 gap = _mm_add_ps(_mm_max_ps(below, zero), _mm_max_ps(_mm_sub_ps(q, highs), zero));
    squares[axis] = _mm_mul_ps(gap, gap);
  }
  const __m128 sum = _mm_add_ps(_mm_add_ps(squares[0], squares[1]), squares[2]);
  bounds[0] = _mm_cvtss_f32(sum);
  bounds[1] = _mm_cvtss_f32(_mm_shuffle_ps(sum, sum, 1));
#else
  for (int box = 0; box < 2; ++box) {
    bounds[box] = BoxBound(query, Vector3{low[0][box], low[1][box], low[2][box]},
                           Vector3{high[0][box], high[1][box], high[2][box]});
  }
#endif
}
