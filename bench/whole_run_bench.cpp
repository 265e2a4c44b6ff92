// Whole runs. First palisor-cli as a user runs it, as a child process on a scene file: a Source of
// N vertices with three keynote targets and a Destination of N vertices, from reading the file to
// the renamed result, with its wall-clock time and peak memory. Source and Destination are quad
// meshes; the targets, as a modeller exports morphs, vertices only. Beside it the floor of
// reading that file: its bytes read and its numbers parsed with from_chars, on one core. Then the
// plug-in alone through its exports in the imitated host: a 10^5-vertex Source with ten targets
// carried over to a 10^6-vertex Destination.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host_imitation/host_imitation.h"
#include "host_imitation/modal_dialog.h"
#include "host_imitation/plugin_module.h"
#include "host_imitation/widget_service.h"
#include "surface_mesh.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::filesystem::path BenchFolder() {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "palisor_whole_run";
  std::filesystem::create_directories(folder);
  return folder;
}

void AppendFloat(std::string& out, float value) {
  char digits[32];
  const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, static_cast<std::size_t>(result.ptr - digits));
}

void AppendObject(std::string& out, const std::string& name, const std::vector<MQPoint>& vertices,
                  const std::vector<std::vector<int32_t>>& faces, int64_t& vertexOffset) {
  out += "o " + name + "\n";
  for (const MQPoint& p : vertices) {
    out += 'v';
    for (float coordinate : {p.x, p.y, p.z}) {
      out += ' ';
      AppendFloat(out, coordinate);
    }
    out += '\n';
  }
  for (const std::vector<int32_t>& face : faces) {
    out += 'f';
    for (int32_t corner : face) out += ' ' + std::to_string(vertexOffset + corner + 1);
    out += '\n';
  }
  vertexOffset += static_cast<int64_t>(vertices.size());
}

// The scene of a whole run with `vertexCount` vertices a side, written once per size.
std::filesystem::path WholeRunScene(std::size_t vertexCount) {
  const std::filesystem::path path =
      BenchFolder() / ("whole_run_" + std::to_string(vertexCount) + ".obj");
  if (std::filesystem::exists(path)) return path;
  const SurfaceMesh source = MakeSourceSurface(vertexCount, true);
  const SurfaceMesh destination = MakeDestinationSurface(vertexCount, true);
  std::string text = "# a body with three morph targets and a garment\n";
  int64_t offset = 0;
  AppendObject(text, "body", source.vertices, source.faces, offset);
  const char* const targets[] = {"smile", "blink", "frown"};
  for (int k = 0; k < 3; ++k) {
    std::vector<MQPoint> target = source.vertices;
    const float phase = static_cast<float>(k);
    for (MQPoint& p : target) {
      const float swell = 0.05f * std::sin(3 * p.x + phase) * std::cos(2 * p.y - phase);
      p = MQPoint{p.x * (1 + swell), p.y * (1 + swell), p.z + swell};
    }
    AppendObject(text, std::string("elem:") + targets[k] + "-body", target, {}, offset);
  }
  AppendObject(text, "garment", destination.vertices, destination.faces, offset);
  const std::filesystem::path partial = path.string() + ".partial";
  std::ofstream(partial, std::ios::binary)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
  std::filesystem::rename(partial, path);
  return path;
}

// The floor of reading a scene: the file's bytes into memory, every number of its `v` and `f`
// lines parsed with from_chars. Returns a sum of them so that nothing is optimised away.
double ReadAndParseFloor(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return 0;
  std::string text(std::filesystem::file_size(path), '\0');
  const std::size_t got = std::fread(text.data(), 1, text.size(), file);
  std::fclose(file);
  text.resize(got);
  double sum = 0;
  const char* position = text.data();
  const char* const end = text.data() + text.size();
  while (position < end) {
    const char kind = position[0];
    const bool vertex = kind == 'v' && position + 1 < end && position[1] == ' ';
    const bool face = kind == 'f' && position + 1 < end && position[1] == ' ';
    if (vertex || face) position += 2;
    while (position < end && *position != '\n') {
      if (*position == ' ' || *position == '/') {
        ++position;
        continue;
      }
      std::from_chars_result result{position + 1, std::errc()};
      if (vertex) {
        float value = 0;
        result = std::from_chars(position, end, value);
        sum += value;
      } else if (face) {
        int32_t value = 0;
        result = std::from_chars(position, end, value);
        sum += value;
      }
      position = result.ptr > position ? result.ptr : position + 1;
    }
    ++position;
  }
  return sum;
}

struct ChildRun {
  double seconds = 0;
  // Processor time on all threads; on a shared machine steadier than the wall-clock time.
  double processorSeconds = 0;
  double peakMegabytes = 0;
  int status = -1;
};

// Runs palisor-cli on the scene, its standard output into `log`.
ChildRun RunPalisorCli(const std::string& scene, const std::string& output,
                       const std::string& log) {
  std::vector<std::string> arguments = {PALISOR_CLI_PATH, scene,  "-o",       output,
                                        "--select",       "body", "--select", "garment"};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ChildRun run;
  const Clock::time_point start = Clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child) {
      run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      run.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
      const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
      };
      run.processorSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
      run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// The phases palisor-cli reports on its "Time" line: reading, run, writing.
std::vector<double> ReportedPhases(const std::string& log) {
  std::ifstream in(log);
  std::string line;
  std::vector<double> phases;
  while (std::getline(in, line)) {
    if (line.rfind("Time", 0) != 0) continue;
    for (const char* word : {"reading ", "run ", "writing "}) {
      const std::size_t at = line.find(word);
      phases.push_back(at == std::string::npos ? 0
                                               : std::atof(line.c_str() + at + std::strlen(word)));
    }
  }
  return phases;
}

void BM_PalisorCliWholeRun(benchmark::State& state) {
  const std::size_t vertexCount = static_cast<std::size_t>(state.range(0));
  const std::filesystem::path scene = WholeRunScene(vertexCount);
  const std::string output = (BenchFolder() / "result.obj").string();
  const std::string log = (BenchFolder() / "result.log").string();
  double peak = 0;
  double processor = 0;
  double floorSeconds = 0;
  double floorProcessor = 0;
  std::vector<double> phases(3, 0.0);
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const std::clock_t processorStart = std::clock();
    benchmark::DoNotOptimize(ReadAndParseFloor(scene));
    floorProcessor += static_cast<double>(std::clock() - processorStart) / CLOCKS_PER_SEC;
    floorSeconds += std::chrono::duration<double>(Clock::now() - start).count();

    // Each run writes a new file, as a first run does; replacing a large file would add the
    // file system's time to free the old one.
    std::filesystem::remove(output);
    const ChildRun run = RunPalisorCli(scene.string(), output, log);
    if (run.status != 0) {
      state.SkipWithError("palisor-cli did not finish the run");
      return;
    }
    state.SetIterationTime(run.seconds);
    peak = std::max(peak, run.peakMegabytes);
    processor += run.processorSeconds;
    const std::vector<double> reported = ReportedPhases(log);
    for (std::size_t k = 0; k < phases.size() && k < reported.size(); ++k) phases[k] += reported[k];
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["peak_MB"] = peak;
  state.counters["cpu_s"] = processor / iterations;
  state.counters["floor_s"] = floorSeconds / iterations;
  state.counters["floor_cpu_s"] = floorProcessor / iterations;
  state.counters["reading_s"] = phases[0] / iterations;
  state.counters["run_s"] = phases[1] / iterations;
  state.counters["writing_s"] = phases[2] / iterations;
  state.counters["reading/floor"] = phases[0] / floorSeconds;
  state.counters["input_MB"] =
      static_cast<double>(std::filesystem::file_size(scene)) / (1024.0 * 1024.0);
  state.counters["output_MB"] =
      static_cast<double>(std::filesystem::file_size(output)) / (1024.0 * 1024.0);
  std::filesystem::remove(output);
}

BENCHMARK(BM_PalisorCliWholeRun)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kSecond)
    ->UseManualTime()
    ->Iterations(3);

constexpr std::size_t kSourceVertices = 100000;
constexpr std::size_t kDestinationVertices = 1000000;
constexpr int kTargets = 10;

struct ExportsScene {
  std::vector<MQPoint> source;
  std::vector<MQPoint> destination;
  std::vector<std::vector<MQPoint>> targets;
};

const ExportsScene& BenchScene() {
  static const ExportsScene scene = [] {
    ExportsScene made;
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
  const ExportsScene& scene = BenchScene();
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
