// Whether coordinates are finite: the tree takes finite points only.
#pragma once

#include <cmath>
#include <vector>

#include "search/nearest_search.h"

inline bool IsFinitePoint(const SearchPoint& point) {
  return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

inline bool AllFinite(const std::vector<SearchPoint>& points) {
  for (const SearchPoint& point : points) {
    if (!IsFinitePoint(point)) return false;
  }
  return true;
}
