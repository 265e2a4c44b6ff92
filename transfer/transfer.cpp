#include "transfer/transfer.h"

#include "parallel/parallel_chunks.h"
#include "transfer/interpolated_delta.h"

namespace {

// Below this many lists a thread costs more than it saves.
constexpr std::size_t kListsPerThread = 4096;

// The nearest lists of every Destination vertex: `find`'s for the masked ones, empty ones for the
// others.
template <typename Find>
std::vector<NearestFound> DestinationLists(const TransferScene& scene, const Find& find) {
  std::vector<std::size_t> moved;
  std::vector<Vector3> queries;
  for (std::size_t vertex = 0; vertex < scene.destinationCount; ++vertex) {
    if (scene.destinationMask != nullptr && scene.destinationMask[vertex] == 0) continue;
    moved.push_back(vertex);
    queries.push_back(scene.destinationPositions[vertex]);
  }
  std::vector<NearestFound> lists(scene.destinationCount);
  if (queries.empty()) return lists;
  const std::vector<NearestFound> found = find(queries);
  for (std::size_t k = 0; k < moved.size(); ++k) lists[moved[k]] = found[k];
  return lists;
}

}  // namespace

SourcePoints UsedSourcePoints(const Vector3* positions, std::size_t count, const uint8_t* used) {
  SourcePoints points;
  for (std::size_t vertex = 0; vertex < count; ++vertex) {
    if (used != nullptr && used[vertex] == 0) continue;
    points.Add(static_cast<int32_t>(vertex), positions[vertex]);
  }
  return points;
}

void BlendTargets(const NearestFound* lists, std::size_t listCount,
                  const TargetDisplacements* targets, std::size_t targetCount,
                  Vector3* const* deltas, unsigned threadCount) {
  threadCount = ThreadsFor(threadCount);
  RunInChunks(listCount, threadCount, kListsPerThread, [&](std::size_t begin, std::size_t end) {
    for (std::size_t t = 0; t < targetCount; ++t) {
      const TargetDisplacements& target = targets[t];
      for (std::size_t k = begin; k < end; ++k) {
        deltas[t][k] = InterpolatedDelta(
            lists[k], [&target](int32_t sourceIndex) { return target.Of(sourceIndex); });
      }
    }
  });
}

void TransferDisplacements(const TransferScene& scene, Vector3* const* deltas,
                           unsigned threadCount) {
  const std::vector<NearestFound> lists =
      DestinationLists(scene, [&](const std::vector<Vector3>& queries) {
        const SourcePoints source =
            UsedSourcePoints(scene.sourcePositions, scene.sourceCount, scene.sourceUsed);
        return FindNearestAll(source, queries, threadCount);
      });
  BlendTargets(lists.data(), lists.size(), scene.targets, scene.targetCount, deltas, threadCount);
}

void TransferDisplacements(const PreparedNearestSearch& source, const TransferScene& scene,
                           Vector3* const* deltas, unsigned threadCount) {
  const std::vector<NearestFound> lists = DestinationLists(
      scene,
      [&](const std::vector<Vector3>& queries) { return source.FindAll(queries, threadCount); });
  BlendTargets(lists.data(), lists.size(), scene.targets, scene.targetCount, deltas, threadCount);
}
