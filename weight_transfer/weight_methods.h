// The weight methods' steps (weight_transfer.h), each over one transfer's job: the input as
// checked, and the caller's arrays the Destination's weights are stored in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "surface_transfer/surface_methods.h"
#include "weight_transfer/source_shares.h"
#include "weight_transfer/weight_transfer.h"

struct WeightJob {
  const TriangleMesh& source;
  const uint8_t* sourceUsed;
  const SourceShares& shares;
  const TriangleMesh& destination;
  const uint8_t* mask;
  const WeightTransferOptions& options;
  unsigned threadCount;
  // destination.vertexCount * options.maxInfluences slots each; one mark per vertex.
  uint32_t* joints;
  float* weights;
  uint8_t* marks;

  std::size_t slots() const { return options.maxInfluences; }
  uint32_t* jointsOf(std::size_t v) const { return joints + v * options.maxInfluences; }
  float* weightsOf(std::size_t v) const { return weights + v * options.maxInfluences; }
  bool Takes(std::size_t v) const { return mask == nullptr || mask[v] != 0; }
};

// nearest: every masked vertex from its three nearest used Source vertices.
void NearestWeights(const WeightJob& job);

// The Source's shares at a hit on its surface, each corner's times its barycentric weight,
// appended to `candidates`.
void AppendSharesAt(const WeightJob& job, const SurfaceHit& hit,
                    std::vector<Influence>& candidates);

// Every vertex with kVertexMatched among `marks` stored from the shares at its hit.
void StoreMatched(const WeightJob& job, const SurfaceHit* hits, const uint8_t* marks);

// surface: every masked vertex with a closest point, from the shares there.
void SurfaceWeights(const WeightJob& job, const PreparedSource& source);

// robust: matched under the limits, the refused filled; false with `error` where the fill cannot
// be prepared.
bool RobustWeights(const WeightJob& job, const PreparedSource& source, std::string* error);

// The refused vertices (moving, not matched) filled from the matched ones over the Destination's
// mesh, each part with no matched vertex taking the shares at the hit of its vertex nearest to
// the Source; `marks` updated to kVertexFilled or kVertexRigid. False with `error` where the fill
// cannot be prepared.
bool FillRefusedWeights(const WeightJob& job, const std::vector<SurfaceHit>& hits,
                        std::vector<uint8_t>& marks, std::string* error);

// `passes` passes over the filled vertices and their neighbours: each vertex's weights become
// the mean of its own and its neighbours' over the Destination's mesh, its largest ones kept.
void SmoothFilledWeights(const WeightJob& job, const std::vector<uint8_t>& marks, uint32_t passes);
