// The smooth fill on a Destination surface of two million vertices: preparing (graph, parts and
// the solver's hierarchy) and filling one target, for one hole of 10^4 to 10^6 refused vertices,
// the surface turning about its frames as the carry method hands them over. Reports, besides the
// time and its two parts, the processor time of the whole and of preparing (what the fill takes on
// an idle core, whatever else the machine runs), the peak memory the fill adds to the process
// (Linux: the resident set's high-water mark, reset before the fill, less the resident set then)
// and that per refused vertex.
#include <benchmark/benchmark.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "surface_mesh.h"
#include "surface_transfer/smooth_fill.h"

namespace {

constexpr std::size_t kDestinationVertices = 2000000;

struct FillScene {
  std::vector<Vector3> positions;
  std::vector<uint32_t> triangles;
  std::vector<Vector3> deltas;
  // The vertices in increasing distance from the first one.
  std::vector<uint32_t> byDistance;
  TriangleMesh View() const {
    return {positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
  }
};

// The Destination, its quads cut in two, with a smooth field over it.
const FillScene& Scene() {
  static const FillScene scene = [] {
    const SurfaceMesh surface = MakeDestinationSurface(kDestinationVertices, true);
    FillScene made;
    for (const MQPoint& vertex : surface.vertices) {
      made.positions.push_back({vertex.x, vertex.y, vertex.z});
      made.deltas.push_back(
          {0.01f * std::sin(3.0f * vertex.x), 0.02f * std::cos(2.0f * vertex.y), 0.01f * vertex.z});
    }
    for (const std::vector<int32_t>& face : surface.faces) {
      const auto corner = [&](std::size_t c) { return static_cast<uint32_t>(face[c]); };
      made.triangles.insert(made.triangles.end(),
                            {corner(0), corner(1), corner(2), corner(0), corner(2), corner(3)});
    }
    std::vector<std::pair<float, uint32_t>> distances;
    const Vector3 centre = made.positions[0];
    for (uint32_t v = 0; v < made.positions.size(); ++v) {
      const Vector3& p = made.positions[v];
      const float dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
      distances.push_back({dx * dx + dy * dy + dz * dz, v});
    }
    std::sort(distances.begin(), distances.end());
    for (const auto& entry : distances) made.byDistance.push_back(entry.second);
    return made;
  }();
  return scene;
}

// A kilobyte figure from /proc/self/status ("VmRSS", "VmHWM"); 0 elsewhere.
double StatusKilobytes(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == key + ":") {
      double kilobytes = 0.0;
      status >> kilobytes;
      return kilobytes;
    }
  }
  return 0.0;
}

// Starts the resident set's high-water mark again from the present resident set, memory freed
// before handed back first, so that what the fill takes shows.
void ResetPeakMemory() {
#ifdef __GLIBC__
  malloc_trim(0);
#endif
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// The processor time the process has used, in seconds (all its threads).
double ProcessorSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

RigidMotion NoMotion(std::size_t) {
  return {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {1, 0, 0, 0, 1, 0, 0, 0, 1}};
}

// A quarter of a radian about a tilted axis, less the identity.
LinearMap TurnLessIdentity() {
  const float c = std::cos(0.25f), s = std::sin(0.25f);
  return MinusIdentity(LinearMap{{c, -s, 0.0f, s, c, 0.0f, 0.0f, 0.0f, 1.0f}});
}

void PrepareAndFill(benchmark::State& state) {
  const FillScene& scene = Scene();
  const auto refused = static_cast<std::size_t>(state.range(0));
  std::vector<uint8_t> known(scene.positions.size(), 1);
  for (std::size_t i = 0; i < refused; ++i) known[scene.byDistance[i]] = 0;
  double prepareSeconds = 0.0, fillSeconds = 0.0, processorSeconds = 0.0,
         prepareProcessorSeconds = 0.0, extraKilobytes = 0.0;
  for (auto _ : state) {
    std::vector<Vector3> deltas = scene.deltas;
    ResetPeakMemory();
    const double before = StatusKilobytes("VmRSS");
    const double processorStart = ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    SmoothFill fill;
    std::string error;
    if (!fill.Prepare(scene.View(), known.data(), nullptr, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    const auto prepared = std::chrono::steady_clock::now();
    prepareProcessorSeconds = ProcessorSeconds() - processorStart;
    const std::vector<LinearMap> changes(fill.frameVertices().size(), TurnLessIdentity());
    fill.Fill(deltas.data(), changes.data(), NoMotion, 1);
    const auto filled = std::chrono::steady_clock::now();
    processorSeconds = ProcessorSeconds() - processorStart;
    benchmark::DoNotOptimize(deltas.data());
    prepareSeconds = std::chrono::duration<double>(prepared - start).count();
    fillSeconds = std::chrono::duration<double>(filled - prepared).count();
    extraKilobytes = StatusKilobytes("VmHWM") - before;
  }
  state.counters["prepare_s"] = prepareSeconds;
  state.counters["fill_s"] = fillSeconds;
  state.counters["processor_s"] = processorSeconds;
  state.counters["prepare_processor_s"] = prepareProcessorSeconds;
  state.counters["peak_MB"] = extraKilobytes / 1024.0;
  state.counters["KB_per_vertex"] = extraKilobytes / static_cast<double>(refused);
}

BENCHMARK(PrepareAndFill)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Arg(300000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
