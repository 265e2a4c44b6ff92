// A weight transfer of a million-vertex Source to a million-vertex Destination by each method,
// beside the morph transfers of the same meshes (one target): the plug-in's rule
// (TransferDisplacements) and the surface point and carry methods (TransferAlongSurface). Every
// run is a whole call, the Source's search built inside it, on as many threads as the machine
// runs. Besides the time, the processor time of the whole process, all threads together.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "surface_mesh.h"
#include "surface_transfer/surface_methods.h"
#include "transfer/transfer.h"
#include "weight_transfer/weight_transfer.h"

namespace {

constexpr std::size_t kVertices = 1000000;
constexpr std::size_t kJoints = 32;
constexpr std::size_t kSourceInfluences = 4;

struct Mesh {
  std::vector<Vector3> positions;
  std::vector<uint32_t> triangles;
  TriangleMesh View() const {
    return {positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
  }
};

Mesh Triangulated(const SurfaceMesh& surface) {
  Mesh mesh;
  for (const MQPoint& p : surface.vertices) mesh.positions.push_back({p.x, p.y, p.z});
  for (const std::vector<int32_t>& face : surface.faces) {
    const auto c = [&](std::size_t k) { return static_cast<uint32_t>(face[k]); };
    mesh.triangles.insert(mesh.triangles.end(), {c(0), c(1), c(2), c(0), c(2), c(3)});
  }
  return mesh;
}

struct Scene {
  Mesh source = Triangulated(MakeSourceSurface(kVertices, true));
  Mesh destination = Triangulated(MakeDestinationSurface(kVertices, true));
  // A chain of joints around the ring: each vertex weighs the four nearest by its angle.
  std::vector<uint32_t> joints;
  std::vector<float> weights;
  std::vector<Vector3> displacements;

  Scene() {
    for (const Vector3& p : source.positions) {
      const double turn = (std::atan2(p.y, p.x) + 3.14159265358979) / (2 * 3.14159265358979);
      const double place = turn * kJoints;
      const auto first = static_cast<uint32_t>(std::floor(place));
      for (uint32_t k = 0; k < kSourceInfluences; ++k) {
        const double off = place - (first + k - 1.0) - 0.5;
        joints.push_back((first + kJoints - 1 + k) % kJoints);
        weights.push_back(static_cast<float>(std::max(0.0, 2.0 - std::fabs(off))));
      }
      displacements.push_back(
          {0.01f * std::sin(3.0f * p.x), 0.02f * std::cos(2.0f * p.y), 0.01f * p.z});
    }
  }
};

const Scene& TheScene() {
  static const Scene scene;
  return scene;
}

void Weights(benchmark::State& state, WeightMethod method, float maxAngle) {
  const Scene& scene = TheScene();
  WeightTransferOptions options;
  options.method = method;
  options.maxAngleDegrees = maxAngle;
  const std::size_t count = scene.destination.positions.size();
  std::vector<uint32_t> joints(count * options.maxInfluences);
  std::vector<float> weights(joints.size());
  std::vector<uint8_t> marks(count);
  std::string error;
  for (auto _ : state) {
    const bool done = TransferWeights(scene.source.View(), nullptr,
                                      {scene.source.positions.size(), kSourceInfluences,
                                       scene.joints.data(), scene.weights.data()},
                                      kJoints, scene.destination.View(), nullptr, options,
                                      joints.data(), weights.data(), marks.data(), &error);
    if (!done) state.SkipWithError(error.c_str());
  }
  std::size_t filled = 0;
  for (const uint8_t mark : marks) filled += (mark & kVertexFilled) != 0 ? 1 : 0;
  state.counters["filled"] = static_cast<double>(filled);
}

void MorphNearest(benchmark::State& state) {
  const Scene& scene = TheScene();
  const TargetDisplacements target{scene.displacements.data(), scene.displacements.size()};
  std::vector<Vector3> deltas(scene.destination.positions.size());
  Vector3* outputs[] = {deltas.data()};
  TransferScene transfer;
  transfer.sourcePositions = scene.source.positions.data();
  transfer.sourceCount = scene.source.positions.size();
  transfer.targets = &target;
  transfer.targetCount = 1;
  transfer.destinationPositions = scene.destination.positions.data();
  transfer.destinationCount = scene.destination.positions.size();
  for (auto _ : state) TransferDisplacements(transfer, outputs, 0);
}

void MorphAlongSurface(benchmark::State& state, SurfaceMethod method) {
  const Scene& scene = TheScene();
  const TargetDisplacements target{scene.displacements.data(), scene.displacements.size()};
  std::vector<Vector3> deltas(scene.destination.positions.size());
  Vector3* outputs[] = {deltas.data()};
  SurfaceTransferOptions options;
  options.method = method;
  std::string error;
  for (auto _ : state) {
    PreparedSource source;
    if (!source.Build(scene.source.View(), 0, &error) ||
        !TransferAlongSurface(source, &target, 1, scene.destination.View(), nullptr, options,
                              outputs, nullptr, &error)) {
      state.SkipWithError(error.c_str());
    }
  }
}

}  // namespace

// Whole calls, once each; the time and the processor time of every thread.
void Once(benchmark::internal::Benchmark* run) {
  run->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(1);
}

BENCHMARK_CAPTURE(Weights, nearest, WeightMethod::kNearest, 180.0f)->Apply(Once);
BENCHMARK_CAPTURE(Weights, surface, WeightMethod::kSurface, 180.0f)->Apply(Once);
BENCHMARK_CAPTURE(Weights, robust, WeightMethod::kRobust, 180.0f)->Apply(Once);
BENCHMARK_CAPTURE(Weights, robust_angle_10, WeightMethod::kRobust, 10.0f)->Apply(Once);
BENCHMARK(MorphNearest)->Apply(Once);
BENCHMARK_CAPTURE(MorphAlongSurface, surface, SurfaceMethod::kSurfacePoint)->Apply(Once);
BENCHMARK_CAPTURE(MorphAlongSurface, carry, SurfaceMethod::kCarriedOffset)->Apply(Once);

BENCHMARK_MAIN();
