// The displacement of one Destination vertex in one morph target: the inverse-square-distance
// weighted mean of the displacements of its nearest Source vertices.
#pragma once

#include "host/cmq_object.h"
#include "search/nearest_search.h"

// Reads Source vertex j and target vertex j for every listed Source vertex j. An entry at distance
// 0 takes all: its displacement is the delta, unweighted. An empty list gives (0, 0, 0). A Source
// vertex that the target lacks (the target has fewer vertices) shows no displacement: its target
// position is taken to be its base position.
MQPoint InterpolatedDelta(const NearestList& nearest, const cmq::CMQObject& source,
                          const cmq::CMQObject& target);

// The blend itself, whatever supplies the displacements: displacementOf(j) is Source vertex j's
// displacement (target minus base), asked only for the entries the blend looks at.
template <class DisplacementOf>
MQPoint BlendDisplacements(const NearestList& nearest, DisplacementOf&& displacementOf) {
  if (nearest.empty()) return MQPoint{0.0f, 0.0f, 0.0f};

  float weightSum = 0.0f;
  MQPoint sum{0.0f, 0.0f, 0.0f};
  for (const NearestEntry& entry : nearest) {
    if (entry.squaredDistance == 0.0f) return displacementOf(entry.sourceIndex);
    const float weight = 1.0f / entry.squaredDistance;
    weightSum = weightSum + weight;
    const MQPoint displacement = displacementOf(entry.sourceIndex);
    sum.x = sum.x + displacement.x * weight;
    sum.y = sum.y + displacement.y * weight;
    sum.z = sum.z + displacement.z * weight;
  }
  // Weights can all vanish only for infinitely distant vertices; the sum is then taken as it is.
  if (weightSum == 0.0f) return sum;
  return MQPoint{sum.x / weightSum, sum.y / weightSum, sum.z / weightSum};
}
