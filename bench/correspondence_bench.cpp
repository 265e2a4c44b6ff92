// The nearest Source points of every Destination vertex, 10^4 to 10^6 points a side, on three
// shapes: surface meshes as modellers morph them, a cylinder a hundred times as long as it is wide,
// and points on a few planes. Contenders, each timed for building its index once plus answering
// every query: the exact k-d tree search on one thread and on all; and as peers, on one thread,
// the plain 3-nearest queries of nanoflann, FLANN (its exact single k-d tree) and CGAL (its
// orthogonal k-neighbour search), which keep no tie rule. Beside them, on surfaces, the exhaustive
// search the tree must match, over plain arrays and as first built, reading every used Source
// vertex through the (imitated) host for every Destination vertex.
#include <CGAL/Orthogonal_k_neighbor_search.h>
#include <CGAL/Search_traits_3.h>
#include <CGAL/Simple_cartesian.h>
#include <benchmark/benchmark.h>
#include <flann/algorithms/dist.h>
#include <flann/algorithms/kdtree_single_index.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <nanoflann.hpp>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/host_function_table.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/plugin_module.h"
#include "reference/nearest_source_vertices.h"
#include "search/nearest_search.h"
#include "surface_mesh.h"
#include "tool/correspondence.h"

namespace {

static_assert(sizeof(Vector3) == 3 * sizeof(float), "points are packed float triples");

enum class Shape { kSurface, kCylinder, kPlanes };

const char* ShapeName(Shape shape) {
  switch (shape) {
    case Shape::kSurface:
      return "surface";
    case Shape::kCylinder:
      return "cylinder";
    default:
      return "planes";
  }
}

struct PointPair {
  std::vector<MQPoint> sourcePositions;
  SourcePoints source;
  std::vector<MQPoint> hostQueries;
  std::vector<Vector3> queries;
};

// `count` points on a cylinder along x, 200 long and 2 wide, at `radius`.
std::vector<MQPoint> OnCylinder(std::size_t count, float radius, std::mt19937& engine) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<MQPoint> points(count);
  for (MQPoint& point : points) {
    const float angle = 6.2831853f * unit(engine);
    point = MQPoint{200.0f * unit(engine), radius * std::cos(angle), radius * std::sin(angle)};
  }
  return points;
}

// `count` points on four planes at odd angles through a 4-wide box, each `spread` thick.
std::vector<MQPoint> OnPlanes(std::size_t count, float spread, std::mt19937& engine) {
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  // Each plane: a point on it and two unit directions along it.
  struct Plane {
    MQPoint origin;
    MQPoint u;
    MQPoint v;
    MQPoint normal;
  };
  const Plane planes[4] = {
      {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
      {{0, 0, 1}, {0.8f, -0.6f, 0}, {0, 0, 1}, {0.6f, 0.8f, 0}},
      {{0.5f, 0, 0}, {0, 0.8f, -0.6f}, {0.8f, 0.36f, 0.48f}, {-0.6f, 0.48f, 0.64f}},
      {{-1, 0.5f, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
  };
  std::vector<MQPoint> points(count);
  for (std::size_t k = 0; k < count; ++k) {
    const Plane& plane = planes[k % 4];
    const float a = 4 * unit(engine) - 2;
    const float b = 4 * unit(engine) - 2;
    const float c = spread * (unit(engine) - 0.5f);
    points[k] = MQPoint{plane.origin.x + a * plane.u.x + b * plane.v.x + c * plane.normal.x,
                        plane.origin.y + a * plane.u.y + b * plane.v.y + c * plane.normal.y,
                        plane.origin.z + a * plane.u.z + b * plane.v.z + c * plane.normal.z};
  }
  return points;
}

const PointPair& PairOf(Shape shape, std::size_t vertexCount) {
  static std::map<std::pair<Shape, std::size_t>, PointPair> pairs;
  const auto key = std::make_pair(shape, vertexCount);
  auto found = pairs.find(key);
  if (found != pairs.end()) return found->second;
  // One pair at a time keeps the memory of the run small.
  pairs.clear();
  PointPair& pair = pairs[key];
  std::mt19937 engine(static_cast<uint32_t>(vertexCount));
  switch (shape) {
    case Shape::kSurface:
      pair.sourcePositions = MakeSourceSurface(vertexCount).vertices;
      pair.hostQueries = MakeDestinationSurface(vertexCount).vertices;
      break;
    case Shape::kCylinder:
      pair.sourcePositions = OnCylinder(vertexCount, 1.0f, engine);
      pair.hostQueries = OnCylinder(vertexCount, 1.05f, engine);
      break;
    case Shape::kPlanes:
      pair.sourcePositions = OnPlanes(vertexCount, 0.0f, engine);
      pair.hostQueries = OnPlanes(vertexCount, 0.1f, engine);
      break;
  }
  for (std::size_t k = 0; k < pair.sourcePositions.size(); ++k) {
    pair.source.Add(static_cast<int32_t>(k), ToVector3(pair.sourcePositions[k]));
  }
  for (const MQPoint& query : pair.hostQueries) pair.queries.push_back(ToVector3(query));
  return pair;
}

void SetCounters(benchmark::State& state, const PointPair& pair) {
  state.counters["source"] = static_cast<double>(pair.source.size());
  state.counters["queries"] = static_cast<double>(pair.queries.size());
  state.counters["queries/s"] = benchmark::Counter(static_cast<double>(pair.queries.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void Exact(benchmark::State& state, Shape shape, unsigned threads) {
  const PointPair& pair = PairOf(shape, static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<NearestFound> found = FindNearestAll(pair.source, pair.queries, threads);
    benchmark::DoNotOptimize(found.data());
  }
  SetCounters(state, pair);
}

// nanoflann reads the points through an adaptor; its constructor builds the index.
struct SourceAdaptor {
  const SourcePoints& points;
  std::size_t kdtree_get_point_count() const { return points.size(); }
  float kdtree_get_pt(std::size_t k, std::size_t axis) const {
    const Vector3& p = points.positions[k];
    return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
  }
  template <class Box>
  bool kdtree_get_bbox(Box&) const {
    return false;
  }
};

using NanoflannTree =
    nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, SourceAdaptor>,
                                        SourceAdaptor, 3, uint32_t>;

void Nanoflann(benchmark::State& state, Shape shape) {
  const PointPair& pair = PairOf(shape, static_cast<std::size_t>(state.range(0)));
  const SourceAdaptor adaptor{pair.source};
  std::vector<uint32_t> indices(pair.queries.size() * 3);
  std::vector<float> distances(pair.queries.size() * 3);
  for (auto _ : state) {
    const NanoflannTree tree(3, adaptor, nanoflann::KDTreeSingleIndexAdaptorParams(10));
    for (std::size_t q = 0; q < pair.queries.size(); ++q) {
      const float query[3] = {pair.queries[q].x, pair.queries[q].y, pair.queries[q].z};
      tree.knnSearch(query, 3, &indices[3 * q], &distances[3 * q]);
    }
    benchmark::DoNotOptimize(indices.data());
  }
  SetCounters(state, pair);
}

// FLANN's single k-d tree, exact with unlimited checks, over the packed coordinates.
void Flann(benchmark::State& state, Shape shape) {
  const PointPair& pair = PairOf(shape, static_cast<std::size_t>(state.range(0)));
  const flann::Matrix<float> points(const_cast<float*>(&pair.source.positions[0].x),
                                    pair.source.size(), 3);
  const flann::Matrix<float> queries(const_cast<float*>(&pair.queries[0].x), pair.queries.size(),
                                     3);
  std::vector<std::size_t> indexStore(pair.queries.size() * 3);
  std::vector<float> distanceStore(pair.queries.size() * 3);
  flann::Matrix<std::size_t> indices(indexStore.data(), pair.queries.size(), 3);
  flann::Matrix<float> distances(distanceStore.data(), pair.queries.size(), 3);
  for (auto _ : state) {
    flann::KDTreeSingleIndex<flann::L2_Simple<float>> index(points,
                                                            flann::KDTreeSingleIndexParams(10));
    index.buildIndex();
    index.knnSearch(queries, indices, distances, 3,
                    flann::SearchParams(flann::FLANN_CHECKS_UNLIMITED, 0.0f, true));
    benchmark::DoNotOptimize(indexStore.data());
  }
  SetCounters(state, pair);
}

// CGAL's k-d tree and its exact k-neighbour search, on its own point type.
using CgalKernel = CGAL::Simple_cartesian<float>;
using CgalSearch = CGAL::Orthogonal_k_neighbor_search<CGAL::Search_traits_3<CgalKernel>>;

void Cgal(benchmark::State& state, Shape shape) {
  const PointPair& pair = PairOf(shape, static_cast<std::size_t>(state.range(0)));
  std::vector<CgalKernel::Point_3> points;
  points.reserve(pair.source.size());
  for (const Vector3& p : pair.source.positions) points.emplace_back(p.x, p.y, p.z);
  std::vector<CgalKernel::Point_3> queries;
  queries.reserve(pair.queries.size());
  for (const Vector3& q : pair.queries) queries.emplace_back(q.x, q.y, q.z);
  float total = 0.0f;
  for (auto _ : state) {
    CgalSearch::Tree tree(points.begin(), points.end());
    tree.build();
    for (const CgalKernel::Point_3& query : queries) {
      const CgalSearch search(tree, query, 3);
      for (const auto& neighbour : search) total += neighbour.second;
    }
    benchmark::DoNotOptimize(total);
  }
  SetCounters(state, pair);
}

void Exhaustive(benchmark::State& state) {
  const PointPair& pair = PairOf(Shape::kSurface, static_cast<std::size_t>(state.range(0)));
  NearestList list;
  for (auto _ : state) {
    for (const Vector3& query : pair.queries) {
      FindNearestExhaustive(pair.source, query, list);
      benchmark::DoNotOptimize(list.data());
    }
  }
  SetCounters(state, pair);
}

// The search as first built: every used Source vertex read through the host for every query.
void ExhaustiveThroughTheHost(benchmark::State& state) {
  const PointPair& pair = PairOf(Shape::kSurface, static_cast<std::size_t>(state.range(0)));
  if (!mq::ResolveHostFunctions(host_imitation::HostModulePath().c_str())) {
    state.SkipWithError("the imitated host's functions could not be resolved");
    return;
  }
  auto& host = host_imitation::Host();
  host.Reset();
  host_imitation::HostDocument& document = host.NewDocument();
  std::vector<int32_t> face(pair.source.size());
  for (std::size_t k = 0; k < face.size(); ++k) face[k] = static_cast<int32_t>(k);
  host_imitation::HostObject& source =
      host.AddObject(document, "source", pair.sourcePositions, {face});
  const cmq::CMQObject handle(source.handle(), document.handle());
  for (auto _ : state) {
    for (const MQPoint& query : pair.hostQueries) {
      NearestList list = NearestSourceVertices(handle, query);
      benchmark::DoNotOptimize(list.data());
    }
  }
  host.Reset();
  SetCounters(state, pair);
}

const std::vector<int64_t> kSizes = {10000, 100000, 1000000};
const Shape kShapes[] = {Shape::kSurface, Shape::kCylinder, Shape::kPlanes};

void RegisterAll() {
  for (Shape shape : kShapes) {
    const std::string suffix = std::string("/") + ShapeName(shape);
    const auto add = [&](const std::string& name, auto run) {
      auto* benchmark = benchmark::RegisterBenchmark((name + suffix).c_str(), run);
      for (int64_t size : kSizes) benchmark->Arg(size);
      benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    add("ExactOneThread", [shape](benchmark::State& state) { Exact(state, shape, 1); });
    add("ExactAllThreads", [shape](benchmark::State& state) { Exact(state, shape, 0); });
    add("Nanoflann", [shape](benchmark::State& state) { Nanoflann(state, shape); });
    add("Flann", [shape](benchmark::State& state) { Flann(state, shape); });
    add("Cgal", [shape](benchmark::State& state) { Cgal(state, shape); });
  }
  // Beyond 2*10^4 points a side the exhaustive searches take minutes.
  benchmark::RegisterBenchmark("Exhaustive/surface", Exhaustive)
      ->Arg(10000)
      ->Arg(20000)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1);
  benchmark::RegisterBenchmark("ExactOneThread/surface",
                               [](benchmark::State& state) { Exact(state, Shape::kSurface, 1); })
      ->Arg(20000)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("ExhaustiveThroughTheHost/surface", ExhaustiveThroughTheHost)
      ->Arg(20000)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(1);
}

// Prints the runs as the console does, then the ratios that matter, measured in this one run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        std::string name = run.benchmark_name();
        // "Name/shape/size/..." -> "Name/shape/size".
        const std::size_t cut = name.find("/real_time");
        if (cut != std::string::npos) name.erase(cut);
        const std::size_t iterations = name.find("/iterations:");
        if (iterations != std::string::npos) name.erase(iterations);
        // Processor time compares one-thread runs undisturbed by whatever else the machine
        // runs; wall-clock time shows what more threads gain.
        processor_[name] = run.GetAdjustedCPUTime() * 1e-3;
        wall_[name] = run.GetAdjustedRealTime() * 1e-3;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\nPeer / exact search, build and queries, one thread each (processor time):\n");
    std::printf("%-10s %9s %10s %10s %10s\n", "shape", "points", "nanoflann", "FLANN", "CGAL");
    for (Shape shape : kShapes) {
      for (int64_t size : kSizes) {
        const std::string tail = std::string("/") + ShapeName(shape) + "/" + std::to_string(size);
        std::printf("%-10s %9lld", ShapeName(shape), static_cast<long long>(size));
        for (const char* peer : {"Nanoflann", "Flann", "Cgal"}) {
          PrintRatio(processor_, peer + tail, "ExactOneThread" + tail, 11);
        }
        std::printf("\n");
      }
    }
    std::printf("\nExact search at 10^6, all threads over one (wall-clock):\n");
    for (Shape shape : kShapes) {
      const std::string tail = std::string("/") + ShapeName(shape) + "/1000000";
      std::printf("%-10s", ShapeName(shape));
      PrintRatio(wall_, "ExactOneThread" + tail, "ExactAllThreads" + tail, 6);
      std::printf(" on %u threads\n", std::thread::hardware_concurrency());
    }
    std::printf("\nExhaustive / exact search (one thread each) at 20000:\n");
    std::printf("over arrays");
    PrintRatio(processor_, "Exhaustive/surface/20000", "ExactOneThread/surface/20000", 8);
    std::printf("\nthrough the host");
    PrintRatio(processor_, "ExhaustiveThroughTheHost/surface/20000", "ExactOneThread/surface/20000",
               8);
    std::printf("\n");
    const auto million = processor_.find("ExactOneThread/surface/1000000");
    if (million != processor_.end()) {
      std::printf("exact search, 10^6 x 10^6 surface points on one thread: %.3f s\n",
                  million->second);
    }
  }

 private:
  static void PrintRatio(const std::map<std::string, double>& seconds, const std::string& slower,
                         const std::string& faster, int width) {
    const auto a = seconds.find(slower);
    const auto b = seconds.find(faster);
    if (a == seconds.end() || b == seconds.end()) {
      std::printf("%*s", width, "-");
    } else {
      std::printf("%*.2f", width, a->second / b->second);
    }
  }

  std::map<std::string, double> processor_;
  std::map<std::string, double> wall_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RegisterAll();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
