#include "search/kd_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "geometry/branch_free_float.h"
#include "parallel/parallel_chunks.h"
#include "search/select_nth.h"

namespace {

constexpr float kUnbounded = std::numeric_limits<float>::infinity();

// Median splits keep the depth below 32 for any int32_t count of points, and a walk holds at
// most one deferred child per level.
constexpr int kMaxDepth = 64;

float Coordinate(const Vector3& point, int axis) {
  return axis == 0 ? point.x : (axis == 1 ? point.y : point.z);
}

Vector3 Lesser(const Vector3& a, const Vector3& b) {
  return Vector3{std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

Vector3 Greater(const Vector3& a, const Vector3& b) {
  return Vector3{std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

// `a` where `choose` holds, else `b`, without a branch.
int32_t Choose(bool choose, int32_t a, int32_t b) {
  const uint32_t mask = 0u - static_cast<uint32_t>(choose);
  return static_cast<int32_t>((static_cast<uint32_t>(a) & mask) |
                              (static_cast<uint32_t>(b) & ~mask));
}

// The same for floats, moving their bits unchanged.
float Choose(bool choose, float a, float b) {
  uint32_t aBits = 0;
  uint32_t bBits = 0;
  std::memcpy(&aBits, &a, sizeof aBits);
  std::memcpy(&bBits, &b, sizeof bBits);
  const uint32_t mask = 0u - static_cast<uint32_t>(choose);
  const uint32_t bits = (aBits & mask) | (bBits & ~mask);
  float chosen = 0.0f;
  std::memcpy(&chosen, &bits, sizeof chosen);
  return chosen;
}

// Bit k set where !(distances[k] > limit), for a leaf's worth of distances, four at once where
// the processor compares four at once.
uint32_t WithinMask(const float (&distances)[NearestTree::kLeafSize], float limit) {
  uint32_t mask = 0;
#ifdef PALISOR_SSE_MIN_MAX
  static_assert(NearestTree::kLeafSize % 4 == 0, "a leaf's worth is whole groups of four");
  const __m128 limits = _mm_set1_ps(limit);
  for (int k = 0; k < NearestTree::kLeafSize; k += 4) {
    const __m128 within = _mm_cmpngt_ps(_mm_loadu_ps(distances + k), limits);
    mask |= static_cast<uint32_t>(_mm_movemask_ps(within)) << k;
  }
#else
  for (int k = 0; k < NearestTree::kLeafSize; ++k) {
    mask |= static_cast<uint32_t>(!(distances[k] > limit)) << k;
  }
#endif
  return mask;
}

}  // namespace

// One query's walk: the three least points met so far, nearest first. A place not yet taken has
// the leaf -1 and the distance +infinity; every point precedes it.
struct NearestTree::Search {
  explicit Search(const Vector3& point) : query(point) {}

  Vector3 query;
  float distances[kNearestCount] = {kUnbounded, kUnbounded, kUnbounded};
  int32_t indices[kNearestCount] = {0, 0, 0};
  int32_t leaves[kNearestCount] = {-1, -1, -1};

  // The third least distance met; +infinity while fewer than three points were met.
  float Limit() const { return distances[kNearestCount - 1]; }

  // Whether a point goes before place k in the order of the exhaustive search's lists: nearer
  // first, between equal distances the higher index first. Evaluated without a branch.
  bool Precedes(float distance, int32_t index, std::size_t k) const {
    const bool nearer = distance < distances[k];
    const bool level = !(distances[k] < distance);
    return (leaves[k] < 0) | nearer | (level & (index > indices[k]));
  }

  // Takes in a point if it is among the three least met so far. The places shift without a
  // branch: which way the comparisons go is not foreseeable.
  void Offer(float distance, int32_t index, int32_t leaf) {
    const bool before0 = Precedes(distance, index, 0);
    const bool before1 = Precedes(distance, index, 1);
    const bool before2 = Precedes(distance, index, 2);
    distances[2] = Choose(before1, distances[1], Choose(before2, distance, distances[2]));
    indices[2] = Choose(before1, indices[1], Choose(before2, index, indices[2]));
    leaves[2] = Choose(before1, leaves[1], Choose(before2, leaf, leaves[2]));
    distances[1] = Choose(before0, distances[0], Choose(before1, distance, distances[1]));
    indices[1] = Choose(before0, indices[0], Choose(before1, index, indices[1]));
    leaves[1] = Choose(before0, leaves[0], Choose(before1, leaf, leaves[1]));
    distances[0] = Choose(before0, distance, distances[0]);
    indices[0] = Choose(before0, index, indices[0]);
    leaves[0] = Choose(before0, leaf, leaves[0]);
  }

  int32_t Count() const {
    int32_t count = 0;
    for (int32_t leaf : leaves) count += leaf < 0 ? 0 : 1;
    return count;
  }
};

NearestTree::NearestTree(const SourcePoints& source, unsigned threadCount) {
  const auto count = static_cast<int32_t>(source.size());
  if (count == 0) return;
  std::vector<Point> points(source.size());
  Vector3 low = source.positions[0];
  Vector3 high = low;
  for (std::size_t k = 0; k < source.size(); ++k) {
    points[k] = Point{source.positions[k], source.indices[k]};
    low = Lesser(low, source.positions[k]);
    high = Greater(high, source.positions[k]);
  }

  // Room for selecting medians, given back once the tree is built: a subtree uses the part beside
  // its own points.
  std::unique_ptr<Point[]> scratch(new Point[points.size()]);

  // Large trees: the top levels here, then the subtrees below them apart, on all threads, joined
  // in order. Every subtree holds more than a leaf's worth of points, so the leaves still come in
  // the order of the points. The same tree is built whatever the number of threads.
  Nodes top;
  std::vector<Subtree> subtrees;
  const bool split = count >= kSplitBuildMinimum;
  root_ = Build(points, scratch.get(), 0, count, low, high, -1, top, split ? kSplitDepth : -1,
                &subtrees);
  branches_ = std::move(top.branches);
  leafStarts_ = std::move(top.leafStarts);
  leafParents_ = std::move(top.leafParents);
  branches_.reserve(source.size() / kLeafSize * 2 + 1);
  leafStarts_.reserve(source.size() / kLeafSize * 2 + 2);
  leafParents_.reserve(leafStarts_.capacity());
  if (!subtrees.empty()) BuildApart(points, scratch.get(), subtrees, threadCount);
  scratch.reset();
  leafStarts_.push_back(count);
  StorePoints(points);
}

void NearestTree::BuildApart(std::vector<Point>& points, Point* scratch,
                             const std::vector<Subtree>& subtrees, unsigned threadCount) {
  std::vector<Nodes> parts(subtrees.size());
  RunInChunks(subtrees.size(), threadCount, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      const Subtree& subtree = subtrees[k];
      Nodes& part = parts[k];
      const std::size_t size = static_cast<std::size_t>(subtree.end - subtree.begin);
      part.branches.reserve(size / kLeafSize * 2 + 1);
      part.leafStarts.reserve(size / kLeafSize * 2 + 1);
      part.leafParents.reserve(size / kLeafSize * 2 + 1);
      Build(points, scratch, subtree.begin, subtree.end, subtree.low, subtree.high, -1, part, -1,
            nullptr);
    }
  });
  for (std::size_t k = 0; k < subtrees.size(); ++k) {
    Join(parts[k], subtrees[k].parent, subtrees[k].side);
  }
}

void NearestTree::StorePoints(const std::vector<Point>& points) {
  const std::size_t padded = points.size() + kLeafSize;
  xs_.assign(padded, 0.0f);
  ys_.assign(padded, 0.0f);
  zs_.assign(padded, 0.0f);
  indices_.resize(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) {
    xs_[k] = points[k].position.x;
    ys_[k] = points[k].position.y;
    zs_[k] = points[k].position.z;
    indices_[k] = points[k].index;
  }
}

void NearestTree::Join(const Nodes& part, int32_t parent, int side) {
  const auto branchOffset = static_cast<int32_t>(branches_.size());
  const auto leafOffset = static_cast<int32_t>(leafParents_.size());
  const auto moved = [&](Reference node) {
    return node >= 0 ? node + branchOffset : ~(~node + leafOffset);
  };
  // The part's root is its first branch, or its only leaf.
  const Reference partRoot = part.branches.empty() ? ~0 : 0;
  for (Branch branch : part.branches) {
    branch.child[0] = moved(branch.child[0]);
    branch.child[1] = moved(branch.child[1]);
    branch.parent = branch.parent >= 0 ? branch.parent + branchOffset : parent;
    branches_.push_back(branch);
  }
  leafStarts_.insert(leafStarts_.end(), part.leafStarts.begin(), part.leafStarts.end());
  for (int32_t leafParent : part.leafParents) {
    leafParents_.push_back(leafParent >= 0 ? leafParent + branchOffset : parent);
  }
  branches_[static_cast<std::size_t>(parent)].child[side] = moved(partRoot);
}

NearestTree::Reference NearestTree::Build(std::vector<Point>& points, Point* scratch, int32_t begin,
                                          int32_t end, const Vector3& low, const Vector3& high,
                                          int32_t parent, Nodes& nodes, int deferDepth,
                                          std::vector<Subtree>* deferred) {
  if (end - begin <= kLeafSize) {
    nodes.leafStarts.push_back(begin);
    nodes.leafParents.push_back(parent);
    return ~static_cast<Reference>(nodes.leafStarts.size() - 1);
  }
  // Split the widest side at the median; the extents are taken in double so that huge finite
  // coordinates do not overflow. Where the tree splits changes the speed only.
  const double extents[3] = {double{high.x} - low.x, double{high.y} - low.y,
                             double{high.z} - low.z};
  int axis = 0;
  if (extents[1] > extents[axis]) axis = 1;
  if (extents[2] > extents[axis]) axis = 2;
  const int32_t middle = begin + (end - begin) / 2;
  // One key per axis, chosen once: a key that picks its axis every time is slower.
  Point* const first = points.data() + begin;
  Point* const nth = points.data() + middle;
  Point* const last = points.data() + end;
  Point* const spare = scratch + begin;
  if (axis == 0) {
    SelectNth(first, nth, last, spare, [](const Point& point) { return point.position.x; });
  } else if (axis == 1) {
    SelectNth(first, nth, last, spare, [](const Point& point) { return point.position.y; });
  } else {
    SelectNth(first, nth, last, spare, [](const Point& point) { return point.position.z; });
  }

  Branch branch{};
  branch.parent = parent;
  Vector3 sideLows[2];
  Vector3 sideHighs[2];
  const int32_t ranges[3] = {begin, middle, end};
  for (int side = 0; side < 2; ++side) {
    Vector3 sideLow = points[static_cast<std::size_t>(ranges[side])].position;
    Vector3 sideHigh = sideLow;
    for (int32_t k = ranges[side] + 1; k < ranges[side + 1]; ++k) {
      sideLow = Lesser(sideLow, points[static_cast<std::size_t>(k)].position);
      sideHigh = Greater(sideHigh, points[static_cast<std::size_t>(k)].position);
    }
    sideLows[side] = sideLow;
    sideHighs[side] = sideHigh;
    for (int a = 0; a < 3; ++a) {
      branch.low[a][side] = Coordinate(sideLow, a);
      branch.high[a][side] = Coordinate(sideHigh, a);
    }
  }
  const auto self = static_cast<Reference>(nodes.branches.size());
  nodes.branches.push_back(branch);
  for (int side = 0; side < 2; ++side) {
    Reference child = 0;
    if (deferDepth == 0) {
      // Built apart later; its place here is filled when it is joined.
      deferred->push_back(
          Subtree{ranges[side], ranges[side + 1], sideLows[side], sideHighs[side], self, side});
    } else {
      child = Build(points, scratch, ranges[side], ranges[side + 1], sideLows[side],
                    sideHighs[side], self, nodes, deferDepth - 1, deferred);
    }
    nodes.branches[static_cast<std::size_t>(self)].child[side] = child;
  }
  return self;
}

void NearestTree::FindNearest(const Vector3& query, Scratch& scratch, NearestFound& found) const {
  found.count = 0;
  if (indices_.empty()) return;

  Search search(query);
  const auto leafCount = static_cast<int32_t>(leafParents_.size());
  if (scratch.startLeaf < 0 || scratch.startLeaf >= leafCount) {
    Descend(root_, search);
  } else {
    // The start leaf, then the sibling of every node on the way up to the root.
    Reference node = ~scratch.startLeaf;
    int32_t parent = leafParents_[static_cast<std::size_t>(scratch.startLeaf)];
    ScanLeaf(scratch.startLeaf, search);
    while (parent >= 0) {
      const Branch& branch = branches_[static_cast<std::size_t>(parent)];
      const int sibling = branch.child[0] == node ? 1 : 0;
      float bounds[2];
      BoxBoundPair(query, branch.low, branch.high, bounds);
      if (!(bounds[sibling] > search.Limit())) {
        Descend(branch.child[sibling], search);
      }
      node = parent;
      parent = branch.parent;
    }
  }

  found.count = search.Count();
  for (int32_t k = 0; k < found.count; ++k) {
    found.entries[static_cast<std::size_t>(k)] =
        NearestEntry{search.indices[k], search.distances[k]};
  }
  scratch.startLeaf = search.leaves[0];
}

void NearestTree::Descend(Reference node, Search& search) const {
  // Children put off for later, each with its box bound at the time.
  struct Deferred {
    Reference node;
    float bound;
  };
  Deferred deferred[kMaxDepth];
  int deferredCount = 0;
  for (;;) {
    // Down to a leaf, nearer box first; the farther child waits unless it is already out of
    // reach.
    bool reached = true;
    while (node >= 0) {
      const Branch& branch = branches_[static_cast<std::size_t>(node)];
      float bounds[2];
      BoxBoundPair(search.query, branch.low, branch.high, bounds);
      const int nearer = bounds[1] < bounds[0] ? 1 : 0;
      const int farther = 1 - nearer;
      if (!(bounds[farther] > search.Limit())) {
        deferred[deferredCount++] = Deferred{branch.child[farther], bounds[farther]};
      }
      if (bounds[nearer] > search.Limit()) {
        reached = false;
        break;
      }
      node = branch.child[nearer];
    }
    if (reached) ScanLeaf(~node, search);

    // Back to the nearest deferred child still within reach, if any.
    bool resumed = false;
    while (!resumed && deferredCount > 0) {
      const Deferred& next = deferred[--deferredCount];
      resumed = !(next.bound > search.Limit());
      node = next.node;
    }
    if (!resumed) return;
  }
}

void NearestTree::ScanLeaf(int32_t leaf, Search& search) const {
  const auto begin = static_cast<std::size_t>(leafStarts_[static_cast<std::size_t>(leaf)]);
  const auto count =
      static_cast<std::size_t>(leafStarts_[static_cast<std::size_t>(leaf) + 1]) - begin;
  // Measure a full leaf's worth (the arrays run past the last point), then take the leaf's own.
  float distances[kLeafSize];
  for (std::size_t k = 0; k < static_cast<std::size_t>(kLeafSize); ++k) {
    distances[k] =
        SquaredDistance(search.query, Vector3{xs_[begin + k], ys_[begin + k], zs_[begin + k]});
  }
  // Only the points within the limit can be among the three least. They are picked out without
  // a branch per point, which would go either way at random; the limit falls as points are taken
  // in, and Offer checks again.
  static_assert(kLeafSize < 32, "a leaf's points fit in a mask");
  const uint32_t own = (1u << count) - 1;
  const auto withinLimit = [&distances, own](float limit) {
    return WithinMask(distances, limit) & own;
  };
  uint32_t within = withinLimit(search.Limit());
  // More than three of them: some bit is left once the lowest is cleared three times.
  uint32_t beyondThree = within;
  for (std::size_t k = 0; k < kNearestCount; ++k) beyondThree &= beyondThree - 1;
  if (beyondThree != 0) {
    // Offering every one of them, each after the last, takes long (a whole leaf at a query's
    // start): first the third least distance among them and those met is found without a branch,
    // and only the points within it are offered.
    float least[kNearestCount] = {search.distances[0], search.distances[1], search.distances[2]};
    for (std::size_t k = count; k < static_cast<std::size_t>(kLeafSize); ++k) {
      distances[k] = kUnbounded;
    }
    for (const float distance : distances) {
      const float first = least[0];
      const float second = least[1];
      least[0] = MinOf(first, distance);
      least[1] = MinOf(second, MaxOf(first, distance));
      least[2] = MinOf(least[2], MaxOf(second, distance));
    }
    within = withinLimit(least[2]);
  }
  while (within != 0) {
    const auto k = static_cast<std::size_t>(__builtin_ctz(within));
    within &= within - 1;
    search.Offer(distances[k], indices_[begin + k], leaf);
  }
}
