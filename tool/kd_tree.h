// A k-d tree over Source points whose answers are the exhaustive search's lists, bit for bit.
//
// Why the lists are the same. Offered in increasing index order, InsertNearest keeps the three
// least points under the order "smaller distance first, and between equal distances the higher
// index first": a point offered later has the higher index and is placed before every entry that
// is not strictly nearer. Let tau be the third distance of that result (+infinity with fewer than
// three points). Offering in increasing index order any subset of the points that holds every
// point at distance <= tau gives the very same list: the subset holds the three least points, and
// they stay the least within it.
//
// A query finds such a subset. It walks the tree nearer box first and keeps, through
// InsertNearest, a pruning list of the points accepted so far; its third distance t (+infinity
// while it has fewer than three entries) only falls, and never below tau, because the accepted
// points are some of all points. A node is skipped only when its box bound is strictly greater
// than t. The bound never exceeds the float distance of any point in the box (see BoxBound), so a
// skipped point lies strictly beyond t >= tau. In a leaf every point is measured, and accepted
// unless its distance is strictly greater than t. Hence every point at distance <= tau is
// accepted, and at the end t equals tau. The accepted points at distance <= t are sorted by index
// and offered to the answer through InsertNearest. The order in which nodes, leaves or points are
// visited thus changes only the speed, never the answer.
#pragma once

#include <cstdint>
#include <vector>

#include "tool/nearest_list.h"
#include "tool/source_points.h"

class NearestTree {
 public:
  // What one thread reuses from query to query.
  struct Scratch {
    NearestList pruning;
    std::vector<NearestEntry> accepted;
  };

  // Builds the tree over a copy of the points, which must all be finite.
  explicit NearestTree(const SourcePoints& source);

  // Fills `list` (emptied first) with what FindNearestExhaustive gives for the query, whose
  // coordinates must be finite.
  void FindNearest(const MQPoint& query, Scratch& scratch, NearestList& list) const;

  std::size_t size() const { return indices_.size(); }

 private:
  struct Node {
    // The tight bounds of the node's points.
    MQPoint low;
    MQPoint high;
    // The node's points, as positions in the tree-ordered arrays.
    int32_t begin;
    int32_t end;
    // The right child; the left child directly follows its parent. 0 marks a leaf.
    int32_t right;
  };

  struct Search;

  int32_t BuildNode(std::vector<int32_t>& order, const SourcePoints& source, int32_t begin,
                    int32_t end);
  void Visit(int32_t node, Search& search) const;
  void ScanLeaf(const Node& leaf, Search& search) const;

  std::vector<Node> nodes_;
  // The points in tree order: a node's points are contiguous.
  std::vector<float> xs_;
  std::vector<float> ys_;
  std::vector<float> zs_;
  std::vector<int32_t> indices_;
};

// A lower bound of SquaredDistance(query, p) for every point p inside the box [low, high]: the
// same float expression over the gaps to the nearer faces (0 where the query lies between them).
// For p inside, |query - p| >= gap holds exactly on each axis, and rounding, squaring and adding
// non-negative floats are monotone, so the bound never exceeds the point's float distance.
inline float BoxBound(const MQPoint& query, const MQPoint& low, const MQPoint& high) {
  const float gx = query.x < low.x ? low.x - query.x : (query.x > high.x ? query.x - high.x : 0.0f);
  const float gy = query.y < low.y ? low.y - query.y : (query.y > high.y ? query.y - high.y : 0.0f);
  const float gz = query.z < low.z ? low.z - query.z : (query.z > high.z ? query.z - high.z : 0.0f);
  return (gx * gx + gy * gy) + gz * gz;
}
