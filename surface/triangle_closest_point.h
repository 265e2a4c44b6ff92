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
// - Where the tests fall through to the face, the face point is taken only if the three face
//   weights are strictly positive, and it competes with the nearest points of the three edges:
//   the least squared distance wins, the face first and then edges ab, ac, bc at equal distances.
//   On a triangle of zero area the face weights are rounding noise; the edges then give the
//   closest point of the segment it spans (a zero-area triangle's edge tests, which only pass
//   where the query projects between the edge's ends, give correct points of that segment too).
// - The point is finally moved into the triangle's bounding box (a no-op but for rounding). The
//   squared distance is SquaredDistance from the query to that point, so box bounds built on
//   BoxBound (box_distance.h) are true lower bounds of it.
// The corners must be finite; a finite query gives a finite point and finite weights in [0, 1]
// (the first face weight, (1 - v) - w, may round a hair below 0), and a squared distance that is
// never NaN (+infinity where it overflows).
#pragma once

#include <cstdint>

#include "surface/closest_point.h"
#include "surface/vector3.h"

struct TriangleCorners {
  Vector3 a;
  Vector3 b;
  Vector3 c;
};

// t clamped to [0, 1]; NaN becomes 1.
inline float UnitClamp(float t) {
  return MaxOf(MinOf(t, 1.0f), 0.0f);
}

// A hit at `point` moved into the triangle's box, with its weights and its squared distance.
inline SurfaceHit FinishHit(int32_t feature, float u, float v, float w, const Vector3& point,
                            const Vector3& query, const TriangleCorners& corners) {
  const Vector3 low = Lowest(Lowest(corners.a, corners.b), corners.c);
  const Vector3 high = Highest(Highest(corners.a, corners.b), corners.c);
  const Vector3 inside = ClampToBox(point, low, high);
  return SurfaceHit{
      -1, feature, {u, v, w}, {inside.x, inside.y, inside.z}, SquaredDistance(query, inside)};
}

// The point at parameter t along an edge: from + (to - from) * t.
inline SurfaceHit EdgeHit(int32_t feature, float t, const Vector3& query,
                          const TriangleCorners& corners) {
  const Vector3& from = feature == kSurfaceEdgeBC ? corners.b : corners.a;
  const Vector3& to = feature == kSurfaceEdgeAB ? corners.b : corners.c;
  const float rest = 1.0f - t;
  const float u = feature == kSurfaceEdgeBC ? 0.0f : rest;
  const float v = feature == kSurfaceEdgeAB ? t : (feature == kSurfaceEdgeBC ? rest : 0.0f);
  const float w = feature == kSurfaceEdgeAB ? 0.0f : t;
  return FinishHit(feature, u, v, w, MoveAlong(from, Subtract(to, from), t), query, corners);
}

// The nearest point of an edge as a segment, by projecting the query onto it.
inline SurfaceHit SegmentHit(int32_t feature, const Vector3& query,
                             const TriangleCorners& corners) {
  const Vector3& from = feature == kSurfaceEdgeBC ? corners.b : corners.a;
  const Vector3& to = feature == kSurfaceEdgeAB ? corners.b : corners.c;
  const Vector3 along = Subtract(to, from);
  const float t = UnitClamp(Dot(Subtract(query, from), along) / Dot(along, along));
  return EdgeHit(feature, t, query, corners);
}

// Where the region tests leave the face: the face point if its weights are all positive, against
// the nearest edge points; ties go to the earlier of face, ab, ac, bc.
inline SurfaceHit FaceOrNearestEdge(float va, float vb, float vc, const Vector3& query,
                                    const TriangleCorners& corners) {
  SurfaceHit best = SegmentHit(kSurfaceEdgeAB, query, corners);
  for (const int32_t edge : {kSurfaceEdgeAC, kSurfaceEdgeBC}) {
    const SurfaceHit hit = SegmentHit(edge, query, corners);
    if (hit.squaredDistance < best.squaredDistance) best = hit;
  }
  if (va > 0.0f && vb > 0.0f && vc > 0.0f) {
    const float scale = 1.0f / ((va + vb) + vc);
    const float v = vb * scale;
    const float w = vc * scale;
    const Vector3 ab = Subtract(corners.b, corners.a);
    const Vector3 ac = Subtract(corners.c, corners.a);
    const Vector3 point = MoveAlong(MoveAlong(corners.a, ab, v), ac, w);
    const SurfaceHit face = FinishHit(kSurfaceFace, (1.0f - v) - w, v, w, point, query, corners);
    if (!(best.squaredDistance < face.squaredDistance)) best = face;
  }
  return best;
}

// The closest point of triangle a, b, c to `query`; the hit's triangle is left at -1.
inline SurfaceHit ClosestPointOnTriangle(const Vector3& query, const TriangleCorners& corners) {
  const Vector3 ab = Subtract(corners.b, corners.a);
  const Vector3 ac = Subtract(corners.c, corners.a);
  const Vector3 ap = Subtract(query, corners.a);
  const float d1 = Dot(ab, ap);
  const float d2 = Dot(ac, ap);
  if (d1 <= 0.0f && d2 <= 0.0f) {
    return FinishHit(kSurfaceCornerA, 1.0f, 0.0f, 0.0f, corners.a, query, corners);
  }
  const Vector3 bp = Subtract(query, corners.b);
  const float d3 = Dot(ab, bp);
  const float d4 = Dot(ac, bp);
  if (d3 >= 0.0f && d4 <= d3) {
    return FinishHit(kSurfaceCornerB, 0.0f, 1.0f, 0.0f, corners.b, query, corners);
  }
  const float vc = d1 * d4 - d3 * d2;
  if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f) {
    return EdgeHit(kSurfaceEdgeAB, UnitClamp(d1 / (d1 - d3)), query, corners);
  }
  const Vector3 cp = Subtract(query, corners.c);
  const float d5 = Dot(ab, cp);
  const float d6 = Dot(ac, cp);
  if (d6 >= 0.0f && d5 <= d6) {
    return FinishHit(kSurfaceCornerC, 0.0f, 0.0f, 1.0f, corners.c, query, corners);
  }
  const float vb = d5 * d2 - d1 * d6;
  if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f) {
    return EdgeHit(kSurfaceEdgeAC, UnitClamp(d2 / (d2 - d6)), query, corners);
  }
  const float va = d3 * d6 - d5 * d4;
  const float towardsC = d4 - d3;
  const float towardsB = d5 - d6;
  if (va <= 0.0f && towardsC >= 0.0f && towardsB >= 0.0f) {
    return EdgeHit(kSurfaceEdgeBC, UnitClamp(towardsC / (towardsC + towardsB)), query, corners);
  }
  return FaceOrNearestEdge(va, vb, vc, query, corners);
}
