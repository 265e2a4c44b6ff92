// The closest point on a triangle surface: each contender builds its structure over a surface
// mesh of 10^5 or 10^6 triangles and answers as many queries, the vertices of a differently
// tessellated surface lying over it. Contenders: the exact surface search on one thread and on
// all; and as peers, on one thread, CGAL's AABB tree (closest point and primitive, with its
// distance-query acceleration) and Embree's point query, whose callback measures each triangle
// with the surface search's own per-triangle routine. Then each one's build alone. The counter
// "distance" (the mean squared distance found) shows the contenders agree.
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

#include "surface/closest_point.h"
#include "surface/triangle_closest_point.h"
#include "surface_mesh.h"

namespace {

struct TriangleMesh {
  std::vector<float> positions;
  std::vector<uint32_t> corners;
  std::vector<float> queries;
};

// The Source surface cut into `triangleCount` triangles (two per quad), and as many queries.
const TriangleMesh& MeshOf(std::size_t triangleCount) {
  static std::map<std::size_t, TriangleMesh> meshes;
  TriangleMesh& mesh = meshes[triangleCount];
  if (!mesh.corners.empty()) return mesh;
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

void Report(benchmark::State& state, const TriangleMesh& mesh, double distanceSum) {
  state.counters["triangles"] = static_cast<double>(mesh.corners.size() / 3);
  state.counters["queries"] = static_cast<double>(mesh.queries.size() / 3);
  if (distanceSum > 0.0) {
    state.counters["distance"] = distanceSum / static_cast<double>(mesh.queries.size() / 3);
  }
}

// What a run times: building alone, or building and answering every query.
enum class Work { kBuild, kBuildAndQueries };

void Exact(benchmark::State& state, unsigned threads, Work work) {
  const TriangleMesh& mesh = MeshOf(static_cast<std::size_t>(state.range(0)));
  std::vector<SurfaceHit> hits(mesh.queries.size() / 3);
  for (auto _ : state) {
    ClosestPointSearch search;
    search.Build(mesh.positions.data(), mesh.positions.size() / 3, mesh.corners.data(),
                 mesh.corners.size() / 3, threads);
    if (work == Work::kBuild) continue;
    search.FindClosest(mesh.queries.data(), hits.size(), hits.data(), threads);
    benchmark::DoNotOptimize(hits.data());
  }
  double sum = 0.0;
  for (const SurfaceHit& hit : hits) sum += hit.squaredDistance;
  Report(state, mesh, sum);
}

void Cgal(benchmark::State& state, Work work) {
  using Kernel = CGAL::Simple_cartesian<double>;
  using Triangles = std::vector<Kernel::Triangle_3>;
  using Primitive = CGAL::AABB_triangle_primitive<Kernel, Triangles::const_iterator>;
  using Tree = CGAL::AABB_tree<CGAL::AABB_traits<Kernel, Primitive>>;
  const TriangleMesh& mesh = MeshOf(static_cast<std::size_t>(state.range(0)));
  double sum = 0.0;
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
    sum = 0.0;
    for (std::size_t k = 0; k < mesh.queries.size(); k += 3) {
      const Kernel::Point_3 query(mesh.queries[k], mesh.queries[k + 1], mesh.queries[k + 2]);
      const auto found = tree.closest_point_and_primitive(query);
      sum += CGAL::squared_distance(query, found.first);
    }
  }
  Report(state, mesh, sum);
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
  const TriangleMesh& mesh = MeshOf(static_cast<std::size_t>(state.range(0)));
  RTCDevice device = rtcNewDevice("threads=1");
  double sum = 0.0;
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
    sum = 0.0;
    for (std::size_t k = 0; work == Work::kBuildAndQueries && k < mesh.queries.size(); k += 3) {
      RTCPointQuery query;
      query.x = mesh.queries[k];
      query.y = mesh.queries[k + 1];
      query.z = mesh.queries[k + 2];
      query.time = 0.0f;
      query.radius = std::numeric_limits<float>::infinity();
      RTCPointQueryContext context;
      rtcInitPointQueryContext(&context);
      EmbreeQuery found{&mesh, std::numeric_limits<float>::infinity(), RTC_INVALID_GEOMETRY_ID};
      rtcPointQuery(scene, &query, &context, MeasureTriangle, &found);
      sum += found.squaredDistance;
    }
    rtcReleaseScene(scene);
  }
  rtcReleaseDevice(device);
  Report(state, mesh, sum);
}
#endif

void Sizes(benchmark::internal::Benchmark* benchmark) {
  benchmark->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();
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
