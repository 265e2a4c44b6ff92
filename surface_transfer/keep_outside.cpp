#include "surface_transfer/keep_outside.h"

#include <algorithm>
#include <cmath>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "surface_transfer/pseudo_normals.h"

namespace {

constexpr std::size_t kMinimumChunk = 256;
// Pushes from each new closest point in turn, then pushes farther, each pair twice as far as the
// pair before.
constexpr int kRepeatedPushes = 8;
constexpr int kFartherPushes = 24;
// A pushed vertex ends this much of the size of its triangle's coordinates beyond the distance,
// some tens of float steps: what the rounding of the closest point and of rest + delta may take.
constexpr float kRoundingMargin = 1.0f / 262144.0f;
// The margin of a triangle whose coordinates are all zero or tiny, where the one above vanishes
// or falls among the subnormal floats (which a thread that flushes them takes as zero): still a
// positive normal float, so that even a push to distance 0 has a length and takes the vertex off
// the surface, and far below any length a model measures, so that it moves nothing else.
constexpr float kLeastMargin = 1e-30f;

// The surface's triangles with a normal, their pseudo-normals, and the search over them.
struct SidedSurface {
  TriangleMesh mesh;
  SurfacePseudoNormals normals;
  ClosestPointSearch search;

  bool BuildSearch(unsigned threads) {
    const std::vector<uint32_t>& corners = normals.normalTriangles();
    return search.Build(reinterpret_cast<const float*>(mesh.positions), mesh.vertexCount,
                        corners.data(), corners.size() / 3, threads) == kSurfaceOk;
  }

  // The closest point, its triangle named by its index in the mesh.
  SurfaceHit FindClosest(const Vector3& point) const {
    const float query[3] = {point.x, point.y, point.z};
    SurfaceHit hit = search.FindClosest(query);
    if (hit.triangle >= 0) {
      hit.triangle = static_cast<int32_t>(
          normals.normalTriangleIndices()[static_cast<std::size_t>(hit.triangle)]);
    }
    return hit;
  }

  // A length some tens of float steps of the coordinates of the hit's triangle.
  float RoundingMargin(const SurfaceHit& hit) const {
    float size = 0.0f;
    for (std::size_t k = 0; k < 3; ++k) {
      const Vector3& corner =
          mesh.positions[mesh.triangles[3 * static_cast<std::size_t>(hit.triangle) + k]];
      size = std::max({size, std::fabs(corner.x), std::fabs(corner.y), std::fabs(corner.z)});
    }
    return std::max(size * kRoundingMargin, kLeastMargin);
  }
};

// A delta tried for a vertex: where it puts the vertex, measured against the surface.
struct Attempt {
  Vector3 delta;
  SurfaceHit hit;
  float sideDistance;  // the signed distance, positive on the vertex's own side
};

Attempt Measure(const SidedSurface& surface, const Vector3& rest, const Vector3& delta, int side) {
  const Vector3 position = Plus(rest, delta);
  Attempt attempt{delta, surface.FindClosest(position), 0.0f};
  if (attempt.hit.triangle < 0) return attempt;
  const float signedDistance = SignedDistanceAt(surface.normals, attempt.hit, position);
  attempt.sideDistance = side > 0 ? signedDistance : -signedDistance;
  return attempt;
}

bool Satisfies(float sideDistance, float distance) {
  return sideDistance > 0.0f && sideDistance >= distance - distance * kKeepOutsideTolerance;
}

// The delta that puts the vertex `length` from the hit's point on its side, along the normal.
Vector3 DeltaOutFrom(const SidedSurface& surface, const SurfaceHit& hit, const Vector3& rest,
                     int side, float length) {
  const Vector3 normal = surface.normals.UnitNormalAt(hit);
  const float along = side > 0 ? length : -length;
  const Vector3 target = Plus(Vector3At(hit.point), Times(normal, along));
  return Minus(target, rest);
}

// Moves one vertex out to `distance` on its side (see the header); false when its delta stays.
// Farther pushes go by turns from the first closest point (whose normal leads out of a groove
// along its middle) and from the last one the repeated pushes reached.
bool PushOut(const SidedSurface& surface, const Vector3& rest, int side, float distance,
             Vector3& delta) {
  const Attempt first = Measure(surface, rest, delta, side);
  if (first.hit.triangle < 0 || Satisfies(first.sideDistance, distance)) return false;
  Attempt current = first;
  Attempt best = first;
  bool improved = false;
  for (int k = 0; k < kRepeatedPushes + 2 * kFartherPushes; ++k) {
    const bool repeated = k < kRepeatedPushes;
    const int farther = k - kRepeatedPushes;
    const Attempt& from = repeated || farther % 2 == 1 ? current : first;
    const float factor = repeated ? 1.0f : std::ldexp(1.0f, farther / 2 + 1);
    const float length = (distance + surface.RoundingMargin(from.hit)) * factor;
    const Attempt next =
        Measure(surface, rest, DeltaOutFrom(surface, from.hit, rest, side, length), side);
    if (next.hit.triangle < 0) break;
    if (Satisfies(next.sideDistance, distance)) {
      delta = next.delta;
      return true;
    }
    if (next.sideDistance > best.sideDistance) {
      best = next;
      improved = true;
    }
    if (repeated) current = next;
  }
  // Short of the distance everywhere: the farthest position strictly on the vertex's side.
  if (!improved || !(best.sideDistance > 0.0f)) return false;
  delta = best.delta;
  return true;
}

}  // namespace

std::vector<int8_t> RestSides(const TriangleMesh& restSource, const TriangleMesh& destination,
                              const SurfaceHit* hits, unsigned threadCount) {
  const unsigned threads = ThreadsFor(threadCount);
  std::vector<int8_t> sides(destination.vertexCount, 0);
  SidedSurface surface;
  surface.mesh = restSource;
  surface.normals.Build(restSource);
  const auto usable = [&](const SurfaceHit& hit) {
    return hit.triangle >= 0 && static_cast<std::size_t>(hit.triangle) < restSource.triangleCount;
  };
  bool needsSearch = false;
  for (std::size_t i = 0; i < destination.vertexCount && !needsSearch; ++i) {
    needsSearch = usable(hits[i]) && !surface.normals.HasNormal(hits[i].triangle);
  }
  if (needsSearch && !surface.BuildSearch(threads)) return sides;
  RunInChunks(destination.vertexCount, threads, kMinimumChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  if (!usable(hits[i])) continue;
                  const Vector3& position = destination.positions[i];
                  SurfaceHit hit = hits[i];
                  if (!surface.normals.HasNormal(hit.triangle)) hit = surface.FindClosest(position);
                  if (hit.triangle < 0) continue;
                  const float signedDistance = SignedDistanceAt(surface.normals, hit, position);
                  sides[i] = signedDistance > 0.0f ? 1 : (signedDistance < 0.0f ? -1 : 0);
                }
              });
  return sides;
}

bool IsClosedSurface(const TriangleMesh& mesh) {
  struct DirectedEdge {
    uint32_t low;
    uint32_t high;
    uint32_t from;
  };
  std::vector<DirectedEdge> edges;
  edges.reserve(3 * mesh.triangleCount);
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* corners = mesh.triangles + 3 * t;
    if (!(corners[0] < mesh.vertexCount && corners[1] < mesh.vertexCount &&
          corners[2] < mesh.vertexCount)) {
      return false;
    }
    if (corners[0] == corners[1] || corners[1] == corners[2] || corners[0] == corners[2]) continue;
    for (int k = 0; k < 3; ++k) {
      const uint32_t from = corners[k];
      const uint32_t to = corners[(k + 1) % 3];
      edges.push_back(DirectedEdge{std::min(from, to), std::max(from, to), from});
    }
  }
  std::sort(edges.begin(), edges.end(), [](const DirectedEdge& a, const DirectedEdge& b) {
    if (a.low != b.low) return a.low < b.low;
    return a.high != b.high ? a.high < b.high : a.from < b.from;
  });
  for (std::size_t e = 0; e < edges.size(); e += 2) {
    const bool paired = e + 1 < edges.size() && edges[e + 1].low == edges[e].low &&
                        edges[e + 1].high == edges[e].high && edges[e + 1].from != edges[e].from;
    const bool third = e + 2 < edges.size() && edges[e + 2].low == edges[e].low &&
                       edges[e + 2].high == edges[e].high;
    if (!paired || third) return false;
  }
  return !edges.empty();
}

std::size_t KeepOutside(const TriangleMesh& morphedSource, const TriangleMesh& destination,
                        const std::vector<int8_t>& sides, bool closedSource, float distance,
                        Vector3* deltas, uint8_t* marks, unsigned threadCount) {
  if (!std::isfinite(distance)) return 0;
  const float wanted = std::max(distance, 0.0f);
  const unsigned threads = ThreadsFor(threadCount);
  SidedSurface surface;
  surface.mesh = morphedSource;
  surface.normals.Build(morphedSource);
  if (!surface.BuildSearch(threads)) return 0;
  const std::size_t count = std::min(destination.vertexCount, sides.size());
  std::vector<uint8_t> pushed(count, 0);
  RunInChunks(count, threads, kMinimumChunk, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      if (sides[i] == 0 || (closedSource && sides[i] < 0)) continue;
      if (!PushOut(surface, destination.positions[i], sides[i], wanted, deltas[i])) continue;
      pushed[i] = 1;
      if (marks != nullptr) marks[i] = static_cast<uint8_t>(marks[i] | kVertexPushed);
    }
  });
  return static_cast<std::size_t>(std::count(pushed.begin(), pushed.end(), uint8_t{1}));
}
