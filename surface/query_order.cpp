#include "surface/query_order.h"

#include <algorithm>
#include <array>
#include <limits>

#include "geometry/vector3.h"

namespace {

// 1024 cells a side: finer than the cache cares about.
constexpr int kBitsPerAxis = 10;
constexpr uint32_t kCellsPerAxis = 1u << kBitsPerAxis;

// Spreads the low 10 bits of `value` to every third bit.
uint32_t SpreadBits(uint32_t value) {
  value &= 0x3FF;
  value = (value | value << 16) & 0x030000FF;
  value = (value | value << 8) & 0x0300F00F;
  value = (value | value << 4) & 0x030C30C3;
  value = (value | value << 2) & 0x09249249;
  return value;
}

// Sorts `order` by `keys` (30 bits), ten bits at a time from the lowest; stable.
void RadixSort(std::vector<uint32_t>& keys, std::vector<int32_t>& order) {
  constexpr uint32_t kDigits = 1u << kBitsPerAxis;
  std::vector<uint32_t> sortedKeys(keys.size());
  std::vector<int32_t> sortedOrder(order.size());
  for (int shift = 0; shift < 3 * kBitsPerAxis; shift += kBitsPerAxis) {
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
}

}  // namespace

std::vector<int32_t> FiniteQueriesInCurveOrder(const float* queries, std::size_t queryCount) {
  double low[3] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                   std::numeric_limits<double>::max()};
  double extent = 0.0;
  std::vector<int32_t> order;
  order.reserve(queryCount);
  for (std::size_t k = 0; k < queryCount; ++k) {
    if (!IsFinite(Vector3At(queries + 3 * k))) continue;
    order.push_back(static_cast<int32_t>(k));
    for (int axis = 0; axis < 3; ++axis)
      low[axis] = std::min(low[axis], double{queries[3 * k + axis]});
  }
  for (const int32_t query : order) {
    for (int axis = 0; axis < 3; ++axis) {
      extent = std::max(extent, queries[3 * static_cast<std::size_t>(query) + axis] - low[axis]);
    }
  }
  // Cubic cells, so that queries in one cell are near one another whatever the shape's
  // proportions.
  const auto cell = [&](float value, int axis) {
    if (!(extent > 0.0)) return 0u;
    const double at = (double{value} - low[axis]) / extent * kCellsPerAxis;
    return static_cast<uint32_t>(std::clamp(at, 0.0, double{kCellsPerAxis - 1}));
  };
  std::vector<uint32_t> keys(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) {
    const float* xyz = queries + 3 * static_cast<std::size_t>(order[k]);
    keys[k] = SpreadBits(cell(xyz[0], 0)) | SpreadBits(cell(xyz[1], 1)) << 1 |
              SpreadBits(cell(xyz[2], 2)) << 2;
  }
  RadixSort(keys, order);
  return order;
}
