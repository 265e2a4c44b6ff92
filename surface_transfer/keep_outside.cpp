#include "surface_transfer/keep_outside.h"

#include <algorithm>
#include <cmath>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "surface_transfer/outside_push.h"
#include "surface_transfer/source_form.h"
#include "surface_transfer/welded_corners.h"

namespace {

constexpr std::size_t kMinimumChunk = 256;

bool Usable(const SurfaceHit& hit, std::size_t triangleCount) {
  return hit.triangle >= 0 && static_cast<std::size_t>(hit.triangle) < triangleCount;
}

// The side of an open Source each vertex lies on, by the pseudo-normal at its closest point; a
// hit on a triangle without a normal is looked up again among the triangles with one.
void OpenSides(const TriangleMesh& welded, const TriangleMesh& destination, const SurfaceHit* hits,
               unsigned threads, RestOutside& rest) {
  MorphedSurface surface;
  if (!surface.Build(welded, 0, threads)) return;
  RunInChunks(destination.vertexCount, threads, kMinimumChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  if (!Usable(hits[i], welded.triangleCount) || !(rest.clearances[i] > 0.0f)) {
                    continue;
                  }
                  const Vector3& position = destination.positions[i];
                  SurfaceHit hit = hits[i];
                  if (!surface.normals.HasNormal(static_cast<std::size_t>(hit.triangle))) {
                    hit = surface.FindClosest(position);
                  }
                  if (hit.triangle < 0) continue;
                  const float signedDistance = SignedDistanceAt(surface.normals, hit, position);
                  rest.sides[i] = signedDistance > 0.0f ? 1 : (signedDistance < 0.0f ? -1 : 0);
                }
              });
}

// Outside (+1) or inside (-1) a solid, by its winding number.
void SolidSides(const TriangleMesh& welded, const TriangleMesh& destination, const SurfaceHit* hits,
                unsigned threads, RestOutside& rest) {
  WindingTree tree;
  tree.Build(welded);
  RunInChunks(destination.vertexCount, threads, kMinimumChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  if (!Usable(hits[i], welded.triangleCount) || !(rest.clearances[i] > 0.0f)) {
                    continue;
                  }
                  const double winding = tree.WindingNumber(destination.positions[i]);
                  rest.sides[i] = rest.orientation * winding < 0.5 ? 1 : -1;
                }
              });
}

// Whether every morphed position equals its rest position.
bool SourceUnmoved(const Vector3* morphed, const RestOutside& rest) {
  for (std::size_t v = 0; v < rest.sourceVertexCount; ++v) {
    const Vector3& a = morphed[v];
    const Vector3& b = rest.restPositions[v];
    if (!(a.x == b.x && a.y == b.y && a.z == b.z)) return false;
  }
  return true;
}

}  // namespace

RestOutside MeasureRestOutside(const TriangleMesh& restSource, const TriangleMesh& destination,
                               const SurfaceHit* hits, unsigned threadCount) {
  const unsigned threads = ThreadsFor(threadCount);
  RestOutside rest;
  rest.restPositions = restSource.positions;
  rest.sourceVertexCount = restSource.vertexCount;
  rest.weldedCorners = WeldedCorners(restSource);
  const TriangleMesh welded = WeldedMesh(restSource, rest.weldedCorners);
  rest.orientation = SolidOrientation(welded);
  rest.sides.assign(destination.vertexCount, 0);
  rest.clearances.assign(destination.vertexCount, 0.0f);
  for (std::size_t i = 0; i < destination.vertexCount; ++i) {
    if (Usable(hits[i], restSource.triangleCount)) {
      rest.clearances[i] = std::sqrt(hits[i].squaredDistance);
    }
  }
  if (rest.orientation != 0) {
    SolidSides(welded, destination, hits, threads, rest);
  } else {
    OpenSides(welded, destination, hits, threads, rest);
  }
  return rest;
}

std::size_t KeepOutside(const Vector3* morphedPositions, const TriangleMesh& destination,
                        const RestOutside& rest, float distance, Vector3* deltas, uint8_t* marks,
                        unsigned threadCount) {
  if (!std::isfinite(distance)) return 0;
  const float wanted = std::max(distance, 0.0f);
  const unsigned threads = ThreadsFor(threadCount);
  const TriangleMesh morphed{morphedPositions, rest.sourceVertexCount, rest.weldedCorners.data(),
                             rest.weldedCorners.size() / 3};
  MorphedSurface surface;
  if (!surface.Build(morphed, rest.orientation, threads)) return 0;
  const bool unmoved = SourceUnmoved(morphedPositions, rest);
  const std::size_t count = std::min(destination.vertexCount, rest.sides.size());
  std::vector<uint8_t> pushed(count, 0);
  RunInChunks(count, threads, kMinimumChunk, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      if (rest.sides[i] == 0 || (rest.orientation != 0 && rest.sides[i] < 0)) continue;
      if (unmoved && IsZero(deltas[i])) continue;
      const float least = std::min(wanted, rest.clearances[i]);
      if (!PushOutside(surface, destination.positions[i], rest.sides[i], least, deltas[i])) {
        continue;
      }
      pushed[i] = 1;
      if (marks != nullptr) marks[i] = static_cast<uint8_t>(marks[i] | kVertexPushed);
    }
  });
  return static_cast<std::size_t>(std::count(pushed.begin(), pushed.end(), uint8_t{1}));
}
