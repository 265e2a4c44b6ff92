// The closest point of one triangle to a query: the one routine by which the surface search and
// its reference measure every triangle, so that both give the same bits.
//
// Where the closest point lies is decided in double from the float corners and query, in a fixed
// order of operations (triangle_regions.h), well enough that slivers and triangles of no area
// lose nothing that float precision sees. The point is then written as a corner plus multiples of
// the two edges from it, with weights in [0, 1] that sum to at most 1, so that it is, in exact
// arithmetic, a point of the triangle; the corner is the nearest to the query for a point inside
// the face, the edge's first for a point on an edge. Its squared distance is measured on the
// residual vector from the query, never as a difference of squares, and rounded upwards with a
// slack for every rounding (triangle_spot.h): the squared distance reported is never below the
// exact squared distance from the query to a point of the triangle, hence never below the exact
// squared distance from the query to the triangle, and exceeds it by an ulp or two of float unless
// the query lies closer to the triangle than about 2^-23 of its size, or the triangle is flat (its
// corners on a line to within 2^-20 of its size: its inside is then left to its edges).
//
// The bounds the tree prunes by. The squared distance reported is the larger of that rounded
// distance and BoxBound (geometry/box_bound.h) from the query to the triangle's bounding box: so
// the bound of the triangle's box never exceeds it, in whatever rounding mode both are computed,
// and any lower bound of the exact distance from the query to a volume holding the triangle does
// not either. BoxBound of a box that holds the exact closest point is the float evaluation of that
// point's squared distance with each gap rounded once, so taking the larger moves the distance by
// a few ulps at most, and only where the box's corner or face lies at the exact distance.
//
// The point reported is the closest point rounded to float and moved into the triangle's bounding
// box (a no-op but for rounding); its weights are finite and in [0, 1] up to rounding (inside the
// face the first is (1 - v) - w, which may round a hair below 0). The corners must be finite; a
// finite query gives a finite point and a squared distance that is never NaN (+infinity where it
// overflows float).
#pragma once

#include <cstdint>
#include <cstring>

#include "geometry/box_bound.h"
#include "geometry/vector3.h"
#include "surface/closest_point.h"
#include "surface/triangle_regions.h"
#include "surface/triangle_spot.h"

// The least float at or above `value` (which is not negative): where rounding to float went
// down, the next float up.
inline float RoundedUp(double value) {
  float rounded = static_cast<float>(value);
  uint32_t bits = 0;
  std::memcpy(&bits, &rounded, sizeof bits);
  // Without a branch: it goes either way about as often.
  bits += static_cast<uint32_t>(static_cast<double>(rounded) < value);
  std::memcpy(&rounded, &bits, sizeof bits);
  return rounded;
}

// The routine's first half: where the closest point lies and its squared distance as reported,
// the larger of the spot's rounded upwards and `boxBound`, the query's BoxBound from the
// triangle's box; `wideAtA` is IsWideAtCornerA of the corners.
struct TriangleMeasure {
  PreciseTriangle triangle;
  TriangleSpot spot;
  float squaredDistance;
};

inline TriangleMeasure MeasureTriangle(const Vector3& query, const TriangleCorners& corners,
                                       float boxBound, bool wideAtA) {
  TriangleMeasure measure{Widened(query, corners), {}, 0.0f};
  measure.spot = ClosestSpot(measure.triangle, wideAtA);
  measure.squaredDistance =
      MaxOf(RoundedUp(SpotSquaredDistance(measure.spot, measure.triangle)), boxBound);
  return measure;
}

// The second half: the hit, its point rounded to float and moved into the triangle's box
// [low, high]; its triangle is left at -1.
inline SurfaceHit HitOf(const TriangleMeasure& measure, const Vector3& low, const Vector3& high) {
  const TriangleSpot& spot = measure.spot;
  const Vector3 inside = ClampToBox(Narrowed(SpotPoint(spot, measure.triangle)), low, high);
  double weights[3] = {0.0, 0.0, 0.0};
  weights[spot.base] = (1.0 - spot.toFirst) - spot.toSecond;
  weights[spot.first] = spot.toFirst;
  weights[spot.second] = spot.toSecond;
  SurfaceHit hit{-1,
                 spot.feature,
                 {static_cast<float>(weights[0]), static_cast<float>(weights[1]),
                  static_cast<float>(weights[2])},
                 {inside.x, inside.y, inside.z},
                 measure.squaredDistance};
  if (spot.feature == kSurfaceFace) {
    hit.barycentric[0] = (1.0f - hit.barycentric[1]) - hit.barycentric[2];
  }
  return hit;
}

// The closest point of the triangle to `query`, given the triangle's box and the query's BoxBound
// from it; the hit's triangle is left at -1.
inline SurfaceHit ClosestPointInBox(const Vector3& query, const TriangleCorners& corners,
                                    const Vector3& low, const Vector3& high, float boxBound) {
  return HitOf(MeasureTriangle(query, corners, boxBound, IsWideAtCornerA(corners)), low, high);
}

// The closest point of triangle a, b, c to `query`; the hit's triangle is left at -1.
inline SurfaceHit ClosestPointOnTriangle(const Vector3& query, const TriangleCorners& corners) {
  const Vector3 low = Lowest(Lowest(corners.a, corners.b), corners.c);
  const Vector3 high = Highest(Highest(corners.a, corners.b), corners.c);
  return ClosestPointInBox(query, corners, low, high, BoxBound(query, low, high));
}
