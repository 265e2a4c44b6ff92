// The interpolated delta: a Destination vertex's delta is the inverse-square-distance weighted mean
// of the displacements (target minus base) of its nearest list, its nearest Source vertices. The
// one place where the plug-in and the transfer library do this arithmetic, in 32-bit floats in a
// fixed order, so that both give the same bits. The arithmetic stays finite for finite input.
//
// A point type here is any aggregate of three floats x, y, z (the host's positions, the search's
// points).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "search/nearest_search.h"

// Position arithmetic that stays finite: a sum or difference of finite floats beyond the float
// range becomes the largest finite float of its sign, the nearest a 32-bit position can come to
// it. Every result within the range is the plain float sum or difference, bit for bit.
inline float Saturated(float value) {
  if (!std::isinf(value)) return value;
  return std::copysign(std::numeric_limits<float>::max(), value);
}

// a - b componentwise.
template <class Point>
Point SaturatedDifference(const Point& a, const Point& b) {
  return Point{Saturated(a.x - b.x), Saturated(a.y - b.y), Saturated(a.z - b.z)};
}

// a + b componentwise.
template <class Point>
Point SaturatedSum(const Point& a, const Point& b) {
  return Point{Saturated(a.x + b.x), Saturated(a.y + b.y), Saturated(a.z + b.z)};
}

// The entries of a nearest list as the blend walks them.
struct NearestSpan {
  const NearestEntry* begin;
  const NearestEntry* end;

  NearestSpan(const NearestList& list) : begin(list.data()), end(list.data() + list.size()) {}
  NearestSpan(const NearestFound& found)
      : begin(found.entries.data()), end(found.entries.data() + found.count) {}
};

// Whether the blend takes entry's displacement whole and looks at nothing after it: an exact hit,
// or a Source vertex so near that its weight 1/d overflows, which in 32-bit floats is
// indistinguishable from an exact hit.
inline bool TakesAll(const NearestEntry& entry) {
  return entry.squaredDistance == 0.0f || std::isinf(1.0f / entry.squaredDistance);
}

// How many leading entries of the list the blend asks displacements of.
inline std::size_t BlendedEntryCount(NearestSpan nearest) {
  for (const NearestEntry* entry = nearest.begin; entry != nearest.end; ++entry) {
    if (TakesAll(*entry)) return static_cast<std::size_t>(entry - nearest.begin) + 1;
  }
  return static_cast<std::size_t>(nearest.end - nearest.begin);
}

// The same weighted mean with weights and sums in double precision, rounded to float once at the
// end. For finite displacements and weights no step overflows, and the mean lies between the
// displacements, so it is finite.
template <class DisplacementOf>
auto BlendInDoublePrecision(NearestSpan nearest, DisplacementOf&& displacementOf) {
  using Point = std::decay_t<decltype(displacementOf(int32_t{}))>;
  double weightSum = 0.0;
  double sum[3] = {0.0, 0.0, 0.0};
  for (const NearestEntry* entry = nearest.begin; entry != nearest.end; ++entry) {
    const double weight = 1.0 / static_cast<double>(entry->squaredDistance);
    weightSum = weightSum + weight;
    const Point displacement = displacementOf(entry->sourceIndex);
    sum[0] = sum[0] + static_cast<double>(displacement.x) * weight;
    sum[1] = sum[1] + static_cast<double>(displacement.y) * weight;
    sum[2] = sum[2] + static_cast<double>(displacement.z) * weight;
  }
  if (weightSum != 0.0) {
    for (double& component : sum) component = component / weightSum;
  }
  return Point{static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2])};
}

// The interpolated delta itself, whatever supplies the displacements: displacementOf(j) is Source
// vertex j's displacement (target minus base), asked only for the entries the blend looks at (the
// first BlendedEntryCount entries). An empty list gives (0, 0, 0).
//
// Where the weight sum overflows although every weight is finite, the weighted mean is taken in
// double precision instead; where only some component's weighted sum overflows, that component
// alone is. So finite displacements always give a finite delta, and every component that the
// float sums give without overflowing stays as it is.
template <class DisplacementOf>
auto InterpolatedDelta(NearestSpan nearest, DisplacementOf&& displacementOf) {
  using Point = std::decay_t<decltype(displacementOf(int32_t{}))>;
  if (nearest.begin == nearest.end) return Point{0.0f, 0.0f, 0.0f};

  float weightSum = 0.0f;
  Point sum{0.0f, 0.0f, 0.0f};
  for (const NearestEntry* entry = nearest.begin; entry != nearest.end; ++entry) {
    // The list is sorted, so such an entry stands first.
    if (TakesAll(*entry)) return displacementOf(entry->sourceIndex);
    const float weight = 1.0f / entry->squaredDistance;
    weightSum = weightSum + weight;
    const Point displacement = displacementOf(entry->sourceIndex);
    sum.x = sum.x + displacement.x * weight;
    sum.y = sum.y + displacement.y * weight;
    sum.z = sum.z + displacement.z * weight;
  }
  if (!std::isfinite(weightSum)) return BlendInDoublePrecision(nearest, displacementOf);
  // Weights can all vanish only for infinitely distant vertices; the sum is then taken as it is.
  Point blended = sum;
  if (weightSum != 0.0f) blended = Point{sum.x / weightSum, sum.y / weightSum, sum.z / weightSum};
  if (std::isfinite(sum.x) && std::isfinite(sum.y) && std::isfinite(sum.z)) return blended;

  const Point precise = BlendInDoublePrecision(nearest, displacementOf);
  if (!std::isfinite(sum.x)) blended.x = precise.x;
  if (!std::isfinite(sum.y)) blended.y = precise.y;
  if (!std::isfinite(sum.z)) blended.z = precise.z;
  return blended;
}
