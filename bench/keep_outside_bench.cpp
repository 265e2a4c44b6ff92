// Keeping a Destination outside a morphed Source: a garment-like surface lying just over a torus
// of 10^5 or 10^6 triangles, while the torus swells by 3% so that most of the garment would sink
// into it. Measured: one KeepOutside call (its pseudo-normals, its search and every push) on one
// thread and on all. The counter "pushed" is the share of vertices that had to move.
#include <benchmark/benchmark.h>

#include <map>
#include <vector>

#include "surface_mesh.h"
#include "surface_transfer/keep_outside.h"

namespace {

struct Scene {
  std::vector<float> rest;
  std::vector<float> swollen;
  std::vector<uint32_t> corners;
  std::vector<float> garment;
  RestOutside measured;
};

TriangleMesh MeshOf(const std::vector<float>& positions, const std::vector<uint32_t>& corners) {
  return TriangleMesh{reinterpret_cast<const Vector3*>(positions.data()), positions.size() / 3,
                      corners.data(), corners.size() / 3};
}

const Scene& SceneOf(std::size_t triangleCount) {
  static std::map<std::size_t, Scene> scenes;
  Scene& scene = scenes[triangleCount];
  if (!scene.corners.empty()) return scene;
  const SurfaceMesh source = MakeSourceSurface(triangleCount / 2, true);
  for (const MQPoint& vertex : source.vertices) {
    scene.rest.insert(scene.rest.end(), {vertex.x, vertex.y, vertex.z});
    scene.swollen.insert(scene.swollen.end(), {vertex.x * 1.03f, vertex.y * 1.03f, vertex.z});
  }
  for (const std::vector<int32_t>& quad : source.faces) {
    for (const int32_t corner : {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]}) {
      scene.corners.push_back(static_cast<uint32_t>(corner));
    }
  }
  for (const MQPoint& vertex : MakeDestinationSurface(triangleCount / 2).vertices) {
    scene.garment.insert(scene.garment.end(), {vertex.x, vertex.y, vertex.z});
  }
  const TriangleMesh rest = MeshOf(scene.rest, scene.corners);
  ClosestPointSearch search;
  search.Build(scene.rest.data(), rest.vertexCount, scene.corners.data(), rest.triangleCount);
  std::vector<SurfaceHit> hits(scene.garment.size() / 3);
  search.FindClosest(scene.garment.data(), hits.size(), hits.data());
  scene.measured = MeasureRestOutside(rest, MeshOf(scene.garment, {}), hits.data(), 0);
  return scene;
}

void KeepGarmentOutside(benchmark::State& state) {
  const Scene& scene = SceneOf(static_cast<std::size_t>(state.range(0)));
  const TriangleMesh garment = MeshOf(scene.garment, {});
  const auto* swollen = reinterpret_cast<const Vector3*>(scene.swollen.data());
  std::size_t pushed = 0;
  for (auto _ : state) {
    std::vector<Vector3> deltas(garment.vertexCount, Vector3{0.0f, 0.0f, 0.0f});
    pushed = KeepOutside(swollen, garment, scene.measured, 0.005f, deltas.data(), nullptr,
                         static_cast<unsigned>(state.range(1)));
    benchmark::DoNotOptimize(deltas.data());
  }
  state.counters["vertices"] = static_cast<double>(garment.vertexCount);
  state.counters["pushed"] = static_cast<double>(pushed) / static_cast<double>(garment.vertexCount);
}

}  // namespace

BENCHMARK(KeepGarmentOutside)
    ->ArgsProduct({{100000, 1000000}, {1, 0}})
    ->ArgNames({"triangles", "threads"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
