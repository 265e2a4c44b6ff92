// Plain arrays of the Source vertices a search may pick: each used vertex's index in the Source
// and its position as the host stores it, in increasing index order.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/host_api.h"

struct SourcePoints {
  std::vector<int32_t> indices;
  std::vector<MQPoint> positions;

  std::size_t size() const { return indices.size(); }
  void Add(int32_t index, const MQPoint& position) {
    indices.push_back(index);
    positions.push_back(position);
  }
};

inline bool IsFinitePoint(const MQPoint& point) {
  return std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z);
}

inline bool AllFinite(const std::vector<MQPoint>& points) {
  for (const MQPoint& point : points) {
    if (!IsFinitePoint(point)) return false;
  }
  return true;
}
