// Which point of a triangle is closest to a query: the region tests, in double, that name a
// corner, a point of an edge or a point inside the face (triangle_spot.h). Two ways, by the
// triangle's shape:
// - Where the angle at corner a is wide (its squared sine above kWideAngle), Ericson's tests
//   ("Real-Time Collision Detection", 5.1.5): the signs of dot products of ab and ac with the
//   query's offsets from the corners, and of the three differences of their products that are the
//   face weights times |ab x ac|^2. Their rounding errors, over that squared sine, stay far below
//   what float precision sees.
// - Otherwise (a sliver with its sharp corner at a, or one whose corners nearly lie on a line) the
//   normal n is the cross product of the two edges at the corner facing the longest edge, the
//   triangle's largest angle, so that its direction is accurate to a few double roundings over the
//   sine of that angle: at least sin 60 degrees on any triangle, however thin, whose corners do
//   not nearly lie on a line. For each edge, the sign of n . (edge x (query - edge's first
//   corner)) tells on which side of the edge's line the projection onto the plane falls. Strictly
//   inside all three, the closest point is the projection, its weights these three values over
//   their sum. Otherwise it is the nearest point of the edges on whose outer side the projection
//   falls, which hold it in exact arithmetic; on a flat triangle (the squared sine of its largest
//   angle at most kFlatTriangle, or no area at all: repeated corners, corners on a line) of all
//   three. Edges ab, ac, bc win ties in that order.
// Near the boundary between two regions both give the same distance up to terms of second order,
// so a decision that rounding tips there moves the distance by rounding only.
#pragma once

#include "surface/triangle_spot.h"

// At or below this squared sine of its largest angle a triangle is taken as its three edges: its
// normal's direction would carry a relative error above about 2^-32.
constexpr double kFlatTriangle = 0x1p-40;

// Above this squared sine of the angle at corner a, Ericson's tests decide.
constexpr double kWideAngle = 0x1p-10;

// The point of the edge from corner `from` to corner `to` at parameter t; a corner where t is
// not strictly between 0 and 1 (the first where it is NaN).
inline TriangleSpot EdgeOrCornerSpot(int32_t feature, int from, int to, double t) {
  if (!(t > kLeastWeight)) return CornerSpot(from);
  if (!(t < 1.0)) return CornerSpot(to);
  return EdgeSpot(feature, from, to, t);
}

// Ericson's region tests, on a triangle whose angle at a is wide.
inline TriangleSpot WideAngleSpot(const PreciseTriangle& triangle, const DoubleVector& ab,
                                  const DoubleVector& ac) {
  const double d1 = Dot(ab, triangle.offset[0]);
  const double d2 = Dot(ac, triangle.offset[0]);
  if (d1 <= 0.0 && d2 <= 0.0) return CornerSpot(0);
  const double d3 = Dot(ab, triangle.offset[1]);
  const double d4 = Dot(ac, triangle.offset[1]);
  if (d3 >= 0.0 && d4 <= d3) return CornerSpot(1);
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0) {
    return EdgeOrCornerSpot(kSurfaceEdgeAB, 0, 1, d1 / (d1 - d3));
  }
  const double d5 = Dot(ab, triangle.offset[2]);
  const double d6 = Dot(ac, triangle.offset[2]);
  if (d6 >= 0.0 && d5 <= d6) return CornerSpot(2);
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0) {
    return EdgeOrCornerSpot(kSurfaceEdgeAC, 0, 2, d2 / (d2 - d6));
  }
  const double va = d3 * d6 - d5 * d4;
  const double towardsC = d4 - d3;
  const double towardsB = d5 - d6;
  if (va <= 0.0 && towardsC >= 0.0 && towardsB >= 0.0) {
    return EdgeOrCornerSpot(kSurfaceEdgeBC, 1, 2, towardsC / (towardsC + towardsB));
  }
  return FaceSpot({va, vb, vc}, triangle);
}

// The edges of a triangle, edge k from corner k + 1 to corner k + 2 (bc, ca, ab: each faces the
// corner of its index), with their squared lengths.
struct TriangleEdges {
  DoubleVector edge[3];
  double length[3];
};

inline TriangleEdges EdgesOf(const PreciseTriangle& triangle) {
  TriangleEdges edges{};
  for (int k = 0; k < 3; ++k) {
    edges.edge[k] = Minus(triangle.corner[(k + 2) % 3], triangle.corner[(k + 1) % 3]);
    edges.length[k] = Dot(edges.edge[k], edges.edge[k]);
  }
  return edges;
}

// An edge as a feature: from corner `from` to corner `to`, along the triangle's edge `edge`
// (reversed where that runs the other way).
struct EdgeFeature {
  int32_t feature;
  int from;
  int to;
  int edge;
};

// In the order in which they win ties.
constexpr EdgeFeature kEdgeFeatures[3] = {
    {kSurfaceEdgeAB, 0, 1, 2}, {kSurfaceEdgeAC, 0, 2, 1}, {kSurfaceEdgeBC, 1, 2, 0}};

// The query's projection onto an edge, clamped to its ends.
inline TriangleSpot SegmentSpot(const EdgeFeature& edge, const PreciseTriangle& triangle,
                                const TriangleEdges& edges) {
  const bool reversed = edge.from != (edge.edge + 1) % 3;
  const DoubleVector along = Times(edges.edge[edge.edge], reversed ? -1.0 : 1.0);
  const double t = Dot(triangle.offset[edge.from], along) / edges.length[edge.edge];
  return EdgeOrCornerSpot(edge.feature, edge.from, edge.to, t);
}

// The squared length of an edge spot's residual, as computed, without slack: to choose between
// edges.
inline double EdgeSquaredDistance(const TriangleSpot& spot, const PreciseTriangle& triangle) {
  const DoubleVector along = Minus(triangle.corner[spot.first], triangle.corner[spot.base]);
  const DoubleVector residual = Minus(triangle.offset[spot.base], Times(along, spot.toFirst));
  return Dot(residual, residual);
}

// The nearest point of the edges that `outside` names (edge k where outside[k]); ties go to the
// earlier of ab, ac, bc.
inline TriangleSpot NearestEdgeSpot(const bool (&outside)[3], const PreciseTriangle& triangle,
                                    const TriangleEdges& edges) {
  TriangleSpot best = CornerSpot(0);
  double bestDistance = HUGE_VAL;
  bool first = true;
  for (const EdgeFeature& edge : kEdgeFeatures) {
    if (!outside[edge.edge]) continue;
    const TriangleSpot spot = SegmentSpot(edge, triangle, edges);
    if (first) {
      best = spot;
      first = false;
      continue;
    }
    if (bestDistance == HUGE_VAL) bestDistance = EdgeSquaredDistance(best, triangle);
    const double distance = EdgeSquaredDistance(spot, triangle);
    if (distance < bestDistance) {
      best = spot;
      bestDistance = distance;
    }
  }
  return best;
}

// The normal as the cross product of the two edges at the corner facing the longest edge (in the
// triangle's orientation, ab x ac), or zero where the triangle is flat.
inline DoubleVector BestNormal(const TriangleEdges& edges) {
  const double* lengths = edges.length;
  int longest = lengths[1] > lengths[0] ? 1 : 0;
  if (lengths[2] > lengths[longest]) longest = 2;
  const int after = (longest + 1) % 3;
  const int before = (longest + 2) % 3;
  const DoubleVector normal = Cross(edges.edge[before], Times(edges.edge[after], -1.0));
  if (!(Dot(normal, normal) > kFlatTriangle * (lengths[after] * lengths[before]))) {
    return DoubleVector{0.0, 0.0, 0.0};
  }
  return normal;
}

// The tests by the normal at the largest angle, on a triangle whose angle at a is sharp.
inline TriangleSpot SharpAngleSpot(const PreciseTriangle& triangle) {
  const TriangleEdges edges = EdgesOf(triangle);
  const DoubleVector normal = BestNormal(edges);
  bool outside[3] = {true, true, true};
  if (!(Dot(normal, normal) > 0.0)) return NearestEdgeSpot(outside, triangle, edges);
  // How far inside edge k's line the projection falls, times |normal| |edge|: also corner k's
  // weight times |normal|^2.
  double inside[3];
  for (int k = 0; k < 3; ++k) {
    inside[k] = Dot(normal, Cross(edges.edge[k], triangle.offset[(k + 1) % 3]));
    outside[k] = !(inside[k] > 0.0);
  }
  if (outside[0] || outside[1] || outside[2]) return NearestEdgeSpot(outside, triangle, edges);
  return FaceSpot(inside, triangle);
}

// Whether the angle at corner a is wide: its squared sine above kWideAngle.
inline bool IsWideAtCornerA(const TriangleCorners& corners) {
  const DoubleVector a = Widened(corners.a);
  const DoubleVector ab = Minus(Widened(corners.b), a);
  const DoubleVector ac = Minus(Widened(corners.c), a);
  const DoubleVector normal = Cross(ab, ac);
  return Dot(normal, normal) > kWideAngle * (Dot(ab, ab) * Dot(ac, ac));
}

// The spot of the triangle closest to the query, given IsWideAtCornerA of its corners.
inline TriangleSpot ClosestSpot(const PreciseTriangle& triangle, bool wideAtA) {
  if (!wideAtA) return SharpAngleSpot(triangle);
  return WideAngleSpot(triangle, Minus(triangle.corner[1], triangle.corner[0]),
                       Minus(triangle.corner[2], triangle.corner[0]));
}
