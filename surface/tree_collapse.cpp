// Collapsing the binary tree as built into the four-way tree the search walks: each node takes
// its two children, then again and again splits the child branch of largest surface area into its
// two, up to four. The boxes are the built ones, along the world's axes, taken relative to the
// centre of the node and rounded outwards (outward_rounding.h), so that every box still holds
// every point of the triangles below it exactly (see frame_bound.h); FitFrames may turn them
// later.
#include <algorithm>
#include <cmath>
#include <limits>

#include "surface/outward_rounding.h"
#include "surface/triangle_tree.h"

namespace {

struct Slot {
  TriangleTree::Reference node;
  float low[3];
  float high[3];
};

Slot ChildSlot(const TriangleTree::Branch& branch, int side) {
  Slot slot{branch.child[side], {}, {}};
  for (int axis = 0; axis < 3; ++axis) {
    slot.low[axis] = branch.low[axis][side];
    slot.high[axis] = branch.high[axis][side];
  }
  return slot;
}

// Half the surface area, in double so that huge finite boxes do not overflow.
double HalfArea(const Slot& slot) {
  const double dx = double{slot.high[0]} - slot.low[0];
  const double dy = double{slot.high[1]} - slot.low[1];
  const double dz = double{slot.high[2]} - slot.low[2];
  return dx * dy + dy * dz + dz * dx;
}

// The boxes of the slots, along the world's axes, relative to the centre of all of them. An
// unused place has an empty box; the search does not look at it.
void SetWorldBoxes(const Slot (&slots)[4], int count, TriangleTree::WideBranch& branch) {
  for (int axis = 0; axis < 3; ++axis) {
    float low = slots[0].low[axis];
    float high = slots[0].high[axis];
    for (int k = 1; k < count; ++k) {
      low = std::min(low, slots[k].low[axis]);
      high = std::max(high, slots[k].high[axis]);
    }
    const double centre = static_cast<float>((double{low} + double{high}) * 0.5);
    branch.frame.origin[axis] = static_cast<float>(centre);
    for (int other = 0; other < 3; ++other)
      branch.frame.axes[axis][other] = axis == other ? 1.0f : 0.0f;
    for (int k = 0; k < 4; ++k) {
      const double lowOffset = k < count ? slots[k].low[axis] - centre : 0.0;
      const double highOffset = k < count ? slots[k].high[axis] - centre : 0.0;
      branch.low[axis][k] = FloatBelow(lowOffset, std::fabs(lowOffset) + std::fabs(centre));
      branch.high[axis][k] = FloatAbove(highOffset, std::fabs(highOffset) + std::fabs(centre));
    }
  }
}

}  // namespace

TriangleTree::Reference TriangleTree::Collapse(const Nodes& built, Reference node) {
  if (node < 0) return node;
  const Branch& branch = built.branches[static_cast<std::size_t>(node)];
  Slot slots[4] = {ChildSlot(branch, 0), ChildSlot(branch, 1), {}, {}};
  int count = 2;
  while (count < 4) {
    int widest = -1;
    double widestArea = -1.0;
    for (int k = 0; k < count; ++k) {
      if (slots[k].node >= 0 && HalfArea(slots[k]) > widestArea) {
        widest = k;
        widestArea = HalfArea(slots[k]);
      }
    }
    if (widest < 0) break;
    const Branch& split = built.branches[static_cast<std::size_t>(slots[widest].node)];
    slots[widest] = ChildSlot(split, 0);
    slots[count++] = ChildSlot(split, 1);
  }
  const std::size_t self = wide_.size();
  wide_.push_back(WideBranch{});
  wide_[self].count = count;
  SetWorldBoxes(slots, count, wide_[self]);
  for (int k = 0; k < count; ++k) {
    const Reference child = Collapse(built, slots[k].node);
    wide_[self].child[k] = child;
  }
  return static_cast<Reference>(self);
}
