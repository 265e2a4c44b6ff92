// Where a segment meets the surface: the hierarchy's boxes cull, each triangle is met by Moller and
// Trumbore's test, in doubles, its bounds taken inclusively so that a segment through an edge or a
// corner meets every triangle there.
#include <algorithm>
#include <cmath>

#include "surface_transfer/winding_tree.h"

namespace {

constexpr int kStackSize = 96;
// Boxes are widened by this share of their size (and of the segment's), so that rounding in the
// slab test never culls a triangle the segment meets.
constexpr double kBoxSlack = 1e-9;

struct Segment {
  double from[3];
  double direction[3];  // to - from
};

bool MeetsBox(const Segment& s, const WindingTree::Node& node) {
  double enter = 0.0;
  double leave = 1.0;
  for (int k = 0; k < 3; ++k) {
    const double slack = kBoxSlack * ((node.high[k] - node.low[k]) + std::fabs(s.direction[k]) +
                                      std::fabs(s.from[k]));
    const double low = node.low[k] - slack;
    const double high = node.high[k] + slack;
    if (s.direction[k] == 0.0) {
      if (s.from[k] < low || s.from[k] > high) return false;
      continue;
    }
    const double a = (low - s.from[k]) / s.direction[k];
    const double b = (high - s.from[k]) / s.direction[k];
    enter = std::max(enter, std::min(a, b));
    leave = std::min(leave, std::max(a, b));
    if (enter > leave) return false;
  }
  return true;
}

void Cross(const double* u, const double* v, double* out) {
  out[0] = u[1] * v[2] - u[2] * v[1];
  out[1] = u[2] * v[0] - u[0] * v[2];
  out[2] = u[0] * v[1] - u[1] * v[0];
}

double Dot(const double* u, const double* v) {
  return (u[0] * v[0] + u[1] * v[1]) + u[2] * v[2];
}

// The crossing of the segment with one triangle, if any.
bool MeetsTriangle(const Segment& s, const WindingTree::StoredTriangle& t,
                   WindingTree::Crossing* crossing) {
  const double a[3] = {t.a.x, t.a.y, t.a.z};
  const double ab[3] = {t.b.x - a[0], t.b.y - a[1], t.b.z - a[2]};
  const double ac[3] = {t.c.x - a[0], t.c.y - a[1], t.c.z - a[2]};
  double p[3];
  Cross(s.direction, ac, p);
  const double determinant = Dot(ab, p);
  if (determinant == 0.0 || !std::isfinite(determinant)) return false;
  const double inverse = 1.0 / determinant;
  const double offset[3] = {s.from[0] - a[0], s.from[1] - a[1], s.from[2] - a[2]};
  const double u = Dot(offset, p) * inverse;
  if (u < 0.0 || u > 1.0) return false;
  double q[3];
  Cross(offset, ab, q);
  const double v = Dot(s.direction, q) * inverse;
  if (v < 0.0 || u + v > 1.0) return false;
  const double along = Dot(ac, q) * inverse;
  if (along < 0.0 || along > 1.0) return false;
  // determinant = ab . (direction x ac) = -direction . (ab x ac).
  *crossing = {along, t.index, determinant < 0.0};
  return true;
}

Segment SegmentOf(const Vector3& from, const Vector3& to) {
  return Segment{{from.x, from.y, from.z},
                 {double{to.x} - from.x, double{to.y} - from.y, double{to.z} - from.z}};
}

// Calls visit(crossing) for each crossing, in the tree's order, until it returns true; returns
// whether one did.
template <typename Visit>
bool VisitCrossings(const std::vector<WindingTree::Node>& nodes,
                    const std::vector<WindingTree::StoredTriangle>& triangles, const Segment& s,
                    Visit visit) {
  if (nodes.empty()) return false;
  int32_t stack[kStackSize];
  int size = 0;
  stack[size++] = 0;
  while (size > 0) {
    const WindingTree::Node& node = nodes[static_cast<std::size_t>(stack[--size])];
    if (!MeetsBox(s, node)) continue;
    if (node.children[0] >= 0) {
      stack[size++] = node.children[1];
      stack[size++] = node.children[0];
      continue;
    }
    for (int32_t i = 0; i < node.count; ++i) {
      WindingTree::Crossing crossing;
      if (MeetsTriangle(s, triangles[static_cast<std::size_t>(node.begin + i)], &crossing) &&
          visit(crossing)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

std::vector<WindingTree::Crossing> WindingTree::Crossings(const Vector3& from,
                                                          const Vector3& to) const {
  std::vector<Crossing> crossings;
  VisitCrossings(nodes_, triangles_, SegmentOf(from, to), [&](const Crossing& crossing) {
    crossings.push_back(crossing);
    return false;
  });
  std::sort(crossings.begin(), crossings.end(), [](const Crossing& a, const Crossing& b) {
    return a.along < b.along || (a.along == b.along && a.triangle < b.triangle);
  });
  return crossings;
}

bool WindingTree::CrossesAgainst(const Vector3& from, const Vector3& to, int facing) const {
  return VisitCrossings(nodes_, triangles_, SegmentOf(from, to), [&](const Crossing& crossing) {
    return crossing.withNormal != (facing > 0);
  });
}
