// A lower bound of the squared distance between a query and any point inside an axis-aligned box,
// computed so that it never exceeds the float SquaredDistance (vector3.h) from the query to such a
// point, in whatever rounding mode both are computed: the bound of a box may prune every point
// inside it that lies strictly farther than a distance already found, with no margin.
#pragma once

#include "geometry/branch_free_float.h"
#include "geometry/vector3.h"

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
