// A whole palisor-cli run on a .glb scene: a 10^6-vertex Source with three morph targets and a
// 10^6-vertex Destination. Its reading and writing are measured against the glTF library alone
// loading and saving the same file, and the whole run against the same geometry as an OBJ scene.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "surface_mesh.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kVertices = 1000000;

std::filesystem::path BenchFolder() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "palisor_gltf_run";
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<MQPoint> Target(const std::vector<MQPoint>& base, int k) {
  std::vector<MQPoint> target = base;
  const float phase = static_cast<float>(k);
  for (MQPoint& p : target) {
    const float swell = 0.05f * std::sin(3 * p.x + phase) * std::cos(2 * p.y - phase);
    p = MQPoint{p.x * (1 + swell), p.y * (1 + swell), p.z + swell};
  }
  return target;
}

std::vector<uint32_t> Triangles(const SurfaceMesh& mesh) {
  std::vector<uint32_t> corners;
  for (const auto& quad : mesh.faces) {
    for (int k : {0, 1, 2, 0, 2, 3})
      corners.push_back(static_cast<uint32_t>(quad[static_cast<std::size_t>(k)]));
  }
  return corners;
}

// A .glb file made piece by piece: buffer views and accessors in the order they are made.
class GlbBuilder {
 public:
  std::size_t Points(const std::vector<MQPoint>& values) {
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const MQPoint& p : values) {
      const float c[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k)
        low[k] = std::min(low[k], c[k]), high[k] = std::max(high[k], c[k]);
    }
    json["accessors"].push_back({{"bufferView", View(values.data(), values.size() * 12)},
                                 {"componentType", 5126},
                                 {"count", values.size()},
                                 {"type", "VEC3"},
                                 {"min", {low[0], low[1], low[2]}},
                                 {"max", {high[0], high[1], high[2]}}});
    return json["accessors"].size() - 1;
  }

  std::size_t Indices(const std::vector<uint32_t>& values) {
    json["accessors"].push_back({{"bufferView", View(values.data(), values.size() * 4)},
                                 {"componentType", 5125},
                                 {"count", values.size()},
                                 {"type", "SCALAR"}});
    return json["accessors"].size() - 1;
  }

  void Write(const std::filesystem::path& path) {
    json["buffers"] = {{{"byteLength", bin.size()}}};
    std::string text = json.dump();
    while (text.size() % 4 != 0) text += ' ';
    while (bin.size() % 4 != 0) bin += '\0';
    std::ofstream out(path, std::ios::binary);
    auto word = [&out](uint32_t value) { out.write(reinterpret_cast<const char*>(&value), 4); };
    word(0x46546C67);
    word(2);
    word(static_cast<uint32_t>(28 + text.size() + bin.size()));
    word(static_cast<uint32_t>(text.size()));
    word(0x4E4F534A);
    out << text;
    word(static_cast<uint32_t>(bin.size()));
    word(0x004E4942);
    out << bin;
  }

  // Every top-level member exists before references into the JSON are held.
  palisor_scene::OrderedJson json = {{"asset", {{"version", "2.0"}}},
                                     {"scene", 0},
                                     {"scenes", {{{"nodes", {0, 1}}}}},
                                     {"bufferViews", palisor_scene::OrderedJson::array()},
                                     {"accessors", palisor_scene::OrderedJson::array()}};

 private:
  std::size_t View(const void* data, std::size_t size) {
    json["bufferViews"].push_back(
        {{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", size}});
    bin.append(static_cast<const char*>(data), size);
    return json["bufferViews"].size() - 1;
  }

  std::string bin;
};

// An OBJ scene made object by object.
struct ObjBuilder {
  void Object(const std::string& name, const std::vector<MQPoint>& vertices,
              const SurfaceMesh* faces) {
    text += "o " + name + "\n";
    char line[96];
    for (const MQPoint& p : vertices) {
      std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\n", p.x, p.y, p.z);
      text += line;
    }
    if (faces != nullptr) {
      for (const auto& quad : faces->faces) {
        text += "f";
        for (int32_t corner : quad)
          text += " " + std::to_string(offset + static_cast<std::size_t>(corner) + 1);
        text += "\n";
      }
    }
    offset += vertices.size();
  }

  std::string text;
  std::size_t offset = 0;
};

// The displacements of target `k` as the .glb stores them, and the target as an OBJ reader reads
// it back: the base plus those displacements.
std::vector<MQPoint> TargetMoves(const std::vector<MQPoint>& base, int k,
                                 std::vector<MQPoint>& read) {
  const std::vector<MQPoint> target = Target(base, k);
  std::vector<MQPoint> moves(target.size());
  read.resize(target.size());
  for (std::size_t i = 0; i < target.size(); ++i) {
    moves[i] = MQPoint{target[i].x - base[i].x, target[i].y - base[i].y, target[i].z - base[i].z};
    read[i] = MQPoint{base[i].x + moves[i].x, base[i].y + moves[i].y, base[i].z + moves[i].z};
  }
  return moves;
}

// The scene as .glb and as .obj, written once.
void WriteScenes(const std::filesystem::path& glb, const std::filesystem::path& obj) {
  if (std::filesystem::exists(glb) && std::filesystem::exists(obj)) return;
  const SurfaceMesh source = MakeSourceSurface(kVertices, true);
  const SurfaceMesh destination = MakeDestinationSurface(kVertices, true);
  const char* const names[] = {"smile", "blink", "frown"};
  GlbBuilder scene;
  ObjBuilder objScene;
  objScene.Object("body", source.vertices, &source);
  // Accessors are numbered in the order they are made, so each is made in a statement of its own.
  const std::size_t sourcePositions = scene.Points(source.vertices);
  const std::size_t sourceIndices = scene.Indices(Triangles(source));
  palisor_scene::OrderedJson sourcePrimitive = {{"attributes", {{"POSITION", sourcePositions}}},
                                                {"indices", sourceIndices}};
  for (int k = 0; k < 3; ++k) {
    std::vector<MQPoint> read;
    const std::vector<MQPoint> moves = TargetMoves(source.vertices, k, read);
    sourcePrimitive["targets"].push_back({{"POSITION", scene.Points(moves)}});
    objScene.Object(names[k], read, nullptr);
  }
  objScene.Object("garment", destination.vertices, &destination);
  objScene.text += "# palisor-bind 1 2\n# palisor-bind 1 3\n# palisor-bind 1 4\n";
  const std::size_t garmentPositions = scene.Points(destination.vertices);
  const std::size_t garmentIndices = scene.Indices(Triangles(destination));
  scene.json["meshes"] = {
      {{"name", "body"},
       {"primitives", {sourcePrimitive}},
       {"extras", {{"targetNames", {names[0], names[1], names[2]}}}}},
      {{"name", "garment"},
       {"primitives",
        {{{"attributes", {{"POSITION", garmentPositions}}}, {"indices", garmentIndices}}}}}};
  scene.json["nodes"] = {{{"name", "body"}, {"mesh", 0}}, {{"name", "garment"}, {"mesh", 1}}};
  scene.Write(glb);
  std::ofstream(obj, std::ios::binary) << objScene.text;
}

// The mean time the glTF library alone took to load and save the scene, once measured.
double tinygltfSeconds = 0;

// The glTF library alone: load the .glb and save it again. Only loading and saving are timed, not
// freeing the model afterwards (palisor-cli's phases leave that to the program's end too).
void BM_TinygltfLoadAndSave(benchmark::State& state) {
  const std::filesystem::path glb = BenchFolder() / "scene.glb";
  WriteScenes(glb, BenchFolder() / "scene.obj");
  const std::string saved = (BenchFolder() / "tinygltf.glb").string();
  double total = 0;
  for (auto _ : state) {
    tinygltf::TinyGLTF loader;
    auto model = std::make_unique<tinygltf::Model>();
    std::string error, warning;
    const Clock::time_point start = Clock::now();
    if (!loader.LoadBinaryFromFile(model.get(), &error, &warning, glb.string()) ||
        !loader.WriteGltfSceneToFile(model.get(), saved, false, true, false, true)) {
      state.SkipWithError("tinygltf could not load or save the scene");
      return;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
    // The saved file goes to disk before the next measurement, untimed, so that writing it back
    // does not slow whatever is measured next (palisor-cli's phases include flushing its output).
    const int descriptor = open(saved.c_str(), O_RDONLY);
    if (descriptor >= 0) {
      fsync(descriptor);
      close(descriptor);
    }
  }
  tinygltfSeconds = total / static_cast<double>(state.iterations());
  std::filesystem::remove(saved);
}
BENCHMARK(BM_TinygltfLoadAndSave)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);

// palisor-cli's reading and writing phases, as it reports them, of a whole run on each format,
// with the plug-in's rule or with a method along the Source's surface.
void WholeRun(benchmark::State& state, const char* format, const char* method = "nearest") {
  const std::filesystem::path folder = BenchFolder();
  WriteScenes(folder / "scene.glb", folder / "scene.obj");
  const std::string scene = (folder / (std::string("scene.") + format)).string();
  const std::string output = (folder / (std::string("result.") + format)).string();
  const std::string log = (folder / "result.log").string();
  const std::string command = std::string("'") + PALISOR_CLI_PATH + "' '" + scene + "' -o '" +
                              output + "' --select body --select garment --mode morph --method " +
                              method + " > '" + log + "'";
  double reading = 0, run = 0, writing = 0;
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("palisor-cli did not finish the run");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("Time", 0) != 0) continue;
      reading += std::atof(line.c_str() + line.find("reading ") + 8);
      run += std::atof(line.c_str() + line.find("run ") + 4);
      writing += std::atof(line.c_str() + line.find("writing ") + 8);
    }
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["reading_s"] = reading / n;
  state.counters["run_s"] = run / n;
  state.counters["writing_s"] = writing / n;
  state.counters["reading+writing_s"] = (reading + writing) / n;
  // Reading and writing over the glTF library's loading and saving, measured in the same run.
  if (std::string(format) == "glb" && tinygltfSeconds > 0) {
    state.counters["ratio_to_tinygltf"] = (reading + writing) / n / tinygltfSeconds;
  }
  std::filesystem::remove(output);
}
void BM_PalisorCliGlb(benchmark::State& state) {
  WholeRun(state, "glb");
}
void BM_PalisorCliObj(benchmark::State& state) {
  WholeRun(state, "obj");
}
// The methods along the surface on the same run, to set beside the plug-in's rule (at most twice
// its time is the aim).
void BM_PalisorCliGlbSurface(benchmark::State& state) {
  WholeRun(state, "glb", "surface");
}
void BM_PalisorCliGlbCarry(benchmark::State& state) {
  WholeRun(state, "glb", "carry");
}
BENCHMARK(BM_PalisorCliGlb)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PalisorCliObj)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PalisorCliGlbSurface)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_PalisorCliGlbCarry)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
