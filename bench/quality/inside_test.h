// Whether points lie inside a closed triangle mesh, by its generalized winding number (the
// transfer library's WindingTree: far parts by their expansion, near triangles summed exactly):
// inside where it is at least one half. Faces split along seams and parts that run into one
// another are judged as they are.
#pragma once

#include <cstdint>
#include <vector>

#include "quality/vector3d.h"
#include "surface_transfer/winding_tree.h"

class InsideTest {
 public:
  InsideTest(const std::vector<Vector3>& positions, const std::vector<uint32_t>& triangles);
  // The point as the host would hold it, in floats.
  bool Inside(const Vector3& point) const;

 private:
  WindingTree tree_;
};
