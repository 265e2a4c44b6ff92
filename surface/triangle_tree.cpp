// Answering a query with the tree: a walk nearer box first, skipping every box whose bound is
// strictly beyond the best distance met (see triangle_tree.h for why the answer is exact).
#include "surface/triangle_tree.h"

#include "geometry/box_bound.h"
#include "surface/box_distance.h"
#include "surface/frame_bound.h"
#include "surface/hit_order.h"

namespace {

// No tree is deeper than the builder's median limit plus 31, and a walk holds at most three
// deferred children per level.
constexpr int kMaxDepth = 96;

}  // namespace

SurfaceHit TriangleTree::FindClosest(const Vector3& query, int32_t& warm) const {
  SurfaceHit best = NoHitYet();
  if (triangles_.empty()) return FinalHit(best);
  int32_t bestPlace = -1;
  const bool warmed = warm >= 0 && static_cast<std::size_t>(warm) < triangles_.size();
  if (warmed) Measure(warm, query, best, bestPlace);
  Descend(wideRoot_, query, warmed ? warm : -1, best, bestPlace);
  warm = bestPlace;
  return FinalHit(best);
}

void TriangleTree::Measure(int32_t place, const Vector3& query, SurfaceHit& best,
                           int32_t& bestPlace) const {
  const StoredTriangle& stored = triangles_[static_cast<std::size_t>(place)];
  const TriangleCorners& corners = stored.corners;
  // The triangle's own box first: most triangles of a leaf are out of reach.
  const Vector3 low = Lowest(Lowest(corners.a, corners.b), corners.c);
  const Vector3 high = Highest(Highest(corners.a, corners.b), corners.c);
  const float bound = BoxBound(query, low, high);
  if (bound > best.squaredDistance) return;
  // The point and weights only for a triangle that goes first.
  const TriangleMeasure measure = MeasureTriangle(query, corners, bound, stored.wideAtA != 0);
  const auto index = static_cast<int32_t>(stored.index);
  if (!GoesBefore(measure.squaredDistance, index, best)) return;
  best = HitOf(measure, low, high);
  best.triangle = index;
  bestPlace = place;
}

void TriangleTree::Descend(Reference node, const Vector3& query, int32_t measured, SurfaceHit& best,
                           int32_t& bestPlace) const {
  // Children put off for later, each with its box bound at the time.
  struct Deferred {
    Reference node;
    float bound;
  };
  Deferred deferred[3 * kMaxDepth];
  int deferredCount = 0;
  for (;;) {
    // Down to a leaf, nearest box first; the other children within reach wait, nearer ones on
    // top.
    bool reached = true;
    while (node >= 0) {
      const WideBranch& branch = wide_[static_cast<std::size_t>(node)];
      float bounds[4];
      if (branch.fitted < 0) {
        BoxBoundQuad(query, branch.low, branch.high, bounds);
      } else {
        const FittedBoxes& fitted = fitted_[static_cast<std::size_t>(branch.fitted)];
        FrameBoundQuad(query, fitted.frame, fitted.low, fitted.high, bounds);
      }
      // The children within reach, farthest first (equal bounds in their order).
      Deferred within[4];
      int count = 0;
      for (int k = 0; k < branch.count; ++k) {
        if (bounds[k] > best.squaredDistance) continue;
        int at = count++;
        for (; at > 0 && within[at - 1].bound < bounds[k]; --at) within[at] = within[at - 1];
        within[at] = Deferred{branch.child[k], bounds[k]};
      }
      if (count == 0) {
        reached = false;
        break;
      }
      for (int k = 0; k + 1 < count; ++k) deferred[deferredCount++] = within[k];
      node = within[count - 1].node;
    }
    if (reached) {
      const Leaf& leaf = nodes_.leaves[static_cast<std::size_t>(~node)];
      for (int32_t place = leaf.begin; place < leaf.begin + leaf.count; ++place) {
        if (place != measured) Measure(place, query, best, bestPlace);
      }
    }

    // Back to the nearest deferred child still within reach, if any.
    bool resumed = false;
    while (!resumed && deferredCount > 0) {
      const Deferred& next = deferred[--deferredCount];
      resumed = !(next.bound > best.squaredDistance);
      node = next.node;
    }
    if (!resumed) return;
  }
}
