// Applying morphs: every morph object of a Destination moves each vertex by the
// inverse-square-distance weighted mean of the displacements (target minus base) of the vertex's
// nearest Source vertices in its own target (Palisor::ApplyMorphs). The blend and the position
// arithmetic it uses stay finite for finite input.
#pragma once

#include <cmath>
#include <limits>

#include "host/host_api.h"
#include "search/nearest_search.h"

// Position arithmetic that stays finite: a sum or difference of finite floats beyond the float
// range becomes the largest finite float of its sign, the nearest a 32-bit position can come to
// it. Every result within the range is the plain float sum or difference, bit for bit.
inline float Saturated(float value) {
  if (!std::isinf(value)) return value;
  return std::copysign(std::numeric_limits<float>::max(), value);
}

// a - b componentwise.
inline MQPoint SaturatedDifference(const MQPoint& a, const MQPoint& b) {
  return MQPoint{Saturated(a.x - b.x), Saturated(a.y - b.y), Saturated(a.z - b.z)};
}

// a + b componentwise.
inline MQPoint SaturatedSum(const MQPoint& a, const MQPoint& b) {
  return MQPoint{Saturated(a.x + b.x), Saturated(a.y + b.y), Saturated(a.z + b.z)};
}

// The same weighted mean with weights and sums in double precision, rounded to float once at the
// end. For finite displacements and weights no step overflows, and the mean lies between the
// displacements, so it is finite.
template <class DisplacementOf>
MQPoint BlendInDoublePrecision(const NearestList& nearest, DisplacementOf&& displacementOf) {
  double weightSum = 0.0;
  double sum[3] = {0.0, 0.0, 0.0};
  for (const NearestEntry& entry : nearest) {
    const double weight = 1.0 / static_cast<double>(entry.squaredDistance);
    weightSum = weightSum + weight;
    const MQPoint displacement = displacementOf(entry.sourceIndex);
    sum[0] = sum[0] + static_cast<double>(displacement.x) * weight;
    sum[1] = sum[1] + static_cast<double>(displacement.y) * weight;
    sum[2] = sum[2] + static_cast<double>(displacement.z) * weight;
  }
  if (weightSum != 0.0) {
    for (double& component : sum) component = component / weightSum;
  }
  return MQPoint{static_cast<float>(sum[0]), static_cast<float>(sum[1]),
                 static_cast<float>(sum[2])};
}

// The blend itself, whatever supplies the displacements: displacementOf(j) is Source vertex j's
// displacement (target minus base), asked only for the entries the blend looks at.
//
// A Source vertex so near that its weight 1/d overflows is, in 32-bit floats, indistinguishable
// from an exact hit and takes all the same way. Where the weighted sums overflow although every
// weight is finite, the weighted mean is taken in double precision instead, so that finite
// displacements always give a finite delta; every result the float sums give without overflowing
// stays as it is.
template <class DisplacementOf>
MQPoint BlendDisplacements(const NearestList& nearest, DisplacementOf&& displacementOf) {
  if (nearest.empty()) return MQPoint{0.0f, 0.0f, 0.0f};

  float weightSum = 0.0f;
  MQPoint sum{0.0f, 0.0f, 0.0f};
  for (const NearestEntry& entry : nearest) {
    if (entry.squaredDistance == 0.0f) return displacementOf(entry.sourceIndex);
    const float weight = 1.0f / entry.squaredDistance;
    // The list is sorted, so only its first entry can get here.
    if (std::isinf(weight)) return displacementOf(entry.sourceIndex);
    weightSum = weightSum + weight;
    const MQPoint displacement = displacementOf(entry.sourceIndex);
    sum.x = sum.x + displacement.x * weight;
    sum.y = sum.y + displacement.y * weight;
    sum.z = sum.z + displacement.z * weight;
  }
  if (!std::isfinite(weightSum) || !std::isfinite(sum.x) || !std::isfinite(sum.y) ||
      !std::isfinite(sum.z)) {
    return BlendInDoublePrecision(nearest, displacementOf);
  }
  // Weights can all vanish only for infinitely distant vertices; the sum is then taken as it is.
  if (weightSum == 0.0f) return sum;
  return MQPoint{sum.x / weightSum, sum.y / weightSum, sum.z / weightSum};
}
