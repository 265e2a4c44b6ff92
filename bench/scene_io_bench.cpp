// Reading and writing a million-vertex Wavefront OBJ scene as palisor-cli does: the text alone,
// and the whole way between a file and a document of the imitated host.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host_imitation/host_imitation.h"
#include "parallel/parallel_chunks.h"
#include "scene/obj/obj_reader.h"
#include "scene/obj/obj_writer.h"
#include "scene_run/output_file.h"
#include "scene_run/scene_document.h"

namespace {

constexpr int kSide = 1000;  // vertices a side: a million in all

// A rippled grid of quads with texture coordinates, written as a modeller's file would be.
const std::string& MillionVertexText() {
  static const std::string text = [] {
    std::string out = "mtllib scene.mtl\no surface\n";
    char line[128];
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const double px = x * 0.01;
        const double py = y * 0.01;
        std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", px, py,
                      0.05 * std::sin(px * 3.1) * std::cos(py * 2.3));
        out += line;
      }
    }
    out += "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\ns 1\n";
    for (int y = 0; y + 1 < kSide; ++y) {
      for (int x = 0; x + 1 < kSide; ++x) {
        const int a = y * kSide + x + 1;
        std::snprintf(line, sizeof line, "f %d/1 %d/2 %d/3 %d/4\n", a, a + 1, a + kSide + 1,
                      a + kSide);
        out += line;
      }
    }
    return out;
  }();
  return text;
}

std::filesystem::path BenchFolder() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "palisor_scene_io";
  std::filesystem::create_directories(folder);
  return folder;
}

void SetCounters(benchmark::State& state) {
  const double vertices = static_cast<double>(kSide) * kSide;
  state.counters["vertices/s"] =
      benchmark::Counter(vertices, benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(MillionVertexText().size()));
}

void BM_ReadText(benchmark::State& state) {
  const std::string& text = MillionVertexText();
  for (auto _ : state) {
    palisor_scene::Scene scene = palisor_scene::ReadObjText(text, "bench.obj");
    benchmark::DoNotOptimize(scene.objects.data());
  }
  SetCounters(state);
}

void BM_WriteText(benchmark::State& state) {
  const palisor_scene::Scene scene = palisor_scene::ReadObjText(MillionVertexText(), "bench.obj");
  for (auto _ : state) {
    std::string text = palisor_scene::WriteObjText(scene);
    benchmark::DoNotOptimize(text.data());
  }
  SetCounters(state);
}

// From the file on disk to the objects of a document, as a run starts.
void BM_ReadFileIntoDocument(benchmark::State& state) {
  const std::filesystem::path path = BenchFolder() / "read.obj";
  palisor_run::WriteFileAtomically(path.string(), MillionVertexText());
  for (auto _ : state) {
    host_imitation::Host().Reset();
    palisor_scene::Scene scene = palisor_scene::ReadObjFile(path.string());
    const palisor_run::SceneDocument built({&scene}, host_imitation::Host().NewDocument());
    benchmark::DoNotOptimize(built.objects().data());
  }
  std::filesystem::remove(path);
  SetCounters(state);
}

// From a document to the result file as palisor-cli writes it: formatted on every core and
// streamed to a temporary file, which is renamed into place.
void BM_WriteDocumentToFile(benchmark::State& state) {
  host_imitation::Host().Reset();
  palisor_scene::Scene read = palisor_scene::ReadObjText(MillionVertexText(), "bench.obj");
  host_imitation::HostDocument& document = host_imitation::Host().NewDocument();
  const palisor_run::SceneDocument built({&read}, document);
  const std::filesystem::path path = BenchFolder() / "written.obj";
  for (auto _ : state) {
    const palisor_scene::ObjSceneView view = built.View(read.header, {});
    palisor_run::WriteFileAtomically(path.string(), [&view](std::FILE* file) {
      return palisor_scene::WriteObj(view, file, MachineThreadCount());
    });
  }
  std::filesystem::remove(path);
  SetCounters(state);
}

// The readers and writers use every core: wall-clock time is what counts.
BENCHMARK(BM_ReadText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteText)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileIntoDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteDocumentToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
