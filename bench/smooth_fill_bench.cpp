// The smooth fill on a Destination surface of a million vertices: preparing (graph, parts and the
// factored system) and filling one target, with a hole of a few thousand refused vertices and
// with holes of many.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "surface_mesh.h"
#include "surface_transfer/smooth_fill.h"

namespace {

struct FillScene {
  std::vector<Vector3> positions;
  std::vector<uint32_t> triangles;
  std::vector<uint8_t> known;
  std::vector<Vector3> deltas;
  TriangleMesh View() const {
    return {positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
  }
};

// The million-vertex Destination, its quads cut in two, with the `refused` vertices nearest to
// its first vertex left unknown and a smooth field on the others.
FillScene MakeFillScene(std::size_t refused) {
  const SurfaceMesh surface = MakeDestinationSurface(1000000, true);
  FillScene scene;
  for (const MQPoint& vertex : surface.vertices) {
    scene.positions.push_back({vertex.x, vertex.y, vertex.z});
    scene.deltas.push_back(
        {0.01f * std::sin(3.0f * vertex.x), 0.02f * std::cos(2.0f * vertex.y), 0.01f * vertex.z});
  }
  for (const std::vector<int32_t>& face : surface.faces) {
    const auto corner = [&](std::size_t c) { return static_cast<uint32_t>(face[c]); };
    scene.triangles.insert(scene.triangles.end(),
                           {corner(0), corner(1), corner(2), corner(0), corner(2), corner(3)});
  }
  std::vector<std::pair<float, uint32_t>> byDistance;
  const Vector3 centre = scene.positions[0];
  for (uint32_t v = 0; v < scene.positions.size(); ++v) {
    const Vector3& p = scene.positions[v];
    const float dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
    byDistance.push_back({dx * dx + dy * dy + dz * dz, v});
  }
  std::nth_element(byDistance.begin(), byDistance.begin() + refused, byDistance.end());
  scene.known.assign(scene.positions.size(), 1);
  for (std::size_t i = 0; i < refused; ++i) scene.known[byDistance[i].second] = 0;
  return scene;
}

RigidMotion NoMotion(std::size_t) {
  return {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1}};
}

void Prepare(benchmark::State& state) {
  const FillScene scene = MakeFillScene(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    SmoothFill fill;
    std::string error;
    if (!fill.Prepare(scene.View(), scene.known.data(), nullptr, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    benchmark::DoNotOptimize(&fill);
  }
}

void Fill(benchmark::State& state) {
  FillScene scene = MakeFillScene(static_cast<std::size_t>(state.range(0)));
  SmoothFill fill;
  std::string error;
  if (!fill.Prepare(scene.View(), scene.known.data(), nullptr, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    fill.Fill(scene.deltas.data(), NoMotion, 1);
    benchmark::DoNotOptimize(scene.deltas.data());
  }
}

BENCHMARK(Prepare)->Arg(3000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Fill)->Arg(3000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
