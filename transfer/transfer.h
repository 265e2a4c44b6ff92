// Morph transfer over plain arrays: for every Destination vertex, the delta that each morph target
// gives it, by the plug-in's rule (the three nearest used Source vertices at rest positions, their
// displacements blended by inverse squared distance; see interpolated_delta.h). Knows nothing of
// the host, so that its work can go to worker threads; the plug-in reads the host on the host's
// thread and hands the arrays here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/nearest_search.h"

// One morph target's displacements (target minus base), one per Source vertex in the Source's
// order. A target with fewer vertices than the Source has fewer: its missing vertices show no
// displacement.
struct TargetDisplacements {
  const Vector3* displacements;
  std::size_t count;

  Vector3 Of(int32_t sourceIndex) const {
    const auto at = static_cast<std::size_t>(sourceIndex);
    if (sourceIndex < 0 || at >= count) return Vector3{0.0f, 0.0f, 0.0f};
    return displacements[at];
  }
};

// A whole transfer's input. A mask holds one byte per vertex, non-zero for a vertex that takes
// part; a null mask lets every vertex take part.
struct TransferScene {
  // The Source's rest positions, all of its vertices; only the used ones supply motion. Fewer
  // than 2^31 vertices.
  const Vector3* sourcePositions = nullptr;
  std::size_t sourceCount = 0;
  const uint8_t* sourceUsed = nullptr;
  // Each target's displacements.
  const TargetDisplacements* targets = nullptr;
  std::size_t targetCount = 0;
  // The Destination's rest positions; only the masked vertices move.
  const Vector3* destinationPositions = nullptr;
  std::size_t destinationCount = 0;
  const uint8_t* destinationMask = nullptr;
};

// The used Source vertices with their indices, in increasing index.
SourcePoints UsedSourcePoints(const Vector3* positions, std::size_t count, const uint8_t* used);

// deltas[t][k] = the interpolated delta of list k in target t, for every list k below
// `listCount` and every target t; an empty list gives (0, 0, 0). Spread over up to
// `threadCount` threads (0: as many as the machine runs); the bits do not depend on the number.
void BlendTargets(const NearestFound* lists, std::size_t listCount,
                  const TargetDisplacements* targets, std::size_t targetCount,
                  Vector3* const* deltas, unsigned threadCount);

// deltas[t][i] = the delta of Destination vertex i in target t, for every Destination vertex
// (zero for the vertices the mask leaves out) and every target. Threads as for BlendTargets.
void TransferDisplacements(const TransferScene& scene, Vector3* const* deltas,
                           unsigned threadCount);

// As above, with the Source's search prepared beforehand over its used vertices (built once for
// many Destinations); the scene's Source fields are not read. The same deltas, bit for bit.
void TransferDisplacements(const PreparedNearestSearch& source, const TransferScene& scene,
                           Vector3* const* deltas, unsigned threadCount);
