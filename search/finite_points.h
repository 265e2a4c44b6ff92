// Whether coordinates are finite: the tree takes finite points only.
#pragma once

#include <vector>

#include "geometry/vector3.h"

inline bool AllFinite(const std::vector<Vector3>& points) {
  for (const Vector3& point : points) {
    if (!IsFinite(point)) return false;
  }
  return true;
}
