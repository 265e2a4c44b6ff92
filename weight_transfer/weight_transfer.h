// Skin weights carried from the Source to the Destination: every Destination vertex gets the
// joints that move it and how much each does, taken from the Source's weights by one of three
// methods, so that a garment made for a character follows the character's bones.
//
//   nearest: the plug-in's rule applied to weights: the inverse-square-distance weighted mean of
//            the weights of the vertex's three nearest used Source vertices (an exact hit takes
//            that vertex's weights alone).
//   surface: the weights at the vertex's closest point on the Source's triangles, blended from
//            that triangle's corners by the point's barycentric weights.
//   robust:  (the default) matches as surface does under the distance and angle limits, fills the
//            refused vertices smoothly over the Destination's mesh from the matched ones (weight
//            inpainting), optionally smooths the result, and keeps each vertex's largest
//            influences; a connected part of the Destination with no matched vertex takes the
//            weights of the Source at its nearest point.
//
// Every method ends the same way: weights in [0, 1], at most `maxInfluences` per vertex, the
// largest ones kept, in decreasing order (the lower joint first between equal weights), their
// float sum 1 exactly as stored. Host-free, deterministic: the same bits whatever the number of
// threads and the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include "surface_transfer/surface_methods.h"

// Per-vertex weights, `influences` slots per vertex: slot k of vertex v holds joint
// joints[v * influences + k] with weight weights[v * influences + k]; a slot of weight 0 is
// unused (its joint is ignored).
struct SparseWeights {
  std::size_t vertexCount = 0;
  std::size_t influences = 0;
  const uint32_t* joints = nullptr;
  const float* weights = nullptr;
};

enum class WeightMethod : int32_t {
  kNearest = 0,
  kSurface = 1,
  kRobust = 2,
};

struct WeightTransferOptions {
  WeightMethod method = WeightMethod::kRobust;
  // For robust: a closest point farther than this from the vertex is refused (infinity: no
  // limit), and so is one where the Source's normal turns more than maxAngleDegrees from the
  // vertex's (45 by default, where the skinning scenes are carried best; 180 or more: no limit).
  // Refused vertices are filled.
  float maxDistance = std::numeric_limits<float>::infinity();
  float maxAngleDegrees = 45.0f;
  // For robust: how many smoothing passes follow the fill (0: none).
  uint32_t smoothingPasses = 0;
  // The most influences a Destination vertex keeps (at least 1).
  std::size_t maxInfluences = 4;
  // 0: as many as the machine runs.
  unsigned threadCount = 0;
};

// What kept a transfer from being made.
enum class WeightTransferFailure : int32_t {
  kNone = 0,
  kInput = 1,     // input that cannot serve
  kMemory = 2,    // memory ran out
  kInternal = 3,  // the fill of refused vertices could not be prepared
};

// The Destination's weights: `joints` and `weights` receive destination.vertexCount *
// options.maxInfluences entries (unused slots: joint 0, weight 0); vertices the mask leaves out
// get every slot unused. `marks` (may be null) get the surface methods' VertexMark bits of what
// was done to each vertex. The Source's weights are given for every Source vertex, its joints
// below `jointCount`; `sourceUsed` (may be null: all) marks the vertices that give weights, and
// the Source's surface is its triangles whose corners are all used. False with `error` set for
// input that cannot serve (a joint out of range, a weight not finite or negative, a Source with
// no used vertex, or for the surface methods no triangle; a triangle corner out of range, more
// than 2^31 - 1 vertices or triangles, Source weights of 0 or more than 255 slots; memory), and
// `failure` (may be null) set to what kind of failure it was.
//
// Each Source vertex's weights count as shares of their sum (a vertex whose weights are all 0
// gives none). The stored weights are whole multiples of 2^-24, so that they sum to 1 exactly in
// any order. A vertex that finds nothing to take (its position not finite, or only Source
// vertices whose weights are all 0 around it) keeps every slot unused.
bool TransferWeights(const TriangleMesh& source, const uint8_t* sourceUsed,
                     const SparseWeights& sourceWeights, std::size_t jointCount,
                     const TriangleMesh& destination, const uint8_t* mask,
                     const WeightTransferOptions& options, uint32_t* joints, float* weights,
                     uint8_t* marks, std::string* error, WeightTransferFailure* failure = nullptr);
