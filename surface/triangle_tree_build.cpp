// Building the tree: binned surface-area splits from the top, median splits below a depth that
// keeps the tree shallow, and the subtrees below the top levels built apart on all threads. Where
// the tree splits changes the speed only (see triangle_tree.h).
#include <algorithm>
#include <limits>

#include "parallel/parallel_chunks.h"
#include "surface/mesh_triangles.h"
#include "surface/triangle_tree.h"

namespace {

using Reference = TriangleTree::Reference;

// One triangle while building: its bounding box, the box's centre, its index in the mesh.
struct BuildItem {
  Vector3 low;
  Vector3 high;
  Vector3 centre;
  int32_t index;
};

struct Box {
  Vector3 low;
  Vector3 high;
};

constexpr int kBinCount = 16;
// Surface-area splits can peel off a few triangles at a time; below this depth the splits are at
// the median, so that no tree is deeper than this plus 31 and a walk's stack stays small.
constexpr int kAreaSplitDepth = 48;
// From this many triangles on, the subtrees this many levels below the root are built apart.
constexpr std::size_t kApartMinimum = std::size_t{1} << 15;
constexpr int kApartDepth = 3;

Box EmptyBox() {
  constexpr float kHuge = std::numeric_limits<float>::infinity();
  return Box{Vector3{kHuge, kHuge, kHuge}, Vector3{-kHuge, -kHuge, -kHuge}};
}

void Grow(Box& box, const Vector3& low, const Vector3& high) {
  box.low = Lowest(box.low, low);
  box.high = Highest(box.high, high);
}

double Coordinate(const Vector3& point, int axis) {
  return axis == 0 ? point.x : (axis == 1 ? point.y : point.z);
}

// Half the surface area, in double so that huge finite boxes do not overflow; 0 for no box.
double HalfArea(const Box& box) {
  if (box.low.x > box.high.x) return 0.0;
  const double dx = double{box.high.x} - box.low.x;
  const double dy = double{box.high.y} - box.low.y;
  const double dz = double{box.high.z} - box.low.z;
  return dx * dy + dy * dz + dz * dx;
}

Box BoxOf(const BuildItem* first, const BuildItem* last) {
  Box box = EmptyBox();
  for (const BuildItem* item = first; item != last; ++item) Grow(box, item->low, item->high);
  return box;
}

Box CentreBox(const BuildItem* first, const BuildItem* last) {
  Box box = EmptyBox();
  for (const BuildItem* item = first; item != last; ++item) Grow(box, item->centre, item->centre);
  return box;
}

// One bin of centres along an axis: how many items, the box of their triangles and the box of
// their centres.
struct Bin {
  int32_t count = 0;
  Box box = EmptyBox();
  Box centres = EmptyBox();

  void Add(const Bin& other) {
    count += other.count;
    Grow(box, other.box.low, other.box.high);
    Grow(centres, other.centres.low, other.centres.high);
  }
};

// A split of items in two non-empty parts: where the second starts, and each part's boxes.
struct Split {
  BuildItem* middle;
  Box boxes[2];
  Box centres[2];
};

// The axis along which the centres spread widest.
int WidestAxis(const Box& centres) {
  int axis = 0;
  for (int other = 1; other < 3; ++other) {
    const double spread = Coordinate(centres.high, other) - Coordinate(centres.low, other);
    if (spread > Coordinate(centres.high, axis) - Coordinate(centres.low, axis)) axis = other;
  }
  return axis;
}

// The bins of the centres along one axis, filled in one pass over the items.
struct AxisBins {
  int axis;
  double low;
  double scale;
  Bin bins[kBinCount];

  AxisBins(const BuildItem* first, const BuildItem* last, const Box& centres, int binnedAxis)
      : axis(binnedAxis), low(Coordinate(centres.low, binnedAxis)) {
    const double extent = Coordinate(centres.high, axis) - low;
    scale = extent > 0.0 ? kBinCount / extent : 0.0;
    for (const BuildItem* item = first; item != last; ++item) {
      Bin& bin = bins[BinOf(item->centre)];
      ++bin.count;
      Grow(bin.box, item->low, item->high);
      Grow(bin.centres, item->centre, item->centre);
    }
  }

  int BinOf(const Vector3& centre) const {
    const double bin = (Coordinate(centre, axis) - low) * scale;
    return static_cast<int>(std::min(std::max(bin, 0.0), double{kBinCount - 1}));
  }
};

// The cheapest split by surface area over the bins of the axis along which the centres spread
// widest, or none (middle null) where they all lie in one bin.
Split FindAreaSplit(BuildItem* first, BuildItem* last, const Box& centres) {
  const AxisBins binned(first, last, centres, WidestAxis(centres));
  double afterCost[kBinCount] = {};
  Bin after;
  for (int bin = kBinCount - 1; bin > 0; --bin) {
    after.Add(binned.bins[bin]);
    afterCost[bin] = HalfArea(after.box) * after.count;
  }
  double bestCost = std::numeric_limits<double>::infinity();
  int bestLastBin = -1;
  Bin before;
  for (int bin = 0; bin + 1 < kBinCount; ++bin) {
    before.Add(binned.bins[bin]);
    const double cost = HalfArea(before.box) * before.count + afterCost[bin + 1];
    if (before.count > 0 && before.count < last - first && cost < bestCost) {
      bestCost = cost;
      bestLastBin = bin;
    }
  }
  Split split{nullptr, {}, {}};
  if (bestLastBin < 0) return split;
  Bin parts[2];
  for (int bin = 0; bin < kBinCount; ++bin) parts[bin > bestLastBin].Add(binned.bins[bin]);
  for (int side = 0; side < 2; ++side) {
    split.boxes[side] = parts[side].box;
    split.centres[side] = parts[side].centres;
  }
  split.middle = std::partition(
      first, last, [&](const BuildItem& item) { return binned.BinOf(item.centre) <= bestLastBin; });
  return split;
}

// Splits the items in two non-empty parts whose centres span `centres`.
Split SplitItems(BuildItem* first, BuildItem* last, const Box& centres, int depth) {
  if (depth < kAreaSplitDepth) {
    const Split split = FindAreaSplit(first, last, centres);
    if (split.middle != nullptr) return split;
  }
  // The median along the widest spread of centres; equal centres by mesh index.
  const int axis = WidestAxis(centres);
  BuildItem* const middle = first + (last - first) / 2;
  std::nth_element(first, middle, last, [axis](const BuildItem& a, const BuildItem& b) {
    const double ca = Coordinate(a.centre, axis);
    const double cb = Coordinate(b.centre, axis);
    return ca < cb || (ca == cb && a.index < b.index);
  });
  return Split{middle,
               {BoxOf(first, middle), BoxOf(middle, last)},
               {CentreBox(first, middle), CentreBox(middle, last)}};
}

// A subtree whose building is put off, to be built apart and joined below `parent`.
struct Subtree {
  int32_t begin;
  int32_t end;
  Box centres;
  int depth;
  int32_t parent;
  int side;
};

// Builds the subtree over items[begin, end), whose centres span `centres`, into `nodes`, depth
// first. Children `deferDepth` levels below this one that are more than a leaf are not built but
// noted in `deferred`.
Reference Build(std::vector<BuildItem>& items, int32_t begin, int32_t end, const Box& centres,
                int depth, TriangleTree::Nodes& nodes, int deferDepth,
                std::vector<Subtree>* deferred) {
  if (end - begin <= TriangleTree::kLeafSize) {
    nodes.leaves.push_back(TriangleTree::Leaf{begin, end - begin});
    return ~static_cast<Reference>(nodes.leaves.size() - 1);
  }
  const Split split = SplitItems(items.data() + begin, items.data() + end, centres, depth);
  const auto middle = static_cast<int32_t>(split.middle - items.data());
  const int32_t ranges[3] = {begin, middle, end};
  TriangleTree::Branch branch{};
  for (int side = 0; side < 2; ++side) {
    const Box& box = split.boxes[side];
    const float lows[3] = {box.low.x, box.low.y, box.low.z};
    const float highs[3] = {box.high.x, box.high.y, box.high.z};
    for (int axis = 0; axis < 3; ++axis) {
      branch.low[axis][side] = lows[axis];
      branch.high[axis][side] = highs[axis];
    }
  }
  const auto self = static_cast<Reference>(nodes.branches.size());
  nodes.branches.push_back(branch);
  for (int side = 0; side < 2; ++side) {
    Reference child = 0;
    if (deferDepth == 0 && ranges[side + 1] - ranges[side] > TriangleTree::kLeafSize) {
      // Built apart later; its place here is filled when it is joined.
      deferred->push_back(
          Subtree{ranges[side], ranges[side + 1], split.centres[side], depth + 1, self, side});
    } else {
      child = Build(items, ranges[side], ranges[side + 1], split.centres[side], depth + 1, nodes,
                    deferDepth - 1, deferred);
    }
    nodes.branches[static_cast<std::size_t>(self)].child[side] = child;
  }
  return self;
}

std::vector<BuildItem> TakingPart(const float* positions, const uint32_t* corners,
                                  std::size_t triangleCount) {
  std::vector<BuildItem> items;
  items.reserve(triangleCount);
  for (std::size_t triangle = 0; triangle < triangleCount; ++triangle) {
    const TriangleCorners c = CornersOf(positions, corners, triangle);
    if (!TakesPart(c)) continue;
    const Vector3 low = Lowest(Lowest(c.a, c.b), c.c);
    const Vector3 high = Highest(Highest(c.a, c.b), c.c);
    const auto middle = [](float a, float b) {
      return static_cast<float>((double{a} + double{b}) * 0.5);
    };
    const Vector3 centre{middle(low.x, high.x), middle(low.y, high.y), middle(low.z, high.z)};
    items.push_back(BuildItem{low, high, centre, static_cast<int32_t>(triangle)});
  }
  return items;
}

}  // namespace

TriangleTree::TriangleTree(const float* positions, const uint32_t* corners,
                           std::size_t triangleCount, unsigned threadCount) {
  std::vector<BuildItem> items = TakingPart(positions, corners, triangleCount);
  if (items.empty()) return;
  const auto count = static_cast<int32_t>(items.size());

  // Large trees: the top levels here, then the subtrees below them apart, on all threads, joined
  // in order. The same tree is built whatever the number of threads.
  Nodes top;
  std::vector<Subtree> subtrees;
  const bool apart = items.size() >= kApartMinimum;
  const Box centres = CentreBox(items.data(), items.data() + count);
  top.root = Build(items, 0, count, centres, 0, top, apart ? kApartDepth - 1 : -1, &subtrees);
  std::vector<Nodes> parts(subtrees.size());
  RunInChunks(subtrees.size(), threadCount, 1, [&](std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      const Subtree& subtree = subtrees[k];
      parts[k].root = Build(items, subtree.begin, subtree.end, subtree.centres, subtree.depth,
                            parts[k], -1, nullptr);
    }
  });
  Join(top, -1, 0);
  for (std::size_t k = 0; k < subtrees.size(); ++k) {
    Join(parts[k], subtrees[k].parent, subtrees[k].side);
  }
  wide_.reserve(nodes_.branches.size() / 2 + 1);
  wideRoot_ = Collapse(nodes_, nodes_.root);
  nodes_.branches = std::vector<Branch>();

  triangles_.resize(items.size());
  RunInChunks(items.size(), threadCount, kApartMinimum, [&](std::size_t begin, std::size_t end) {
    for (std::size_t k = begin; k < end; ++k) {
      const auto triangle = static_cast<std::size_t>(items[k].index);
      const TriangleCorners stored = CornersOf(positions, corners, triangle);
      triangles_[k] = StoredTriangle{stored, static_cast<uint32_t>(items[k].index),
                                     IsWideAtCornerA(stored) ? 1u : 0u};
    }
  });
  FitFrames(threadCount);
}

void TriangleTree::Join(const Nodes& part, int32_t parent, int side) {
  const auto branchOffset = static_cast<Reference>(nodes_.branches.size());
  const auto leafOffset = static_cast<Reference>(nodes_.leaves.size());
  const auto moved = [&](Reference node) {
    return node >= 0 ? node + branchOffset : ~(~node + leafOffset);
  };
  for (Branch branch : part.branches) {
    branch.child[0] = moved(branch.child[0]);
    branch.child[1] = moved(branch.child[1]);
    nodes_.branches.push_back(branch);
  }
  nodes_.leaves.insert(nodes_.leaves.end(), part.leaves.begin(), part.leaves.end());
  if (parent < 0) {
    nodes_.root = moved(part.root);
  } else {
    nodes_.branches[static_cast<std::size_t>(parent)].child[side] = moved(part.root);
  }
}
