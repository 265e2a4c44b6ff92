// Carrying a target's motion from the Source's surface to matched Destination vertices: the
// displacement at the closest point, and for the carry method the local change of the surface
// applied to the vertex's offset from it.
//
// The change of a triangle is the linear map that takes its rest edges b - a, c - a and unit
// normal to their morphed counterparts: F = [e1' e2' n'] [e1 e2 n]^-1. It is kept as F - I,
// computed as [e1' - e1, e2' - e2, n' - n] [e1 e2 n]^-1, so that a target that leaves a triangle
// where it was changes nothing, to the bit. A vertex's change is the mean of its triangles',
// weighted by their rest areas (triangles of zero area, rest or morphed, left out; none left: no
// change), and the change at a point is blended from its triangle's corners, so that it is
// continuous across edges and offsets carried from neighbouring triangles show no seam. A rigid
// motion of the Source gives that motion's rotation everywhere, up to rounding.
#include <algorithm>
#include <vector>

#include "parallel/parallel_chunks.h"
#include "transfer/point_arithmetic.h"
#include "transfer/surface_methods.h"

namespace {

constexpr std::size_t kTrianglesPerChunk = 4096;
constexpr std::size_t kVerticesPerChunk = 4096;

int32_t Corner(const TriangleMesh& mesh, std::size_t triangle, int corner) {
  return static_cast<int32_t>(mesh.triangles[3 * triangle + static_cast<std::size_t>(corner)]);
}

// A triangle's change in the target, F - I; false for a triangle left out.
bool TriangleChange(const PreparedSource& source, const TargetDisplacements& target,
                    std::size_t triangle, LinearMap* change) {
  const RestFrame& frame = source.restFrames()[triangle];
  if (!(frame.weight > 0.0f)) return false;
  const TriangleMesh& rest = source.rest();
  const int32_t corners[3] = {Corner(rest, triangle, 0), Corner(rest, triangle, 1),
                              Corner(rest, triangle, 2)};
  SearchPoint at[3];
  SearchPoint moved[3];
  SearchPoint by[3];
  for (int k = 0; k < 3; ++k) {
    at[k] = rest.positions[corners[k]];
    by[k] = target.Of(corners[k]);
    moved[k] = Plus(at[k], by[k]);
  }
  const SearchPoint normal = UnitOrZero(Cross(Minus(at[1], at[0]), Minus(at[2], at[0])));
  const SearchPoint movedNormal =
      UnitOrZero(Cross(Minus(moved[1], moved[0]), Minus(moved[2], moved[0])));
  if (IsZero(movedNormal)) return false;
  const LinearMap edgeChanges =
      FromColumns(Minus(by[1], by[0]), Minus(by[2], by[0]), Minus(movedNormal, normal));
  *change = Product(edgeChanges, frame.inverse);
  return true;
}

// A vertex's change: the weighted mean of its triangles' changes, each given by `changeOf`.
template <typename ChangeOf>
LinearMap VertexChange(const PreparedSource& source, std::size_t vertex, const ChangeOf& changeOf) {
  LinearMap sum = ZeroMap();
  float weights = 0.0f;
  const std::vector<uint32_t>& incident = source.incidentTriangles();
  for (std::size_t k = source.incidentStarts()[vertex]; k < source.incidentStarts()[vertex + 1];
       ++k) {
    LinearMap change;
    if (!changeOf(incident[k], &change)) continue;
    const float weight = source.restFrames()[incident[k]].weight;
    AddWeighted(sum, change, weight);
    weights = weights + weight;
  }
  if (!(weights > 0.0f)) return ZeroMap();
  for (float& entry : sum.m) entry = entry / weights;
  return sum;
}

// Every Source vertex's change in the target, each triangle's computed once.
std::vector<LinearMap> VertexChanges(const PreparedSource& source,
                                     const TargetDisplacements& target, unsigned threadCount) {
  const std::size_t triangleCount = source.rest().triangleCount;
  std::vector<LinearMap> triangleChanges(triangleCount);
  std::vector<uint8_t> changed(triangleCount, 0);
  RunInChunks(triangleCount, threadCount, kTrianglesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t t = begin; t < end; ++t) {
                  changed[t] = TriangleChange(source, target, t, &triangleChanges[t]) ? 1 : 0;
                }
              });
  const auto changeOf = [&](std::size_t triangle, LinearMap* change) {
    *change = triangleChanges[triangle];
    return changed[triangle] != 0;
  };
  std::vector<LinearMap> vertexChanges(source.rest().vertexCount);
  RunInChunks(vertexChanges.size(), threadCount, kVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t v = begin; v < end; ++v) {
                  vertexChanges[v] = VertexChange(source, v, changeOf);
                }
              });
  return vertexChanges;
}

// The target's displacement at the hit, blended from its triangle's corners.
SearchPoint SurfaceDelta(const PreparedSource& source, const TargetDisplacements& target,
                         const SurfaceHit& hit) {
  const auto triangle = static_cast<std::size_t>(hit.triangle);
  const TriangleMesh& rest = source.rest();
  return Blend(hit.barycentric, target.Of(Corner(rest, triangle, 0)),
               target.Of(Corner(rest, triangle, 1)), target.Of(Corner(rest, triangle, 2)));
}

}  // namespace

void CarryDisplacements(const PreparedSource& source, const TargetDisplacements& target,
                        SurfaceMethod method, const TriangleMesh& destination,
                        const SurfaceHit* hits, const uint8_t* marks, SearchPoint* deltas,
                        unsigned threadCount) {
  if (threadCount == 0) threadCount = MachineThreadCount();
  const bool carry = method == SurfaceMethod::kCarriedOffset;
  const std::vector<LinearMap> changes =
      carry ? VertexChanges(source, target, threadCount) : std::vector<LinearMap>();
  const TriangleMesh& rest = source.rest();
  RunInChunks(destination.vertexCount, threadCount, kVerticesPerChunk,
              [&](std::size_t begin, std::size_t end) {
                for (std::size_t i = begin; i < end; ++i) {
                  if ((marks[i] & kVertexMatched) == 0) continue;
                  const SurfaceHit& hit = hits[i];
                  deltas[i] = SurfaceDelta(source, target, hit);
                  if (!carry) continue;
                  const auto t = static_cast<std::size_t>(hit.triangle);
                  const LinearMap change = BlendMaps(
                      hit.barycentric, changes[rest.triangles[3 * t]],
                      changes[rest.triangles[3 * t + 1]], changes[rest.triangles[3 * t + 2]]);
                  const SearchPoint point{hit.point[0], hit.point[1], hit.point[2]};
                  const SearchPoint offset = Minus(destination.positions[i], point);
                  deltas[i] = Plus(deltas[i], Apply(change, offset));
                }
              });
}

RigidMotion RigidMotionAt(const PreparedSource& source, const TargetDisplacements& target,
                          const SurfaceHit& hit) {
  RigidMotion motion{{hit.point[0], hit.point[1], hit.point[2]}, {0.0f, 0.0f, 0.0f}, {}};
  const LinearMap identity = IdentityMap();
  std::copy(identity.m, identity.m + 9, motion.rotation);
  if (hit.triangle < 0) return motion;
  motion.translation = SurfaceDelta(source, target, hit);
  const auto changeOf = [&](std::size_t triangle, LinearMap* change) {
    return TriangleChange(source, target, triangle, change);
  };
  const auto t = static_cast<std::size_t>(hit.triangle);
  const uint32_t* corners = source.rest().triangles + 3 * t;
  LinearMap map = BlendMaps(hit.barycentric, VertexChange(source, corners[0], changeOf),
                            VertexChange(source, corners[1], changeOf),
                            VertexChange(source, corners[2], changeOf));
  for (int k = 0; k < 9; k += 4) map.m[k] = map.m[k] + 1.0f;
  const LinearMap rotation = NearestRotation(map);
  std::copy(rotation.m, rotation.m + 9, motion.rotation);
  return motion;
}
