// A k-d tree over Source points whose answers are the exhaustive search's lists, bit for bit.
//
// Why the lists are the same. Offered in increasing index order, InsertNearest keeps the list
// sorted nearest first, equal distances the higher index first, and drops whatever falls to the
// fourth place: the list it ends with holds the three least points under the order "smaller
// distance first, and between equal distances the higher index first" (distances compared as
// floats, with `<` alone). That order is total over distinct indices, so the three least points
// of any set of points do not depend on the order in which they are met. Let tau be the third
// distance of that result (+infinity with fewer than three points). Any subset of the points that
// holds every point at distance <= tau holds the three least points, and they stay the least
// within it.
//
// A query finds such a subset. It starts in one leaf, then climbs to the root and on the way
// visits the sibling of every node it passes, each sibling's subtree nearer box first; the start
// leaf and those siblings together cover the tree once. It keeps the three least points met so
// far under the order above; the third one's distance is the limit t (+infinity while fewer than
// three were met). t only falls, and never below tau, because the points met are some of all
// points. A node is skipped only when its box bound is strictly greater than t. The bound never
// exceeds the float distance of any point in the box (see BoxBound), so a skipped point lies
// strictly beyond t >= tau. In a leaf every point is measured, and one at a distance strictly
// greater than t cannot be among the three least. Hence every point at distance <= tau is met,
// and the three least points met are the exhaustive search's list. The order in which nodes,
// leaves or points are visited thus changes only the speed, never the answer.
#pragma once

#include <cstdint>
#include <vector>

#include "search/box_bound.h"
#include "search/nearest_search.h"

class NearestTree {
 public:
  // What one thread carries from query to query: the leaf that held the previous query's nearest
  // point, where the next query starts, so that a query near the previous one meets a small limit
  // at once. Speed only.
  struct Scratch {
    int32_t startLeaf = -1;
  };

  // Builds the tree over a copy of the points, which must all be finite, on up to `threadCount`
  // threads. The tree is the same whatever the number of threads.
  explicit NearestTree(const SourcePoints& source, unsigned threadCount = 1);

  // Fills `found` with the list FindNearestExhaustive gives for the query, whose coordinates must
  // be finite.
  void FindNearest(const Vector3& query, Scratch& scratch, NearestFound& found) const;

  std::size_t size() const { return indices_.size(); }

  // At most this many points in a leaf.
  static constexpr int32_t kLeafSize = 12;
  // From this many points on, the subtrees three levels below the root (eight) are built apart.
  static constexpr int32_t kSplitBuildMinimum = 1 << 15;
  static constexpr int kSplitDepth = 2;

 private:
  // A node or a leaf: a branch's index, or the bitwise complement of a leaf's index.
  using Reference = int32_t;

  // A node with the tight bounds of its two children, axis by axis (low[axis][child]), in one
  // cache line, so that one visit reads both.
  struct alignas(64) Branch {
    float low[3][2];
    float high[3][2];
    Reference child[2];
    // The branch above; -1 above the root.
    int32_t parent;
  };

  struct Point {
    Vector3 position;
    int32_t index;
  };

  struct Search;

  // Branches and leaves as built, in the numbering of the arrays they are built into.
  struct Nodes {
    std::vector<Branch> branches;
    std::vector<int32_t> leafStarts;
    std::vector<int32_t> leafParents;
  };

  // A subtree whose building is put off, to be built apart and joined below `parent`.
  struct Subtree {
    int32_t begin;
    int32_t end;
    Vector3 low;
    Vector3 high;
    int32_t parent;
    int side;
  };

  // Builds the subtree over points[begin, end) into `nodes`, in depth-first order, using
  // scratch[begin, end) as room. Branches `deferDepth` levels below this one are not built but
  // noted in `deferred` (if given).
  static Reference Build(std::vector<Point>& points, Point* scratch, int32_t begin, int32_t end,
                         const Vector3& low, const Vector3& high, int32_t parent, Nodes& nodes,
                         int deferDepth, std::vector<Subtree>* deferred);
  // Builds the subtrees put off on up to `threadCount` threads and joins them in order.
  void BuildApart(std::vector<Point>& points, Point* scratch, const std::vector<Subtree>& subtrees,
                  unsigned threadCount);
  // Appends `part`, built apart, as the child `side` of branch `parent`.
  void Join(const Nodes& part, int32_t parent, int side);
  // Keeps the points, in the order of the leaves, as the arrays the leaves are scanned in.
  void StorePoints(const std::vector<Point>& points);
  // Visits the subtree under `node`, nearer box first, skipping what is out of reach.
  void Descend(Reference node, Search& search) const;
  void ScanLeaf(int32_t leaf, Search& search) const;

  Reference root_ = 0;
  std::vector<Branch> branches_;
  // Leaf k holds the points from leafStarts_[k] up to leafStarts_[k + 1] in the arrays below.
  std::vector<int32_t> leafStarts_;
  // The branch above each leaf; -1 above a leaf that is the root.
  std::vector<int32_t> leafParents_;
  // The points in tree order, coordinates apart so that a leaf's distances are computed side by
  // side; the coordinates run kLeafSize entries past the last point, so that every leaf can be
  // measured as a full one.
  std::vector<float> xs_;
  std::vector<float> ys_;
  std::vector<float> zs_;
  std::vector<int32_t> indices_;
};
