// Drawing the preview of a large run: a 10^5-vertex Source with three targets carried over to a
// 10^6-vertex Destination (a million quads), so that the sheet holds three million-vertex morph
// objects. Measured from the finished run's document to the PNG's bytes: the font, finding what
// the run made, surveying and drawing the meshes on the machine's cores, text, encoding.
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/morph_feature.h"
#include "preview/run_preview.h"
#include "preview/text.h"
#include "scene_run/run_objects.h"
#include "scene_run/run_result_finding.h"
#include "surface_mesh.h"

namespace {

constexpr std::size_t kSourceVertices = 100000;
constexpr std::size_t kDestinationVertices = 1000000;
constexpr int kTargets = 3;

// Each target swells the surface differently around a different place.
void Swell(std::vector<MQPoint>& points, int target) {
  const float phase = static_cast<float>(target);
  for (MQPoint& p : points) {
    const float swell = 0.05f * std::sin(3 * p.x + phase) * std::cos(2 * p.y - phase);
    p = MQPoint{p.x * (1 + swell), p.y * (1 + swell), p.z + swell};
  }
}

struct FinishedRun {
  host_imitation::HostDocument* document = nullptr;
  host_imitation::MorphFeature* morphFeature = nullptr;
  palisor_run::DocumentState before;
};

// The document as a run leaves it: the morph objects are clones of the Destination standing
// after their targets, moved as the targets move the Source.
const FinishedRun& Run() {
  static const FinishedRun run = [] {
    FinishedRun made;
    host_imitation::HostImitation& host = host_imitation::Host();
    host.Reset();
    host_imitation::HostDocument& document = host.NewDocument();
    const SurfaceMesh sourceMesh = MakeSourceSurface(kSourceVertices, true);
    host_imitation::HostObject& source =
        host.AddObject(document, "face", sourceMesh.vertices, sourceMesh.faces);
    std::vector<host_imitation::HostObject*> targets;
    for (int k = 0; k < kTargets; ++k) {
      std::vector<MQPoint> vertices = sourceMesh.vertices;
      Swell(vertices, k);
      targets.push_back(
          &host.AddObject(document, "elem:target" + std::to_string(k) + "-face", vertices));
    }
    const SurfaceMesh destinationMesh = MakeDestinationSurface(kDestinationVertices, true);
    host_imitation::HostObject& destination =
        host.AddObject(document, "body", destinationMesh.vertices, destinationMesh.faces);
    source.intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    destination.intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    made.morphFeature = &host_imitation::InstallMorphFeature();
    made.before = palisor_run::CaptureDocument(document, *made.morphFeature);
    for (int k = 0; k < kTargets; ++k) {
      host_imitation::HostObject& morph = host.CloneObject(destination);
      morph.name = "elem:target" + std::to_string(k) + "-body";
      Swell(morph.vertices, k);
      document.InsertAfter(&morph, targets[static_cast<std::size_t>(k)]);
    }
    made.document = &document;
    return made;
  }();
  return run;
}

void BM_PreviewOfAMillionVertexDestinationWithThreeTargets(benchmark::State& state) {
  const FinishedRun& run = Run();
  std::size_t bytes = 0;
  const std::clock_t start = std::clock();
  for (auto _ : state) {
    palisor_preview::TextPainter text;
    const palisor_run::RunObjects objects =
        palisor_run::FindRunObjects(run.before, *run.document, false);
    const palisor_scene::RunResult result =
        palisor_run::FindRunResult(run.before, *run.document, *run.morphFeature, objects, nullptr);
    const std::string png =
        palisor_preview::DrawRunPreview(result, palisor_preview::SheetSettings{}, text);
    bytes = png.size();
    benchmark::DoNotOptimize(png.data());
  }
  state.counters["png_bytes"] = static_cast<double>(bytes);
  // Processor time of all threads; the machine is shared, so wall-clock time varies more.
  state.counters["cpu_s_all_threads"] =
      benchmark::Counter(static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC /
                         static_cast<double>(state.iterations()));
}
BENCHMARK(BM_PreviewOfAMillionVertexDestinationWithThreeTargets)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
