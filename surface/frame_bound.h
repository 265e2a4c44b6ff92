// A lower bound of the exact squared distance from a query to any point of four boxes that lie
// along the axes of one frame: the rows of a float matrix F, nearly orthonormal, with the boxes
// spanning low[axis][b] .. high[axis][b] in coordinates F (p - origin). A box along a frame turned
// to a thin or slanted group of triangles (a fan of slivers, a patch of surface) holds them far
// more tightly than one along the world's axes, and the bound prunes accordingly.
//
// Why the bound never exceeds the exact squared distance, in any rounding mode (a unit of float
// rounding, u, is at most 2^-23 in any mode, relative to the result):
// - The query's coordinates q' = F fl(q - origin) are computed with an error below
//   5 u |q - origin|_1 each (a difference, then three products and two sums, every |F_ij| <= 1).
//   The slack subtracted from every gap, 2^-20 |d|_1 + 2^-120 with d the rounded difference, is
//   larger, and its absolute part outweighs what flushing tiny values to zero can change.
// - So each gap, after the slack and with its own rounding, is at most (1 + u)^2 times the exact
//   gap between F (q - origin) and the box's interval on that axis, and the float sum of their
//   squares is at most (1 + u)^7 times the exact sum.
// - For any point x of the box, the exact sum of squared gaps is at most |F (q - x)|^2, and F's
//   largest singular value squared is below 1 + 2^-20 (rows of unit length and mutually
//   orthogonal up to a few roundings): at most (1 + 2^-20) |q - x|^2.
// - The factor 1 - 2^-17 outweighs all of these together.
// A NaN or infinite intermediate (a query beyond float range from the origin) gives a gap of 0.
// The boxes must hold every point of the triangles below them exactly, in coordinates
// F (p - origin) taken as reals: TriangleTree's builder rounds them outwards with room to spare.
#pragma once

#include <cmath>

#include "geometry/branch_free_float.h"
#include "geometry/vector3.h"

// A frame's rows and origin: the part of a node the query is turned into once per visit.
struct BoxFrame {
  float axes[3][3];
  float origin[3];
};

// What is taken from every gap before it is squared, as a multiple of |q - origin|_1, and the
// factor that shrinks the sum of squares.
constexpr float kFrameSlack = 0x1p-20f;
constexpr float kFrameTinySlack = 0x1p-120f;
constexpr float kFrameShrink = 1.0f - 0x1p-17f;

// The query in the frame's coordinates, and the slack for its gaps.
struct FramedQuery {
  float coordinates[3];
  float slack;
};

inline FramedQuery TurnedQuery(const Vector3& query, const BoxFrame& frame) {
  const Vector3 offset = Minus(query, Vector3At(frame.origin));
  FramedQuery turned{{}, 0.0f};
  for (int axis = 0; axis < 3; ++axis)
    turned.coordinates[axis] = Dot(Vector3At(frame.axes[axis]), offset);
  const float size = (std::fabs(offset.x) + std::fabs(offset.y)) + std::fabs(offset.z);
  turned.slack = size * kFrameSlack + kFrameTinySlack;
  return turned;
}

// The bound for four boxes at once, in the four lanes of the same float operations.
inline void FrameBoundQuad(const Vector3& query, const BoxFrame& frame, const float (&low)[3][4],
                           const float (&high)[3][4], float (&bounds)[4]) {
  const FramedQuery turned = TurnedQuery(query, frame);
#ifdef PALISOR_SSE_MIN_MAX
  const __m128 zero = _mm_setzero_ps();
  const __m128 signs = _mm_set1_ps(-0.0f);
  const __m128 slack = _mm_set1_ps(turned.slack);
  __m128 squares[3];
  for (int axis = 0; axis < 3; ++axis) {
    const __m128 q = _mm_set1_ps(turned.coordinates[axis]);
    const __m128 below = _mm_xor_ps(_mm_sub_ps(q, _mm_loadu_ps(low[axis])), signs);
    const __m128 above = _mm_sub_ps(q, _mm_loadu_ps(high[axis]));
    const __m128 gap = _mm_add_ps(_mm_max_ps(below, zero), _mm_max_ps(above, zero));
    const __m128 reduced = _mm_max_ps(_mm_sub_ps(gap, slack), zero);
    squares[axis] = _mm_mul_ps(reduced, reduced);
  }
  const __m128 sum = _mm_add_ps(_mm_add_ps(squares[0], squares[1]), squares[2]);
  _mm_storeu_ps(bounds, _mm_mul_ps(sum, _mm_set1_ps(kFrameShrink)));
#else
  for (int box = 0; box < 4; ++box) {
    float squares[3];
    for (int axis = 0; axis < 3; ++axis) {
      const float q = turned.coordinates[axis];
      const float gap = MaxOf(-(q - low[axis][box]), 0.0f) + MaxOf(q - high[axis][box], 0.0f);
      const float reduced = MaxOf(gap - turned.slack, 0.0f);
      squares[axis] = reduced * reduced;
    }
    bounds[box] = ((squares[0] + squares[1]) + squares[2]) * kFrameShrink;
  }
#endif
}
