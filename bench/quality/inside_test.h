// Whether points lie inside a closed triangle mesh, by the parity of the crossings of a ray, in
// doubles. The ray leaves along a direction chosen askew to every axis (the mesh is turned so
// that it becomes the z axis), so that the rays of the scenes' points do not run through the
// edges and corners of meshes built on grids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "quality/vector3d.h"
#include "search/nearest_search.h"

class InsideTest {
 public:
  InsideTest(const std::vector<Vector3>& positions, const std::vector<uint32_t>& triangles);
  bool Inside(const Vector3d& point) const;

 private:
  struct Triangle {
    Vector3d corners[3];
    double lowX, highX, lowY, highY;
  };
  std::vector<Triangle> triangles_;
};
