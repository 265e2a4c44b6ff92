// surface: the shares at the vertex's closest point on the Source's triangles, blended from the
// triangle's corners by the point's barycentric weights.
#include <algorithm>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "weight_transfer/weight_methods.h"

namespace {

constexpr std::size_t kVerticesPerChunk = 1024;

}  // namespace

void AppendSharesAt(const WeightJob& job, const SurfaceHit& hit,
                    std::vector<Influence>& candidates) {
  const uint32_t* corners = job.source.triangles + 3 * static_cast<std::size_t>(hit.triangle);
  for (int c = 0; c < 3; ++c) {
    // Barycentric weights lie in [0, 1] up to rounding.
    const double share = std::max(0.0, static_cast<double>(hit.barycentric[c]));
    if (share > 0.0) job.shares.Append(corners[c], share, candidates);
  }
}

void StoreMatched(const WeightJob& job, const SurfaceHit* hits, const uint8_t* marks) {
  RunInChunks(job.destination.vertexCount, job.threadCount, kVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                std::vector<Influence> candidates;
                for (std::size_t v = begin; v < end; ++v) {
                  if ((marks[v] & kVertexMatched) == 0) continue;
                  candidates.clear();
                  AppendSharesAt(job, hits[v], candidates);
                  StoreLargest(candidates, job.slots(), job.jointsOf(v), job.weightsOf(v));
                }
              });
}

void SurfaceWeights(const WeightJob& job, const PreparedSource& source) {
  std::vector<SurfaceHit> hits(job.destination.vertexCount);
  SurfaceTransferOptions unlimited;
  unlimited.threadCount = job.threadCount;
  MatchDestination(source, job.destination, job.mask, nullptr, unlimited, hits.data(), job.marks);
  StoreMatched(job, hits.data(), job.marks);
}
