// nearest: the plug-in's rule applied to weights, the inverse-square-distance weighted mean of
// the shares of the three nearest used Source vertices; an exact hit takes its vertex's alone.
#include <vector>

#include "parallel/parallel_chunks.h"
#include "transfer/interpolated_delta.h"
#include "transfer/transfer.h"
#include "weight_transfer/weight_methods.h"

namespace {

constexpr std::size_t kVerticesPerChunk = 1024;

// The blend of one nearest list: each entry's shares times 1 / its squared distance (the entries
// the plug-in's rule looks at; an exact hit alone), in doubles, where no weight overflows.
void AppendNearest(const WeightJob& job, const NearestFound& found,
                   std::vector<Influence>& candidates) {
  const NearestSpan span(found);
  const std::size_t blended = BlendedEntryCount(span);
  const NearestEntry& last = span.begin[blended - 1];
  if (TakesAll(last)) {
    job.shares.Append(static_cast<std::size_t>(last.sourceIndex), 1.0, candidates);
    return;
  }
  for (std::size_t k = 0; k < blended; ++k) {
    const NearestEntry& entry = span.begin[k];
    job.shares.Append(static_cast<std::size_t>(entry.sourceIndex),
                      1.0 / static_cast<double>(entry.squaredDistance), candidates);
  }
}

}  // namespace

void NearestWeights(const WeightJob& job) {
  std::vector<uint32_t> vertices;
  std::vector<Vector3> queries;
  for (std::size_t v = 0; v < job.destination.vertexCount; ++v) {
    if (!job.Takes(v) || !IsFinite(job.destination.positions[v])) continue;
    vertices.push_back(static_cast<uint32_t>(v));
    queries.push_back(job.destination.positions[v]);
  }
  const PreparedNearestSearch search(
      UsedSourcePoints(job.source.positions, job.source.vertexCount, job.sourceUsed),
      job.threadCount);
  const std::vector<NearestFound> found = search.FindAll(queries, job.threadCount);
  RunInChunks(vertices.size(), job.threadCount, kVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                std::vector<Influence> candidates;
                for (std::size_t k = begin; k < end; ++k) {
                  const uint32_t v = vertices[k];
                  if (found[k].count == 0) continue;
                  candidates.clear();
                  AppendNearest(job, found[k], candidates);
                  StoreLargest(candidates, job.slots(), job.jointsOf(v), job.weightsOf(v));
                  job.marks[v] = kVertexMatched;
                }
              });
}
