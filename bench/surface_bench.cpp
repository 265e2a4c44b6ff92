// The closest point on a triangle surface: each contender builds its structure over a surface
// mesh and answers as many queries as it has triangles. Two shapes: a torus of 10^5 or 10^6
// triangles, queried at the vertices of a differently tessellated surface lying over it; and a
// fan of 2 * 10^4 or 10^5 slivers over a tilted unit disc (sliver_fan.h), queried just off it.
// Contenders: the exact surface search on one thread and on all; and as peers, on one thread,
// CGAL's AABB tree (closest point and primitive, with its distance-query acceleration) and
// Embree's point query, whose callback measures each triangle with the surface search's own
// per-triangle routine. Then each one's build alone. The counter "distance" (the mean squared
// distance found) shows the contenders agree; on the fan, "ulps" is the largest distance of a
// squared distance found from the exact one, in units in the last place of a float there.
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/AABB_triangle_primitive.h>
#include <CGAL/Simple_cartesian.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

#ifdef PALISOR_HAVE_EMBREE
#include <embree3/rtcore.h>
#endif

#include "sliver_fan.h"
#include "surface/closest_point.h"
#include "surface/triangle_closest_point.h"
#include "surface_mesh.h"

namespace {

struct TriangleMesh {
  std::vector<float> positions;
  std::vector<uint32_t> corners;
  std::vector<float> queries;
  // Each query's exact squared distance, where it is known.
  std::vector<long double> exact;
};

enum Shape : int64_t { kTorus = 0, kFan = 1 };

// The Source surface cut into `triangleCount` triangles (two per quad), and as many queries.
TriangleMesh MakeTorus(std::size_t triangleCount) {
  TriangleMesh mesh;
  const SurfaceMesh source = MakeSourceSurface(triangleCount / 2, true);
  for (const MQPoint& vertex : source.vertices) {
    mesh.positions.insert(mesh.positions.end(), {vertex.x, vertex.y, vertex.z});
  }
  for (const std::vector<int32_t>& quad : source.faces) {
    for (const int32_t corner : {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]}) {
      mesh.corners.push_back(static_cast<uint32_t>(corner));
    }
  }
  for (const MQPoint& vertex : MakeDestinationSurface(triangleCount).vertices) {
    mesh.queries.insert(mesh.queries.end(), {vertex.x, vertex.y, vertex.z});
  }
  return mesh;
}

// The mesh of a run: its shape is the first argument, its triangle count the second.
const TriangleMesh& MeshOf(const benchmark::State& state) {
  static std::map<std::pair<int64_t, int64_t>, TriangleMesh> meshes;
  const auto key = std::make_pair(state.range(0), state.range(1));
  TriangleMesh& mesh = meshes[key];
  if (!mesh.corners.empty()) return mesh;
  const auto count = static_cast<std::size_t>(key.second);
  if (key.first == kTorus) {
    mesh = MakeTorus(count);
  } else {
    SliverFan fan = MakeSliverFan(count);
    mesh = TriangleMesh{std::move(fan.positions), std::move(fan.corners), std::move(fan.queries),
                        std::move(fan.exactSquaredDistances)};
  }
  return mesh;
}

// The counters of a run that found `found`, each query's squared distance (none for a build).
void Report(benchmark::State& state, const TriangleMesh& mesh,
            const std::vector<long double>& found) {
  state.counters["triangles"] = static_cast<double>(mesh.corners.size() / 3);
  state.counters["queries"] = static_cast<double>(mesh.queries.size() / 3);
  if (found.empty()) return;
  long double sum = 0.0L;
  double ulps = 0.0;
  for (std::size_t k = 0; k < found.size(); ++k) {
    sum += found[k];
    if (!mesh.exact.empty()) ulps = std::max(ulps, UlpsApart(found[k], mesh.exact[k]));
  }
  state.counters["distance"] = static_cast<double>(sum / static_cast<long double>(found.size()));
  if (!mesh.exact.empty()) state.counters["ulps"] = ulps;
}

// What a run times: building alone, or building and answering every query.
enum class Work { kBuild, kBuildAndQueries };

void Exact(benchmark::State& state, unsigned threads, Work work) {
  const TriangleMesh& mesh = MeshOf(state);
  std::vector<SurfaceHit> hits(mesh.queries.size() / 3);
  for (auto _ : state) {
    ClosestPointSearch search;
    search.Build(mesh.positions.data(), mesh.positions.size() / 3, mesh.corners.data(),
                 mesh.corners.size() / 3, threads);
    if (work == Work::kBuild) continue;
    search.FindClosest(mesh.queries.data(), hits.size(), hits.data(), threads);
    benchmark::DoNotOptimize(hits.data());
  }
  std::vector<long double> found;
  for (std::size_t k = 0; work == Work::kBuildAndQueries && k < hits.size(); ++k) {
    found.push_back(hits[k].squaredDistance);
  }
  Report(state, mesh, found);
}

void Cgal(benchmark::State& state, Work work) {
  using Kernel = CGAL::Simple_cartesian<double>;
  using Triangles = std::vector<Kernel::Triangle_3>;
  using Primitive = CGAL::AABB_triangle_primitive<Kernel, Triangles::const_iterator>;
  using Tree = CGAL::AABB_tree<CGAL::AABB_traits<Kernel, Primitive>>;
  const TriangleMesh& mesh = MeshOf(state);
  std::vector<long double> found;
  for (auto _ : state) {
    Triangles triangles;
    triangles.reserve(mesh.corners.size() / 3);
    const auto point = [&](uint32_t vertex) {
      const float* xyz = &mesh.positions[3 * static_cast<std::size_t>(vertex)];
      return Kernel::Point_3(xyz[0], xyz[1], xyz[2]);
    };
    for (std::size_t k = 0; k < mesh.corners.size(); k += 3) {
      triangles.emplace_back(point(mesh.corners[k]), point(mesh.corners[k + 1]),
                             point(mesh.corners[k + 2]));
    }
    Tree tree(triangles.cbegin(), triangles.cend());
    tree.accelerate_distance_queries();
    if (work == Work::kBuild) {
      tree.build();
      continue;
    }
    found.clear();
    for (std::size_t k = 0; k < mesh.queries.size(); k += 3) {
      const Kernel::Point_3 query(mesh.queries[k], mesh.queries[k + 1], mesh.queries[k + 2]);
      const auto closest = tree.closest_point_and_primitive(query);
      found.push_back(CGAL::squared_distance(query, closest.first));
    }
  }
  Report(state, mesh, found);
}

#ifdef PALISOR_HAVE_EMBREE
// What a point query carries to its callback: the mesh, and the best triangle met so far.
struct EmbreeQuery {
  const TriangleMesh* mesh;
  float squaredDistance;
  uint32_t triangle;
};

Vector3 EmbreeVertex(const TriangleMesh& mesh, uint32_t vertex) {
  const float* xyz = &mesh.positions[3 * static_cast<std::size_t>(vertex)];
  return Vector3{xyz[0], xyz[1], xyz[2]};
}

// Called for each triangle whose box lies within the query's radius: measures the triangle and,
// where it is nearer, shrinks the radius so that Embree prunes the rest.
bool MeasureTriangle(RTCPointQueryFunctionArguments* arguments) {
  auto* query = static_cast<EmbreeQuery*>(arguments->userPtr);
  const uint32_t* corners = &query->mesh->corners[3 * static_cast<std::size_t>(arguments->primID)];
  const TriangleCorners triangle{EmbreeVertex(*query->mesh, corners[0]),
                                 EmbreeVertex(*query->mesh, corners[1]),
                                 EmbreeVertex(*query->mesh, corners[2])};
  const Vector3 point{arguments->query->x, arguments->query->y, arguments->query->z};
  const SurfaceHit hit = ClosestPointOnTriangle(point, triangle);
  if (!(hit.squaredDistance < query->squaredDistance)) return false;
  query->squaredDistance = hit.squaredDistance;
  query->triangle = arguments->primID;
  arguments->query->radius = std::sqrt(hit.squaredDistance);
  return true;
}

void Embree(benchmark::State& state, Work work) {
  const TriangleMesh& mesh = MeshOf(state);
  RTCDevice device = rtcNewDevice("threads=1");
  std::vector<long double> found;
  for (auto _ : state) {
    RTCScene scene = rtcNewScene(device);
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    const std::size_t vertexCount = mesh.positions.size() / 3;
    const std::size_t triangleCount = mesh.corners.size() / 3;
    auto* vertices = static_cast<float*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), vertexCount));
    auto* indices = static_cast<uint32_t*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(uint32_t), triangleCount));
    std::copy(mesh.positions.begin(), mesh.positions.end(), vertices);
    std::copy(mesh.corners.begin(), mesh.corners.end(), indices);
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);
    found.clear();
    for (std::size_t k = 0; work == Work::kBuildAndQueries && k < mesh.queries.size(); k += 3) {
      RTCPointQuery query;
      query.x = mesh.queries[k];
      query.y = mesh.queries[k + 1];
      query.z = mesh.queries[k + 2];
      query.time = 0.0f;
      query.radius = std::numeric_limits<float>::infinity();
      RTCPointQueryContext context;
      rtcInitPointQueryContext(&context);
      EmbreeQuery best{&mesh, std::numeric_limits<float>::infinity(), RTC_INVALID_GEOMETRY_ID};
      rtcPointQuery(scene, &query, &context, MeasureTriangle, &best);
      found.push_back(best.squaredDistance);
    }
    rtcReleaseScene(scene);
  }
  rtcReleaseDevice(device);
  Report(state, mesh, found);
}
#endif

void Sizes(benchmark::internal::Benchmark* benchmark) {
  benchmark->Args({kTorus, 100000})->Args({kTorus, 1000000});
  benchmark->Args({kFan, 20000})->Args({kFan, 100000});
  benchmark->ArgNames({"shape", "triangles"})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK_CAPTURE(Exact, OneThread, 1u, Work::kBuildAndQueries)->Apply(Sizes);
BENCHMARK_CAPTURE(Exact, AllThreads, 0u, Work::kBuildAndQueries)->Apply(Sizes);
BENCHMARK_CAPTURE(Cgal, OneThread, Work::kBuildAndQueries)->Apply(Sizes);
#ifdef PALISOR_HAVE_EMBREE
BENCHMARK_CAPTURE(Embree, OneThread, Work::kBuildAndQueries)->Apply(Sizes);
#endif
// The build alone, of which the rows above are made.
BENCHMARK_CAPTURE(Exact, BuildOneThread, 1u, Work::kBuild)->Apply(Sizes);
BENCHMARK_CAPTURE(Exact, BuildAllThreads, 0u, Work::kBuild)->Apply(Sizes);
BENCHMARK_CAPTURE(Cgal, BuildOneThread, Work::kBuild)->Apply(Sizes);
#ifdef PALISOR_HAVE_EMBREE
BENCHMARK_CAPTURE(Embree, BuildOneThread, Work::kBuild)->Apply(Sizes);
#endif

}  // namespace

BENCHMARK_MAIN();
