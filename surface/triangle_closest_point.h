// The closest point of one triangle to a query: the one routine by which the surface search and
// its reference measure every triangle, so that both give the same bits.
//
// The method is the region test of Ericson's "Real-Time Collision Detection" (5.1.5): signs of
// dot products of the edges with the query's offsets from the corners tell whether the closest
// point is a corner, lies on an edge, or projects into the face. Every quantity is a fixed
// expression of 32-bit float operations. Guards keep the result meaningful where the float
// arithmetic cannot decide:
// - An edge parameter is clamped to [0, 1] (a NaN, from an edge of zero length, becomes 1), so an
//   edge point never leaves its edge.
// - Where the tests fall through to the face, the face point is taken outright when its three
//   weights are strictly positive with a finite sum and the triangle is not thin at corner a: the
//   sum va + vb + vc (|ab x ac|^2 in exact arithmetic) exceeds 1e-4 |ab|^2 |ac|^2, so that the
//   weights are well conditioned. Otherwise the face point (if its weights are positive with a
//   finite sum, as above) competes with the
//   nearest points of the three edges: the least squared distance wins, the face first and then
//   edges ab, ac, bc at equal distances. On a triangle of zero area the face weights are rounding
//   noise; the edges then give the closest point of the segment it spans (a zero-area triangle's
//   edge tests, which only pass where the query projects between the edge's ends, give correct
//   points of that segment too).
// - The point is finally moved into the triangle's bounding box (a no-op but for rounding). The
//   squared distance is SquaredDistance from the query to that point, so box bounds built on
//   BoxBound (box_distance.h) are true lower bounds of it.
// The corners must be finite; a finite query gives a finite point, finite weights in [0, 1] up to
// rounding (inside the face v and w may round a hair above 1, and (1 - v) - w a hair below 0),
// and a squared distance that is never NaN (+infinity where it overflows).
#pragma once

#include <cstdint>
#include <limits>

#include "geometry/vector3.h"
#include "surface/closest_point.h"

struct TriangleCorners {
  Vector3 a;
  Vector3 b;
  Vector3 c;
};

// Where the closest point lies before it is moved into the box and measured.
struct TriangleSpot {
  int32_t feature;
  float u;
  float v;
  float w;
  Vector3 point;
};

// Below this squared sine of the angle at corner a, a face point competes with the edges.
constexpr float kThinTriangle = 1e-4f;

// t clamped to [0, 1]; NaN becomes 1.
inline float UnitClamp(float t) {
  return MaxOf(MinOf(t, 1.0f), 0.0f);
}

// The spot moved into the triangle's box [low, high], with its squared distance.
inline SurfaceHit MeasureSpot(const TriangleSpot& spot, const Vector3& query, const Vector3& low,
                              const Vector3& high) {
  const Vector3 inside = ClampToBox(spot.point, low, high);
  return SurfaceHit{-1,
                    spot.feature,
                    {spot.u, spot.v, spot.w},
                    {inside.x, inside.y, inside.z},
                    SquaredDistance(query, inside)};
}

// The point at parameter t along an edge: from + (to - from) * t.
inline TriangleSpot EdgeSpot(int32_t feature, float t, const TriangleCorners& corners) {
  const Vector3& from = feature == kSurfaceEdgeBC ? corners.b : corners.a;
  const Vector3& to = feature == kSurfaceEdgeAB ? corners.b : corners.c;
  const float rest = 1.0f - t;
  const float u = feature == kSurfaceEdgeBC ? 0.0f : rest;
  const float v = feature == kSurfaceEdgeAB ? t : (feature == kSurfaceEdgeBC ? rest : 0.0f);
  const float w = feature == kSurfaceEdgeAB ? 0.0f : t;
  return TriangleSpot{feature, u, v, w, Plus(from, Times(Minus(to, from), t))};
}

// The nearest point of an edge as a segment, by projecting the query onto it.
inline TriangleSpot SegmentSpot(int32_t feature, const Vector3& query,
                                const TriangleCorners& corners) {
  const Vector3& from = feature == kSurfaceEdgeBC ? corners.b : corners.a;
  const Vector3& to = feature == kSurfaceEdgeAB ? corners.b : corners.c;
  const Vector3 along = Minus(to, from);
  return EdgeSpot(feature, UnitClamp(Dot(Minus(query, from), along) / Dot(along, along)), corners);
}

// The point inside the face with weights vb and vc over their sum with va.
inline TriangleSpot FaceSpot(float va, float vb, float vc, const TriangleCorners& corners) {
  const float scale = 1.0f / ((va + vb) + vc);
  const float v = vb * scale;
  const float w = vc * scale;
  const Vector3 ab = Minus(corners.b, corners.a);
  const Vector3 ac = Minus(corners.c, corners.a);
  return TriangleSpot{kSurfaceFace, (1.0f - v) - w, v, w,
                      Plus(Plus(corners.a, Times(ab, v)), Times(ac, w))};
}

// Where the region tests leave a thin face, or weights that are not all positive: the face point
// if its weights are, against the nearest edge points; ties go to the earlier of face, ab, ac, bc.
inline TriangleSpot FaceOrNearestEdge(float va, float vb, float vc, bool faceTakesPart,
                                      const Vector3& query, const TriangleCorners& corners) {
  const Vector3 low = Lowest(Lowest(corners.a, corners.b), corners.c);
  const Vector3 high = Highest(Highest(corners.a, corners.b), corners.c);
  TriangleSpot best = SegmentSpot(kSurfaceEdgeAB, query, corners);
  float bestDistance = MeasureSpot(best, query, low, high).squaredDistance;
  for (const int32_t feature : {kSurfaceEdgeAC, kSurfaceEdgeBC, kSurfaceFace}) {
    if (feature == kSurfaceFace && !faceTakesPart) break;
    const TriangleSpot spot = feature == kSurfaceFace ? FaceSpot(va, vb, vc, corners)
                                                      : SegmentSpot(feature, query, corners);
    const float distance = MeasureSpot(spot, query, low, high).squaredDistance;
    // The face, offered last, wins ties.
    const bool better =
        feature == kSurfaceFace ? !(bestDistance < distance) : distance < bestDistance;
    if (better) {
      best = spot;
      bestDistance = distance;
    }
  }
  return best;
}

// Ericson's region tests: the corner, edge or face the closest point of the triangle lies on.
inline TriangleSpot RegionSpot(const Vector3& query, const TriangleCorners& corners) {
  const Vector3 ab = Minus(corners.b, corners.a);
  const Vector3 ac = Minus(corners.c, corners.a);
  const Vector3 ap = Minus(query, corners.a);
  const float d1 = Dot(ab, ap);
  const float d2 = Dot(ac, ap);
  if (d1 <= 0.0f && d2 <= 0.0f) return TriangleSpot{kSurfaceCornerA, 1.0f, 0.0f, 0.0f, corners.a};
  const Vector3 bp = Minus(query, corners.b);
  const float d3 = Dot(ab, bp);
  const float d4 = Dot(ac, bp);
  if (d3 >= 0.0f && d4 <= d3) return TriangleSpot{kSurfaceCornerB, 0.0f, 1.0f, 0.0f, corners.b};
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f) {
    return EdgeSpot(kSurfaceEdgeAB, UnitClamp(d1 / (d1 - d3)), corners);
  }
  const Vector3 cp = Minus(query, corners.c);
  const float d5 = Dot(ab, cp);
  const float d6 = Dot(ac, cp);
  if (d6 >= 0.0f && d5 <= d6) return TriangleSpot{kSurfaceCornerC, 0.0f, 0.0f, 1.0f, corners.c};
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f) {
    return EdgeSpot(kSurfaceEdgeAC, UnitClamp(d2 / (d2 - d6)), corners);
  }
  const float va = d3 * d6 - d5 * d4;
  const float towardsC = d4 - d3;
  const float towardsB = d5 - d6;
  if (va <= 0.0f && towardsC >= 0.0f && towardsB >= 0.0f) {
    return EdgeSpot(kSurfaceEdgeBC, UnitClamp(towardsC / (towardsC + towardsB)), corners);
  }
  const float sum = (va + vb) + vc;
  const bool faceWeightsUsable =
      va > 0.0f && vb > 0.0f && vc > 0.0f && sum < std::numeric_limits<float>::infinity();
  const bool wide = sum > kThinTriangle * (Dot(ab, ab) * Dot(ac, ac));
  if (faceWeightsUsable && wide) return FaceSpot(va, vb, vc, corners);
  return FaceOrNearestEdge(va, vb, vc, faceWeightsUsable, query, corners);
}

// The closest point of the triangle to `query`, given the triangle's box; the hit's triangle is
// left at -1.
inline SurfaceHit ClosestPointInBox(const Vector3& query, const TriangleCorners& corners,
                                    const Vector3& low, const Vector3& high) {
  return MeasureSpot(RegionSpot(query, corners), query, low, high);
}

// The closest point of triangle a, b, c to `query`; the hit's triangle is left at -1.
inline SurfaceHit ClosestPointOnTriangle(const Vector3& query, const TriangleCorners& corners) {
  return ClosestPointInBox(query, corners, Lowest(Lowest(corners.a, corners.b), corners.c),
                           Highest(Highest(corners.a, corners.b), corners.c));
}
