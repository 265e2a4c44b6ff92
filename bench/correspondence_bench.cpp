// The nearest Source points of every Destination vertex on surface meshes of 10^4 to 10^6
// vertices a side: the exact k-d tree search; the exhaustive search it must match, both over
// plain arrays and as first built, reading every used Source vertex through the (imitated) host
// for every Destination vertex; and, as a peer, an off-the-shelf k-d tree's plain 3-nearest query,
// which keeps no tie rule.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <nanoflann.hpp>
#include <string>
#include <vector>

#include "host/host_function_table.h"
#include "host_imitation/host_imitation.h"
#include "host_imitation/plugin_module.h"
#include "reference/nearest_source_vertices.h"
#include "search/nearest_search.h"
#include "surface_mesh.h"
#include "tool/correspondence.h"

namespace {

struct PointPair {
  std::vector<MQPoint> sourcePositions;
  SourcePoints source;
  std::vector<MQPoint> hostQueries;
  std::vector<SearchPoint> queries;
};

const PointPair& PairOfSize(std::size_t vertexCount) {
  static std::map<std::size_t, PointPair> pairs;
  auto found = pairs.find(vertexCount);
  if (found != pairs.end()) return found->second;
  // One pair at a time keeps the memory of the run small.
  pairs.clear();
  PointPair& pair = pairs[vertexCount];
  pair.sourcePositions = MakeSourceSurface(vertexCount).vertices;
  for (std::size_t k = 0; k < pair.sourcePositions.size(); ++k) {
    pair.source.Add(static_cast<int32_t>(k), ToSearchPoint(pair.sourcePositions[k]));
  }
  pair.hostQueries = MakeDestinationSurface(vertexCount).vertices;
  for (const MQPoint& query : pair.hostQueries) pair.queries.push_back(ToSearchPoint(query));
  return pair;
}

void SetCounters(benchmark::State& state, const PointPair& pair) {
  state.counters["source"] = static_cast<double>(pair.source.size());
  state.counters["queries"] = static_cast<double>(pair.queries.size());
  state.counters["queries/s"] = benchmark::Counter(static_cast<double>(pair.queries.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void ExactSearch(benchmark::State& state, unsigned threads) {
  const PointPair& pair = PairOfSize(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<NearestFound> found = FindNearestAll(pair.source, pair.queries, threads);
    benchmark::DoNotOptimize(found.data());
  }
  SetCounters(state, pair);
}

void BM_ExactOneThread(benchmark::State& state) {
  ExactSearch(state, 1);
}

void BM_ExactAllThreads(benchmark::State& state) {
  ExactSearch(state, 0);
}

void BM_Exhaustive(benchmark::State& state) {
  const PointPair& pair = PairOfSize(static_cast<std::size_t>(state.range(0)));
  NearestList list;
  for (auto _ : state) {
    for (const SearchPoint& query : pair.queries) {
      FindNearestExhaustive(pair.source, query, list);
      benchmark::DoNotOptimize(list.data());
    }
  }
  SetCounters(state, pair);
}

// The search as first built: every used Source vertex read through the host for every query.
void BM_ExhaustiveThroughTheHost(benchmark::State& state) {
  const PointPair& pair = PairOfSize(static_cast<std::size_t>(state.range(0)));
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

// nanoflann reads the points through an adaptor.
struct SourceAdaptor {
  const SourcePoints& points;
  std::size_t kdtree_get_point_count() const { return points.size(); }
  float kdtree_get_pt(std::size_t k, std::size_t axis) const {
    const SearchPoint& p = points.positions[k];
    return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
  }
  template <class Box>
  bool kdtree_get_bbox(Box&) const {
    return false;
  }
};

using PeerTree =
    nanoflann::KDTreeSingleIndexAdaptor<nanoflann::L2_Simple_Adaptor<float, SourceAdaptor>,
                                        SourceAdaptor, 3, uint32_t>;

// The peer's own tree and its 3-nearest query, single-threaded, as its documentation shows.
void BM_NanoflannOneThread(benchmark::State& state) {
  const PointPair& pair = PairOfSize(static_cast<std::size_t>(state.range(0)));
  const SourceAdaptor adaptor{pair.source};
  std::vector<uint32_t> indices(pair.queries.size() * 3);
  std::vector<float> distances(pair.queries.size() * 3);
  for (auto _ : state) {
    PeerTree tree(3, adaptor, nanoflann::KDTreeSingleIndexAdaptorParams(10));
    tree.buildIndex();
    for (std::size_t q = 0; q < pair.queries.size(); ++q) {
      const float query[3] = {pair.queries[q].x, pair.queries[q].y, pair.queries[q].z};
      tree.knnSearch(query, 3, &indices[3 * q], &distances[3 * q]);
    }
    benchmark::DoNotOptimize(indices.data());
  }
  SetCounters(state, pair);
}

BENCHMARK(BM_ExactOneThread)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ExactAllThreads)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_NanoflannOneThread)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// Beyond 2*10^4 vertices a side the exhaustive searches take minutes.
BENCHMARK(BM_Exhaustive)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_ExhaustiveThroughTheHost)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// Prints the runs as the console does, then the ratios that matter, measured in this one run, of
// processor times.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        // Processor time: the one-thread runs compared here are not disturbed by whatever else
        // the machine runs at the time.
        seconds_[run.benchmark_name()] = run.GetAdjustedCPUTime() * 1e-3;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() const {
    std::printf("\n");
    Ratio("exhaustive over arrays / exact (one thread each) at 20000",
          "BM_Exhaustive/20000/iterations:1/real_time", "BM_ExactOneThread/20000/real_time");
    Ratio("exhaustive through the host / exact (one thread each) at 20000",
          "BM_ExhaustiveThroughTheHost/20000/iterations:1/real_time",
          "BM_ExactOneThread/20000/real_time");
    for (const char* size : {"100000", "1000000"}) {
      Ratio(std::string("nanoflann / exact (one thread each) at ") + size,
            std::string("BM_NanoflannOneThread/") + size + "/real_time",
            std::string("BM_ExactOneThread/") + size + "/real_time");
    }
    const auto million = seconds_.find("BM_ExactOneThread/1000000/real_time");
    if (million != seconds_.end()) {
      std::printf("exact search, 10^6 x 10^6 on one thread: %.3f s of processor time\n",
                  million->second);
    }
  }

 private:
  void Ratio(const std::string& label, const std::string& slower, const std::string& faster) const {
    const auto a = seconds_.find(slower);
    const auto b = seconds_.find(faster);
    if (a == seconds_.end() || b == seconds_.end()) return;
    std::printf("%s: %.1f\n", label.c_str(), a->second / b->second);
  }

  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
