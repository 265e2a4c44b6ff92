#include "tool/morton_order.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "tool/source_points.h"

namespace {

constexpr int kBitsPerAxis = 21;
constexpr double kCells = double{(1u << kBitsPerAxis) - 1};

// Spreads the low 21 bits of `value` to every third bit.
uint64_t SpreadBits(uint64_t value) {
  value &= 0x1FFFFF;
  value = (value | value << 32) & 0x1F00000000FFFFull;
  value = (value | value << 16) & 0x1F0000FF0000FFull;
  value = (value | value << 8) & 0x100F00F00F00F00Full;
  value = (value | value << 4) & 0x10C30C30C30C30C3ull;
  value = (value | value << 2) & 0x1249249249249249ull;
  return value;
}

// The cell of `value` along an axis from `low` spanning `extent`, in double so that nothing
// overflows for huge coordinates.
uint64_t Cell(float value, double low, double extent) {
  if (!(extent > 0.0)) return 0;
  const double cell = (double{value} - low) / extent * kCells;
  return static_cast<uint64_t>(std::clamp(cell, 0.0, kCells));
}

}  // namespace

std::vector<int32_t> MortonOrder(const std::vector<MQPoint>& points) {
  double low[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::max()};
  double high[3] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest(),
                    std::numeric_limits<double>::lowest()};
  for (const MQPoint& point : points) {
    if (!IsFinitePoint(point)) continue;
    const double coordinates[3] = {point.x, point.y, point.z};
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], coordinates[axis]);
      high[axis] = std::max(high[axis], coordinates[axis]);
    }
  }

  // Non-finite points take the highest key and so follow every finite point.
  std::vector<std::pair<uint64_t, int32_t>> keyed(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) {
    const MQPoint& point = points[k];
    uint64_t key = std::numeric_limits<uint64_t>::max();
    if (IsFinitePoint(point)) {
      key = SpreadBits(Cell(point.x, low[0], high[0] - low[0])) |
            SpreadBits(Cell(point.y, low[1], high[1] - low[1])) << 1 |
            SpreadBits(Cell(point.z, low[2], high[2] - low[2])) << 2;
    }
    keyed[k] = {key, static_cast<int32_t>(k)};
  }
  std::sort(keyed.begin(), keyed.end());

  std::vector<int32_t> order(points.size());
  for (std::size_t k = 0; k < keyed.size(); ++k) order[k] = keyed[k].second;
  return order;
}
