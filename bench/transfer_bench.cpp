// The transfer library's whole transfer on plain arrays: a Source surface with three targets
// carried over to a Destination surface of as many vertices, on one thread and on all.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "surface_mesh.h"
#include "transfer/transfer.h"

namespace {

std::vector<Vector3> Points(const SurfaceMesh& mesh) {
  std::vector<Vector3> points;
  points.reserve(mesh.vertices.size());
  for (const MQPoint& vertex : mesh.vertices) points.push_back({vertex.x, vertex.y, vertex.z});
  return points;
}

void Transfer(benchmark::State& state, unsigned threadCount) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const std::vector<Vector3> source = Points(MakeSourceSurface(size));
  const std::vector<Vector3> destination = Points(MakeDestinationSurface(size));
  constexpr std::size_t kTargets = 3;
  std::vector<std::vector<Vector3>> displacements(kTargets);
  std::vector<TargetDisplacements> targets;
  for (std::size_t t = 0; t < kTargets; ++t) {
    for (const Vector3& point : source) {
      const float wave = std::sin(point.x * static_cast<float>(t + 1));
      displacements[t].push_back({0.01f * wave, 0.02f * wave, 0.0f});
    }
    targets.push_back({displacements[t].data(), displacements[t].size()});
  }
  std::vector<std::vector<Vector3>> deltas(kTargets, std::vector<Vector3>(destination.size()));
  std::vector<Vector3*> deltaArrays;
  for (std::vector<Vector3>& delta : deltas) deltaArrays.push_back(delta.data());
  TransferScene scene;
  scene.sourcePositions = source.data();
  scene.sourceCount = source.size();
  scene.targets = targets.data();
  scene.targetCount = targets.size();
  scene.destinationPositions = destination.data();
  scene.destinationCount = destination.size();
  for (auto _ : state) {
    TransferDisplacements(scene, deltaArrays.data(), threadCount);
    benchmark::DoNotOptimize(deltas[0].data());
  }
  state.counters["vertices/s"] = benchmark::Counter(static_cast<double>(destination.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(Transfer, OneThread, 1u)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Transfer, AllThreads, 0u)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
