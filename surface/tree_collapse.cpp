// Collapsing the binary tree as built into the four-way tree the search walks: each node takes
// its two children, then again and again splits the child branch of largest surface area into its
// two, up to four. The boxes are the built ones, so every box still holds the boxes of all
// triangles below it (see triangle_tree.h).
#include <limits>

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
  wide_[self].fitted = -1;
  for (int k = 0; k < 4; ++k) {
    for (int axis = 0; axis < 3; ++axis) {
      // An unused place has an empty box; the search does not look at it.
      wide_[self].low[axis][k] = k < count ? slots[k].low[axis] : 0.0f;
      wide_[self].high[axis][k] = k < count ? slots[k].high[axis] : 0.0f;
    }
  }
  for (int k = 0; k < count; ++k) {
    const Reference child = Collapse(built, slots[k].node);
    wide_[self].child[k] = child;
  }
  return static_cast<Reference>(self);
}
