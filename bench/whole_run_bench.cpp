// A whole run as the host makes it, through the plug-in's exports in the imitated host: a
// 10^5-vertex Source with ten morph targets of its vertex count, carried over to a 10^6-vertex
// Destination. The scripted user lists the targets by vertex count, ticks them all and presses OK.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/plugin_module.h"
#include "host_imitation/widget_service.h"
#include "surface_mesh.h"

namespace {

constexpr std::size_t kSourceVertices = 100000;
constexpr std::size_t kDestinationVertices = 1000000;
constexpr int kTargets = 10;

struct Scene {
  std::vector<MQPoint> source;
  std::vector<MQPoint> destination;
  std::vector<std::vector<MQPoint>> targets;
};

const Scene& BenchScene() {
  static const Scene scene = [] {
    Scene made;
    made.source = MakeSourceSurface(kSourceVertices).vertices;
    made.destination = MakeDestinationSurface(kDestinationVertices).vertices;
    for (int k = 0; k < kTargets; ++k) {
      // Each target swells the Source differently around a different place.
      std::vector<MQPoint> target = made.source;
      const float phase = static_cast<float>(k);
      for (MQPoint& p : target) {
        const float swell = 0.05f * std::sin(3 * p.x + phase) * std::cos(2 * p.y - phase);
        p = MQPoint{p.x * (1 + swell), p.y * (1 + swell), p.z + swell};
      }
      made.targets.push_back(std::move(target));
    }
    return made;
  }();
  return scene;
}

// One face holds every vertex: the plug-in sees every vertex used, and cloning in the imitated
// host stays cheap, so that the time measured is the plug-in's.
std::vector<std::vector<int32_t>> OneFaceOver(std::size_t count) {
  std::vector<int32_t> face(count);
  for (std::size_t k = 0; k < count; ++k) face[k] = static_cast<int32_t>(k);
  return {face};
}

host_imitation::PluginModule* LoadedPlugin() {
  static host_imitation::PluginModule plugin;
  static const bool loaded = plugin.Load(PALISOR_PLUGIN_PATH) && plugin.Initialise();
  return loaded ? &plugin : nullptr;
}

void BM_WholeRunThroughTheExports(benchmark::State& state) {
  host_imitation::PluginModule* plugin = LoadedPlugin();
  if (plugin == nullptr) {
    state.SkipWithError("the plug-in library could not be loaded");
    return;
  }
  const Scene& scene = BenchScene();
  const auto sourceFaces = OneFaceOver(kSourceVertices);
  const auto destinationFaces = OneFaceOver(scene.destination.size());
  auto& host = host_imitation::Host();
  std::size_t morphObjects = 0;
  for (auto _ : state) {
    state.PauseTiming();
    host.Reset();
    host_imitation::HostDocument& document = host.NewDocument();
    host.AddObject(document, "body-base", scene.source, sourceFaces)
        .intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    host.AddObject(document, "garment", scene.destination, destinationFaces)
        .intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    for (int k = 0; k < kTargets; ++k) {
      host.AddObject(document, "shape" + std::to_string(k), scene.targets[k], sourceFaces);
    }
    host.widgets().SetUser([](host_imitation::ModalDialog& dialog) {
      dialog.UseRadioButton(u"同頂点数(&D)");
      dialog.Press(u"全て選択(&Z)");
      dialog.Press(u"OK");
    });
    state.ResumeTiming();

    plugin->MQModifyObject(0, document.handle());

    state.PauseTiming();
    morphObjects = 0;
    for (const host_imitation::HostObject* object : document.slots) {
      if (object != nullptr && object->name.find("-garment") != std::string::npos) ++morphObjects;
    }
    state.ResumeTiming();
  }
  if (morphObjects != kTargets) {
    state.SkipWithError("the run did not make one morph object per target");
  }
  if (!host.misuse().empty()) state.SkipWithError(host.misuse().front().c_str());
  state.counters["destination"] = static_cast<double>(scene.destination.size());
  state.counters["source"] = static_cast<double>(scene.source.size());
  state.counters["targets"] = kTargets;
}

BENCHMARK(BM_WholeRunThroughTheExports)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
