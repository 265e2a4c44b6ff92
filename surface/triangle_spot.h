// A point of a triangle as the per-triangle routine names it (a corner plus multiples of the two
// edges from it), and its measure: the point in double and its squared distance from the query,
// rounded upwards so that it is never below the exact squared distance to that point.
#pragma once

#include <cmath>
#include <cstdint>

#include "geometry/vector3.h"
#include "surface/closest_point.h"
#include "surface/double_vector.h"

struct TriangleCorners {
  Vector3 a;
  Vector3 b;
  Vector3 c;
};

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
  const DoubleVector a = Widened(corners.a);
  const DoubleVector b = Widened(corners.b);
  const DoubleVector c = Widened(corners.c);
  return PreciseTriangle{{a, b, c}, {Minus(q, a), Minus(q, b), Minus(q, c)}};
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

// The point of edge `feature` from corner `from` to corner `to` at parameter t in (0, 1).
inline TriangleSpot EdgeSpot(int32_t feature, int from, int to, double t) {
  return TriangleSpot{feature, from, to, 3 - from - to, t, 0.0};
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

// The point inside the face whose weights are in proportion to weights[0..2], measured from the
// nearest corner so that the residual starts from the shortest offset. A weight that rounding
// left below kLeastWeight (or negative) is taken as 0, and where the other two sum to more than
// 1 - 2^-48 both are scaled to 1 - 2^-46, so that the point stays inside.
inline TriangleSpot FaceSpot(const double (&weights)[3], const PreciseTriangle& triangle) {
  const double sum = (weights[0] + weights[1]) + weights[2];
  const int base = NearestCorner(triangle);
  const int first = (base + 1) % 3;
  const int second = (base + 2) % 3;
  double toFirst = weights[first] / sum;
  double toSecond = weights[second] / sum;
  toFirst = toFirst < kLeastWeight ? 0.0 : toFirst;
  toSecond = toSecond < kLeastWeight ? 0.0 : toSecond;
  const double total = toFirst + toSecond;
  if (!(total <= 1.0 - 0x1p-48)) {
    const double scale = (1.0 - 0x1p-46) / total;
    toFirst *= scale;
    toSecond *= scale;
  }
  return TriangleSpot{kSurfaceFace, base, first, second, toFirst, toSecond};
}

// The residual r = (query - base) - toFirst * edge1 - toSecond * edge2, coordinate by coordinate,
// rounds with an error below 3 eps (|query - base| + |toFirst * edge1| + |toSecond * edge2|) +
// eps |r| (eps = 2^-52, a unit of double rounding in any rounding mode), which is at most 4 eps
// times the sum of the first three (|r| is at most their sum, up to rounding); the slack below is
// twice that, and the sum of the squares of |r| plus it is raised by 8 eps more, which outweighs
// its own roundings. So the squared distance returned is never below the exact squared distance
// from the query to the spot's point, and exceeds it by a relative 2^-47 |query - base| / |r| at
// most: less than an ulp of float unless the query lies closer to the triangle than 2^-23 of that
// offset.
inline double SpotSquaredDistance(const TriangleSpot& spot, const PreciseTriangle& triangle) {
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
    const double slack = 0x1p-49 * ((std::fabs(term[0]) + std::fabs(term[1])) + std::fabs(term[2]));
    const double most = std::fabs(term[3]) + slack;
    squaredDistance += most * most;
  }
  return squaredDistance * (1.0 + 0x1p-49);
}

// The spot's point, in double.
inline DoubleVector SpotPoint(const TriangleSpot& spot, const PreciseTriangle& triangle) {
  const DoubleVector& base = triangle.corner[spot.base];
  const DoubleVector alongFirst = Times(Minus(triangle.corner[spot.first], base), spot.toFirst);
  const DoubleVector alongSecond = Times(Minus(triangle.corner[spot.second], base), spot.toSecond);
  return Plus(Plus(base, alongFirst), alongSecond);
}
