// Smoothing after the fill: the filled vertices and the vertices beside them take, pass after
// pass, the mean of their own weights and their neighbours' over the Destination's mesh (every
// neighbour alike), so that the seam between matched and filled weights softens. Each pass reads
// the previous one's weights only: the result does not depend on the order of the vertices.
#include <algorithm>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "weight_transfer/weight_methods.h"

namespace {

constexpr std::size_t kVerticesPerChunk = 1024;

// The smoothed vertices and their neighbours (vertices that took weights, sharing a triangle).
struct SmoothedGraph {
  std::vector<uint32_t> vertices;
  std::vector<std::size_t> offsets;
  std::vector<uint32_t> neighbours;
};

std::vector<uint8_t> SmoothedVertices(const WeightJob& job, const std::vector<uint8_t>& marks) {
  const TriangleMesh& mesh = job.destination;
  std::vector<uint8_t> smoothed(mesh.vertexCount, 0);
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* corners = mesh.triangles + 3 * t;
    bool nearFilled = false;
    for (int c = 0; c < 3; ++c) nearFilled = nearFilled || marks[corners[c]] == kVertexFilled;
    if (!nearFilled) continue;
    for (int c = 0; c < 3; ++c) {
      if (marks[corners[c]] != 0) smoothed[corners[c]] = 1;
    }
  }
  return smoothed;
}

SmoothedGraph BuildGraph(const WeightJob& job, const std::vector<uint8_t>& marks) {
  const TriangleMesh& mesh = job.destination;
  const std::vector<uint8_t> smoothed = SmoothedVertices(job, marks);
  std::vector<uint64_t> edges;
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* corners = mesh.triangles + 3 * t;
    for (int a = 0; a < 3; ++a) {
      for (int b = 0; b < 3; ++b) {
        if (smoothed[corners[a]] == 0 || marks[corners[b]] == 0 || corners[a] == corners[b])
          continue;
        edges.push_back(uint64_t{corners[a]} << 32 | corners[b]);
      }
    }
  }
  std::sort(edges.begin(), edges.end());
  edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
  SmoothedGraph graph;
  std::size_t e = 0;
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) {
    if (smoothed[v] == 0) continue;
    graph.vertices.push_back(static_cast<uint32_t>(v));
    graph.offsets.push_back(graph.neighbours.size());
    for (; e < edges.size() && (edges[e] >> 32) == v; ++e) {
      graph.neighbours.push_back(static_cast<uint32_t>(edges[e] & 0xFFFFFFFFu));
    }
  }
  graph.offsets.push_back(graph.neighbours.size());
  return graph;
}

}  // namespace

void SmoothFilledWeights(const WeightJob& job, const std::vector<uint8_t>& marks, uint32_t passes) {
  if (passes == 0) return;
  const SmoothedGraph graph = BuildGraph(job, marks);
  const std::size_t slots = job.slots();
  for (uint32_t pass = 0; pass < passes; ++pass) {
    const std::vector<uint32_t> lastJoints(job.joints,
                                           job.joints + job.destination.vertexCount * slots);
    const std::vector<float> lastWeights(job.weights,
                                         job.weights + job.destination.vertexCount * slots);
    RunInChunks(
        graph.vertices.size(), job.threadCount, kVerticesPerChunk,
        [&](std::size_t begin, std::size_t end) {
          std::vector<Influence> candidates;
          for (std::size_t k = begin; k < end; ++k) {
            const uint32_t v = graph.vertices[k];
            candidates.clear();
            AppendStored(&lastJoints[v * slots], &lastWeights[v * slots], slots, 1.0, candidates);
            for (std::size_t n = graph.offsets[k]; n < graph.offsets[k + 1]; ++n) {
              const std::size_t u = graph.neighbours[n];
              AppendStored(&lastJoints[u * slots], &lastWeights[u * slots], slots, 1.0, candidates);
            }
            StoreLargest(candidates, slots, job.jointsOf(v), job.weightsOf(v));
          }
        });
  }
}
