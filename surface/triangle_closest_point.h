// The closest point of one triangle to a query: the one routine by which the surface search and
// its reference measure every triangle, so that both give the same bits.
//
// Where the closest point lies is decided in double from the float corners and query
// (double_vector.h), in a fixed order of operations:
// - The normal n is the cross product of the two edges at the corner facing the longest edge, the
//   triangle's largest angle, so that its direction is accurate to a few double roundings over
//   the sine of that angle: at least sin 60 degrees on any triangle, however thin, whose corners
//   do not nearly lie on a line. A sliver's small angle does not enter.
// - For each edge, the sign of n . (edge x (query - edge's first corner)) tells on which side of
//   the edge's line the query's projection onto the plane falls. Strictly inside all three, the
//   closest point is that projection, its weights these three values over their sum.
// - Otherwise, or where the triangle is flat (the squared sine of its largest angle at most
//   kFlatTriangle, or no area at all: repeated corners, corners on a line), the closest point is
//   the nearest of the three edges' nearest points (the query's projection onto the edge clamped
//   to its ends), edges ab, ac, bc winning ties in that order. Where the projection falls outside
//   the triangle the closest point lies on an edge, so a decision that rounding tips near an
//   edge's line moves the distance by rounding only.
// The point is then written as a corner plus multiples of the two edges from it, with weights in
// [0, 1] that sum to at most 1, so that it is, in exact arithmetic, a point of the triangle; the
// corner is the nearest to the query for a point inside the face, the edge's first for a point on
// an edge. Its squared distance is measured on the residual vector from the query, never as a
// difference of squares, and rounded upwards with a slack for every rounding (MeasureSpot): the
// squared distance reported is never below the exact squared distance from the query to a point
// of the triangle, hence never below the exact squared distance from the query to the triangle,
// and exceeds it by an ulp or two of float, unless the query lies within 2^-22 of the triangle's
// size from it or the triangle is flat.
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

#include <cmath>
#include <cstdint>
#include <cstring>

#include "geometry/box_bound.h"
#include "geometry/vector3.h"
#include "surface/closest_point.h"
#include "surface/double_vector.h"

struct TriangleCorners {
  Vector3 a;
  Vector3 b;
  Vector3 c;
};

// At or below this squared sine of its largest angle a triangle is taken as its three edges: its
// normal's direction would carry a relative error above about 2^-32.
constexpr double kFlatTriangle = 0x1p-40;

// A weight below this is taken as 0, so that no product of a weight and a coordinate falls below
// the least normal double.
constexpr double kLeastWeight = 0x1p-800;

// The triangle in double: its corners, and the query's offsets from them.
struct PreciseTriangle {
  DoubleVector corner[3];
  DoubleVector offset[3];
};

inline PreciseTriangle Widened(const Vector3& query, const TriangleCorners& corners) {
  const DoubleVector q = Widened(query);
  PreciseTriangle triangle{{Widened(corners.a), Widened(corners.b), Widened(corners.c)}, {}};
  for (int k = 0; k < 3; ++k) triangle.offset[k] = Minus(q, triangle.corner[k]);
  return triangle;
}

// A point of the triangle and what it lies on: corner `base`, plus `toFirst` times the edge from
// it to corner `first`, plus `toSecond` times the edge to corner `second`. Both are doubles in
// [0, 1] whose sum is at most 1, so that the point, in exact arithmetic, is one of the triangle.
struct TriangleSpot {
  int32_t feature;
  int base;
  int first;
  int second;
  double toFirst;
  double toSecond;
};

inline TriangleSpot CornerSpot(int corner) {
  return TriangleSpot{kSurfaceCornerA + corner, corner, (corner + 1) % 3,
                      (corner + 2) % 3,         0.0,    0.0};
}

// The query's projection onto the edge from corner `from` to corner `to` (feature `edge`), a
// corner where it falls at or beyond an end (the first also where the edge has no length).
inline TriangleSpot SegmentSpot(int32_t edge, int from, int to, const PreciseTriangle& triangle) {
  const DoubleVector along = Minus(triangle.corner[to], triangle.corner[from]);
  const double t = Dot(triangle.offset[from], along) / Dot(along, along);
  if (!(t > kLeastWeight)) return CornerSpot(from);
  if (!(t < 1.0)) return CornerSpot(to);
  return TriangleSpot{edge, from, to, 3 - from - to, t, 0.0};
}

// The spot's point in double, its squared distance from the query rounded upwards (never below
// the exact squared distance from the query to the point the spot names), and its weights.
struct MeasuredSpot {
  DoubleVector point;
  double squaredDistance;
  double weights[3];
};

// The residual r = (query - base) - toFirst * edge1 - toSecond * edge2, coordinate by coordinate,
// rounds with an error below 3 eps (|query - base| + |toFirst * edge1| + |toSecond * edge2|) +
// eps |r| (eps = 2^-52, a unit of double rounding in any rounding mode); the slack below is
// eight times that, and the sum of the squares of |r| plus it is raised by 8 eps more, which
// outweighs its own roundings. The bound so made exceeds the exact squared distance by a relative
// 2^-46 |query - base| / |r| at most: nothing that float precision sees unless the query lies
// within 2^-22 of that offset from the triangle.
inline MeasuredSpot MeasureSpot(const TriangleSpot& spot, const PreciseTriangle& triangle) {
  const DoubleVector& base = triangle.corner[spot.base];
  const DoubleVector& offset = triangle.offset[spot.base];
  const DoubleVector alongFirst = Times(Minus(triangle.corner[spot.first], base), spot.toFirst);
  const DoubleVector alongSecond = Times(Minus(triangle.corner[spot.second], base), spot.toSecond);
  const DoubleVector residual = Minus(Minus(offset, alongFirst), alongSecond);
  const double terms[3][4] = {{offset.x, alongFirst.x, alongSecond.x, residual.x},
                              {offset.y, alongFirst.y, alongSecond.y, residual.y},
                              {offset.z, alongFirst.z, alongSecond.z, residual.z}};
  double squaredDistance = 0.0;
  for (const auto& term : terms) {
    const double slack =
        0x1p-49 *
        (((std::fabs(term[0]) + std::fabs(term[1])) + std::fabs(term[2])) + std::fabs(term[3]));
    const double most = std::fabs(term[3]) + slack;
    squaredDistance += most * most;
  }
  MeasuredSpot measured{Plus(Plus(base, alongFirst), alongSecond),
                        squaredDistance * (1.0 + 0x1p-49),
                        {0.0, 0.0, 0.0}};
  measured.weights[spot.base] = (1.0 - spot.toFirst) - spot.toSecond;
  measured.weights[spot.first] = spot.toFirst;
  measured.weights[spot.second] = spot.toSecond;
  return measured;
}

// The nearest of the edges' nearest points; ties go to the earlier of ab, ac, bc.
inline TriangleSpot NearestEdgeSpot(const PreciseTriangle& triangle) {
  TriangleSpot best = SegmentSpot(kSurfaceEdgeAB, 0, 1, triangle);
  double bestDistance = MeasureSpot(best, triangle).squaredDistance;
  const TriangleSpot others[2] = {SegmentSpot(kSurfaceEdgeAC, 0, 2, triangle),
                                  SegmentSpot(kSurfaceEdgeBC, 1, 2, triangle)};
  for (const TriangleSpot& other : others) {
    const double distance = MeasureSpot(other, triangle).squaredDistance;
    if (distance < bestDistance) {
      best = other;
      bestDistance = distance;
    }
  }
  return best;
}

// The normal as the cross product of the two edges at the corner facing the longest edge (in the
// triangle's orientation, ab x ac), or zero where the triangle is flat.
inline DoubleVector BestNormal(const PreciseTriangle& triangle) {
  const DoubleVector* corner = triangle.corner;
  // Edge k faces corner k.
  const DoubleVector edges[3] = {Minus(corner[2], corner[1]), Minus(corner[0], corner[2]),
                                 Minus(corner[1], corner[0])};
  const double lengths[3] = {Dot(edges[0], edges[0]), Dot(edges[1], edges[1]),
                             Dot(edges[2], edges[2])};
  int longest = lengths[1] > lengths[0] ? 1 : 0;
  if (lengths[2] > lengths[longest]) longest = 2;
  const int after = (longest + 1) % 3;
  const int before = (longest + 2) % 3;
  const DoubleVector normal = Cross(edges[before], Times(edges[after], -1.0));
  if (!(Dot(normal, normal) > kFlatTriangle * (lengths[after] * lengths[before]))) {
    return DoubleVector{0.0, 0.0, 0.0};
  }
  return normal;
}

// The corner nearest the query, the first of equals.
inline int NearestCorner(const PreciseTriangle& triangle) {
  int nearest = 0;
  double nearestLength = Dot(triangle.offset[0], triangle.offset[0]);
  for (int k = 1; k < 3; ++k) {
    const double length = Dot(triangle.offset[k], triangle.offset[k]);
    if (length < nearestLength) {
      nearest = k;
      nearestLength = length;
    }
  }
  return nearest;
}

// The query's projection onto the plane, measured from the nearest corner, where it falls strictly
// inside the triangle; else the nearest edge point.
inline TriangleSpot RegionSpot(const PreciseTriangle& triangle) {
  const DoubleVector normal = BestNormal(triangle);
  if (!(Dot(normal, normal) > 0.0)) return NearestEdgeSpot(triangle);
  // Edge k runs from corner k + 1 to corner k + 2: how far inside its line the projection falls,
  // times |normal| |edge|, which is also corner k's weight times |normal|^2.
  double inside[3];
  for (int k = 0; k < 3; ++k) {
    const int from = (k + 1) % 3;
    const DoubleVector edge = Minus(triangle.corner[(k + 2) % 3], triangle.corner[from]);
    inside[k] = Dot(normal, Cross(edge, triangle.offset[from]));
  }
  if (!(inside[0] > 0.0 && inside[1] > 0.0 && inside[2] > 0.0)) return NearestEdgeSpot(triangle);
  const double sum = (inside[0] + inside[1]) + inside[2];
  const int base = NearestCorner(triangle);
  const int first = (base + 1) % 3;
  const int second = (base + 2) % 3;
  double toFirst = inside[first] / sum;
  double toSecond = inside[second] / sum;
  toFirst = toFirst < kLeastWeight ? 0.0 : toFirst;
  toSecond = toSecond < kLeastWeight ? 0.0 : toSecond;
  // Each weight is its exact value within a few roundings, and so is their sum within 2^-49 of
  // 1 at most: shrinking both by 2^-48 keeps the point inside.
  if (!(toFirst + toSecond <= 1.0 - 0x1p-48)) {
    toFirst *= 1.0 - 0x1p-48;
    toSecond *= 1.0 - 0x1p-48;
  }
  return TriangleSpot{kSurfaceFace, base, first, second, toFirst, toSecond};
}

// The least float at or above `value` (which is not negative): where rounding to float went
// down, the next float up.
inline float RoundedUp(double value) {
  float rounded = static_cast<float>(value);
  if (static_cast<double>(rounded) < value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &rounded, sizeof bits);
    ++bits;
    std::memcpy(&rounded, &bits, sizeof bits);
  }
  return rounded;
}

// The spot rounded to float and moved into the triangle's box [low, high], whose bound from the
// query is `boxBound`; the hit's triangle is left at -1.
inline SurfaceHit RoundedHit(const TriangleSpot& spot, const PreciseTriangle& triangle,
                             float boxBound, const Vector3& low, const Vector3& high) {
  const MeasuredSpot measured = MeasureSpot(spot, triangle);
  const Vector3 inside = ClampToBox(Narrowed(measured.point), low, high);
  SurfaceHit hit{-1,
                 spot.feature,
                 {static_cast<float>(measured.weights[0]), static_cast<float>(measured.weights[1]),
                  static_cast<float>(measured.weights[2])},
                 {inside.x, inside.y, inside.z},
                 MaxOf(RoundedUp(measured.squaredDistance), boxBound)};
  if (spot.feature == kSurfaceFace) {
    hit.barycentric[0] = (1.0f - hit.barycentric[1]) - hit.barycentric[2];
  }
  return hit;
}

// The closest point of the triangle to `query`, given the triangle's box and the query's BoxBound
// from it; the hit's triangle is left at -1.
inline SurfaceHit ClosestPointInBox(const Vector3& query, const TriangleCorners& corners,
                                    const Vector3& low, const Vector3& high, float boxBound) {
  const PreciseTriangle triangle = Widened(query, corners);
  return RoundedHit(RegionSpot(triangle), triangle, boxBound, low, high);
}

// The closest point of triangle a, b, c to `query`; the hit's triangle is left at -1.
inline SurfaceHit ClosestPointOnTriangle(const Vector3& query, const TriangleCorners& corners) {
  const Vector3 low = Lowest(Lowest(corners.a, corners.b), corners.c);
  const Vector3 high = Highest(Highest(corners.a, corners.b), corners.c);
  return ClosestPointInBox(query, corners, low, high, BoxBound(query, low, high));
}
