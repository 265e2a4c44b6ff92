#include "search/morton_order.h"

#include <algorithm>
#include <array>
#include <limits>

#include "search/finite_points.h"

namespace {

// 1024 cells a side: finer than the cache cares about.
constexpr int kBitsPerAxis = 10;
constexpr uint32_t kCellsPerAxis = 1u << kBitsPerAxis;
constexpr int kDigitBits = 10;
constexpr uint32_t kDigits = 1u << kDigitBits;

// Spreads the low 10 bits of `value` to every third bit.
uint32_t SpreadBits(uint32_t value) {
  value &= 0x3FF;
  value = (value | value << 16) & 0x030000FF;
  value = (value | value << 8) & 0x0300F00F;
  value = (value | value << 4) & 0x030C30C3;
  value = (value | value << 2) & 0x09249249;
  return value;
}

// The cell of `value` along an axis from `low` spanning `extent`, in double so that nothing
// overflows for huge coordinates.
uint32_t Cell(float value, double low, double extent) {
  if (!(extent > 0.0)) return 0;
  const double cell = (double{value} - low) / extent * kCellsPerAxis;
  return static_cast<uint32_t>(std::clamp(cell, 0.0, double{kCellsPerAxis - 1}));
}

}  // namespace

std::vector<int32_t> MortonOrder(const std::vector<Vector3>& points) {
  double low[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::max()};
  double high[3] = {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest(),
                    std::numeric_limits<double>::lowest()};
  for (const Vector3& point : points) {
    if (!IsFinite(point)) continue;
    const double coordinates[3] = {point.x, point.y, point.z};
    for (int axis = 0; axis < 3; ++axis) {
      low[axis] = std::min(low[axis], coordinates[axis]);
      high[axis] = std::max(high[axis], coordinates[axis]);
    }
  }

  // Cubic cells, the bounding box's longest side divided evenly on every axis: points in one cell
  // are near one another whatever the proportions of the shape. (Scaling each axis apart would
  // make the cells of a long thin shape long and thin too, and consecutive points far apart.)
  double extent = 0.0;
  for (int axis = 0; axis < 3; ++axis) extent = std::max(extent, high[axis] - low[axis]);

  std::vector<uint32_t> keys;
  std::vector<int32_t> order;
  std::vector<int32_t> nonFinite;
  keys.reserve(points.size());
  order.reserve(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) {
    const Vector3& point = points[k];
    if (!IsFinite(point)) {
      nonFinite.push_back(static_cast<int32_t>(k));
      continue;
    }
    keys.push_back(SpreadBits(Cell(point.x, low[0], extent)) |
                   SpreadBits(Cell(point.y, low[1], extent)) << 1 |
                   SpreadBits(Cell(point.z, low[2], extent)) << 2);
    order.push_back(static_cast<int32_t>(k));
  }

  // A stable radix sort, ten bits at a time from the lowest: equal keys keep increasing index.
  std::vector<uint32_t> sortedKeys(keys.size());
  std::vector<int32_t> sortedOrder(order.size());
  for (int shift = 0; shift < 3 * kBitsPerAxis; shift += kDigitBits) {
    std::array<std::size_t, kDigits + 1> starts{};
    for (uint32_t key : keys) ++starts[((key >> shift) & (kDigits - 1)) + 1];
    for (uint32_t digit = 0; digit < kDigits; ++digit) starts[digit + 1] += starts[digit];
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const std::size_t to = starts[(keys[k] >> shift) & (kDigits - 1)]++;
      sortedKeys[to] = keys[k];
      sortedOrder[to] = order[k];
    }
    keys.swap(sortedKeys);
    order.swap(sortedOrder);
  }

  order.insert(order.end(), nonFinite.begin(), nonFinite.end());
  return order;
}
