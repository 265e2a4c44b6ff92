// A bounding volume hierarchy over triangles whose answers are the exhaustive search's, bit for
// bit.
//
// Why the answers are the same. OfferHit ranks triangles by a total order (squared distance as
// computed by ClosestPointOnTriangle, then triangle index), so the least triangle of any set does
// not depend on the order in which the set is met, and the least of a subset that holds the least
// triangle of the whole mesh is that triangle. Let tau be the least triangle's squared distance.
// A query keeps the least triangle met so far; its squared distance is the limit t (+infinity
// while nothing was met). t only falls, and never below tau, since it is the distance of some
// triangle. A box is skipped only when its bound is strictly greater than t, and no bound exceeds
// the reported squared distance of a triangle inside:
// - A node's child box along the world's axes holds the bounding box of every triangle below it,
//   and a triangle's own bounding box is tested before the routine runs. Their bound is BoxBound
//   (box_distance.h), which is no larger for the larger box, and the routine reports at least
//   BoxBound of the triangle's own box (it takes the larger of that and its own distance).
// - A node's child box along a frame of its own holds every point of the triangles below it
//   exactly, and its bound (frame_bound.h) never exceeds the exact squared distance from the query
//   to any point inside; the routine's reported distance is never below the exact squared distance
//   from the query to the triangle (triangle_closest_point.h).
// Both hold in every rounding mode, and neither needs a margin for the routine's rounding. A
// skipped triangle thus lies strictly beyond t >= tau and cannot be the least, nor tie with it.
// Every triangle at distance tau is met, the least among them wins by the order, and the answer
// is the exhaustive search's. The shape of the tree, the frames of its nodes and the order of the
// visits change only the speed.
#pragma once

#include <cstdint>
#include <vector>

#include "surface/closest_point.h"
#include "surface/frame_bound.h"
#include "surface/triangle_closest_point.h"

class TriangleTree {
 public:
  // Builds over the triangles of the mesh that take part (mesh_triangles.h); every corner must be
  // in range. Work is spread over up to `threadCount` threads; the tree is the same whatever the
  // number.
  TriangleTree(const float* positions, const uint32_t* corners, std::size_t triangleCount,
               unsigned threadCount);

  // The answer for a query with finite coordinates. `warm` is a place in the tree's triangle
  // order to measure first (a query near the last one likely has the same answer), or -1; it
  // receives the place of the answer. Speed only.
  SurfaceHit FindClosest(const Vector3& query, int32_t& warm) const;

  std::size_t size() const { return triangles_.size(); }

  // At most this many triangles in a leaf.
  static constexpr int32_t kLeafSize = 6;

  // A node or a leaf: a branch's index, or the bitwise complement of a leaf's index.
  using Reference = int32_t;

  // A node as built, with the bounds of its two children, axis by axis (low[axis][child]).
  struct alignas(64) Branch {
    float low[3][2];
    float high[3][2];
    Reference child[2];
  };

  // A node as searched: up to four children (the binary tree's nodes two levels apart collapsed
  // into one), their boxes along the world's axes, axis by axis, so that one visit bounds all
  // four side by side; and, where the node's triangles are far smaller than those boxes, the
  // place in fitted_ of boxes along a frame turned to them, which the search bounds instead.
  struct alignas(64) WideBranch {
    float low[3][4];
    float high[3][4];
    Reference child[4];
    int32_t count;
    int32_t fitted;
  };

  // A node's children's boxes along a frame of its own, in coordinates frame (p - origin),
  // holding every point of their triangles exactly (frame_bound.h).
  struct FittedBoxes {
    BoxFrame frame;
    float low[3][4];
    float high[3][4];
  };

  // The triangles from `begin` on, `count` of them, in the tree's triangle order.
  struct Leaf {
    int32_t begin;
    int32_t count;
  };

  // A triangle, its index in the mesh, and whether its angle at corner a is wide
  // (IsWideAtCornerA), which the routine would otherwise work out again at every query.
  struct StoredTriangle {
    TriangleCorners corners;
    uint32_t index : 31;
    uint32_t wideAtA : 1;
  };

  // Branches and leaves as built, in the numbering of the arrays they are built into.
  struct Nodes {
    std::vector<Branch> branches;
    std::vector<Leaf> leaves;
    Reference root = ~0;
  };

 private:
  // The node of the searched tree for binary node `node` of `built`, appended to wide_ with the
  // nodes below it; a leaf stays as it is.
  Reference Collapse(const Nodes& built, Reference node);
  // Gives a frame of its own to every node over few enough triangles that are far smaller than
  // its boxes, where that makes the boxes much smaller.
  void FitFrames(unsigned threadCount);
  // Appends `part`, built apart, as the child `side` of branch `parent` (or as the whole tree).
  void Join(const Nodes& part, int32_t parent, int side);
  // Visits the subtree under `node`, nearer box first, skipping what is out of reach and the
  // place `measured` (measured already, or -1).
  void Descend(Reference node, const Vector3& query, int32_t measured, SurfaceHit& best,
               int32_t& place) const;
  void Measure(int32_t place, const Vector3& query, SurfaceHit& best, int32_t& bestPlace) const;

  // The binary tree as built (its branches are dropped once collapsed) and its leaves.
  Nodes nodes_;
  std::vector<WideBranch> wide_;
  std::vector<FittedBoxes> fitted_;
  Reference wideRoot_ = ~0;
  std::vector<StoredTriangle> triangles_;
};
