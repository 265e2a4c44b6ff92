#include "tool/kd_tree.h"

#include <algorithm>
#include <limits>

namespace {

// Few enough points per leaf that a leaf fits a cache line or two.
constexpr int32_t kLeafSize = 8;

constexpr float kUnbounded = std::numeric_limits<float>::infinity();

float Coordinate(const MQPoint& point, int axis) {
  return axis == 0 ? point.x : (axis == 1 ? point.y : point.z);
}

}  // namespace

struct NearestTree::Search {
  MQPoint query;
  Scratch& scratch;
  // The pruning list's third distance, or +infinity while it holds fewer than three entries.
  float limit;
};

NearestTree::NearestTree(const SourcePoints& source) {
  const auto count = static_cast<int32_t>(source.size());
  if (count == 0) return;
  std::vector<int32_t> order(source.size());
  for (int32_t k = 0; k < count; ++k) order[static_cast<std::size_t>(k)] = k;
  nodes_.reserve(static_cast<std::size_t>(2 * (count / kLeafSize) + 1));
  BuildNode(order, source, 0, count);

  xs_.resize(source.size());
  ys_.resize(source.size());
  zs_.resize(source.size());
  indices_.resize(source.size());
  for (std::size_t k = 0; k < source.size(); ++k) {
    const auto from = static_cast<std::size_t>(order[k]);
    xs_[k] = source.positions[from].x;
    ys_[k] = source.positions[from].y;
    zs_[k] = source.positions[from].z;
    indices_[k] = source.indices[from];
  }
}

int32_t NearestTree::BuildNode(std::vector<int32_t>& order, const SourcePoints& source,
                               int32_t begin, int32_t end) {
  MQPoint low = source.positions[static_cast<std::size_t>(order[static_cast<std::size_t>(begin)])];
  MQPoint high = low;
  for (int32_t k = begin + 1; k < end; ++k) {
    const MQPoint& p =
        source.positions[static_cast<std::size_t>(order[static_cast<std::size_t>(k)])];
    low.x = std::min(low.x, p.x);
    low.y = std::min(low.y, p.y);
    low.z = std::min(low.z, p.z);
    high.x = std::max(high.x, p.x);
    high.y = std::max(high.y, p.y);
    high.z = std::max(high.z, p.z);
  }

  const auto self = static_cast<int32_t>(nodes_.size());
  nodes_.push_back(Node{low, high, begin, end, 0});
  if (end - begin <= kLeafSize) return self;

  // Split the widest side at the median; the extents are taken in double so that huge finite
  // coordinates do not overflow. Which side is split changes the speed only.
  const double extents[3] = {double{high.x} - low.x, double{high.y} - low.y,
                             double{high.z} - low.z};
  int axis = 0;
  if (extents[1] > extents[axis]) axis = 1;
  if (extents[2] > extents[axis]) axis = 2;
  const int32_t middle = begin + (end - begin) / 2;
  std::nth_element(order.begin() + begin, order.begin() + middle, order.begin() + end,
                   [&](int32_t a, int32_t b) {
                     return Coordinate(source.positions[static_cast<std::size_t>(a)], axis) <
                            Coordinate(source.positions[static_cast<std::size_t>(b)], axis);
                   });
  BuildNode(order, source, begin, middle);
  const int32_t right = BuildNode(order, source, middle, end);
  nodes_[static_cast<std::size_t>(self)].right = right;
  return self;
}

void NearestTree::FindNearest(const MQPoint& query, Scratch& scratch, NearestList& list) const {
  list.clear();
  scratch.pruning.clear();
  scratch.accepted.clear();
  if (nodes_.empty()) return;

  Search search{query, scratch, kUnbounded};
  Visit(0, search);

  // Every point at distance <= tau has been accepted, and now tau == limit; offer exactly those
  // in increasing index order.
  std::vector<NearestEntry>& accepted = scratch.accepted;
  const float limit = search.limit;
  const auto kept =
      std::remove_if(accepted.begin(), accepted.end(),
                     [limit](const NearestEntry& entry) { return entry.squaredDistance > limit; });
  std::sort(accepted.begin(), kept, [](const NearestEntry& a, const NearestEntry& b) {
    return a.sourceIndex < b.sourceIndex;
  });
  for (auto entry = accepted.begin(); entry != kept; ++entry) {
    InsertNearest(list, entry->sourceIndex, entry->squaredDistance);
  }
}

void NearestTree::Visit(int32_t node, Search& search) const {
  const Node& current = nodes_[static_cast<std::size_t>(node)];
  if (current.right == 0) {
    ScanLeaf(current, search);
    return;
  }
  int32_t nearer = node + 1;
  int32_t farther = current.right;
  const Node& left = nodes_[static_cast<std::size_t>(nearer)];
  const Node& right = nodes_[static_cast<std::size_t>(farther)];
  float nearerBound = BoxBound(search.query, left.low, left.high);
  float fartherBound = BoxBound(search.query, right.low, right.high);
  if (fartherBound < nearerBound) {
    std::swap(nearer, farther);
    std::swap(nearerBound, fartherBound);
  }
  if (!(nearerBound > search.limit)) Visit(nearer, search);
  if (!(fartherBound > search.limit)) Visit(farther, search);
}

void NearestTree::ScanLeaf(const Node& leaf, Search& search) const {
  for (int32_t k = leaf.begin; k < leaf.end; ++k) {
    const auto at = static_cast<std::size_t>(k);
    const float distance = SquaredDistance(search.query, MQPoint{xs_[at], ys_[at], zs_[at]});
    if (distance > search.limit) continue;
    NearestList& pruning = search.scratch.pruning;
    InsertNearest(pruning, indices_[at], distance);
    search.scratch.accepted.push_back(NearestEntry{indices_[at], distance});
    if (pruning.size() == kNearestCount) search.limit = pruning.back().squaredDistance;
  }
}
