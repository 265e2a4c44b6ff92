// The rest Source made ready for the surface methods, and the normals of a mesh's vertices.
#include <cmath>
#include <string>

#include "geometry/vector3.h"
#include "parallel/parallel_chunks.h"
#include "surface_transfer/surface_methods.h"

namespace {

// Below this many triangles a thread costs more than it saves.
constexpr std::size_t kTrianglesPerChunk = 4096;

Vector3 CornerOf(const TriangleMesh& mesh, std::size_t triangle, int corner) {
  return mesh.positions[mesh.triangles[3 * triangle + static_cast<std::size_t>(corner)]];
}

bool CornersInRange(const TriangleMesh& mesh, std::size_t triangle) {
  for (std::size_t k = 0; k < 3; ++k) {
    if (mesh.triangles[3 * triangle + k] >= mesh.vertexCount) return false;
  }
  return true;
}

// Twice the triangle's area times its unit normal: (b - a) x (c - a).
Vector3 AreaNormal(const TriangleMesh& mesh, std::size_t triangle) {
  const Vector3 a = CornerOf(mesh, triangle, 0);
  return Cross(Minus(CornerOf(mesh, triangle, 1), a), Minus(CornerOf(mesh, triangle, 2), a));
}

// Every triangle's frame: its edges and unit normal as the columns of a map, inverted.
RestFrame FrameOf(const TriangleMesh& mesh, std::size_t triangle) {
  RestFrame frame{IdentityMap(), 0.0f};
  const Vector3 a = CornerOf(mesh, triangle, 0);
  const Vector3 first = Minus(CornerOf(mesh, triangle, 1), a);
  const Vector3 second = Minus(CornerOf(mesh, triangle, 2), a);
  const Vector3 across = Cross(first, second);
  const Vector3 normal = UnitOrZero(across);
  if (IsZero(normal)) return frame;
  if (!Inverse(FromColumns(first, second, normal), &frame.inverse)) return frame;
  frame.weight = std::sqrt(Dot(across, across));
  return frame;
}

std::string RefusalOf(SurfaceStatus status, int32_t refusedTriangle, std::size_t vertexCount) {
  switch (status) {
    case kSurfaceCornerOutOfRange:
      return "triangle " + std::to_string(refusedTriangle) + " names a vertex beyond the " +
             std::to_string(vertexCount) + " vertices";
    case kSurfaceTooLarge:
      return "more than 2147483647 vertices or triangles";
    case kSurfaceOutOfMemory:
      return "out of memory";
    default:
      return "the surface search could not be built";
  }
}

// Every vertex's triangles in increasing index, listed as PreparedSource offers them.
void ListIncidentTriangles(const TriangleMesh& mesh, std::vector<std::size_t>* starts,
                           std::vector<uint32_t>* triangles) {
  const std::size_t cornerCount = 3 * mesh.triangleCount;
  starts->assign(mesh.vertexCount + 1, 0);
  for (std::size_t k = 0; k < cornerCount; ++k) ++(*starts)[mesh.triangles[k] + 1];
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) (*starts)[v + 1] += (*starts)[v];
  triangles->resize(cornerCount);
  std::vector<std::size_t> next(starts->begin(), starts->end() - 1);
  for (std::size_t k = 0; k < cornerCount; ++k) {
    (*triangles)[next[mesh.triangles[k]]++] = static_cast<uint32_t>(k / 3);
  }
}

}  // namespace

// The sum of the area normals of a vertex's triangles, in increasing triangle index, made unit.
// Triangles with a corner out of range, or whose area normal is not finite, are left out.
std::vector<Vector3> DestinationNormals(const TriangleMesh& destination) {
  std::vector<Vector3> sums(destination.vertexCount, Vector3{0.0f, 0.0f, 0.0f});
  for (std::size_t triangle = 0; triangle < destination.triangleCount; ++triangle) {
    if (!CornersInRange(destination, triangle)) continue;
    const Vector3 across = AreaNormal(destination, triangle);
    if (!std::isfinite(Dot(across, across))) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      Vector3& sum = sums[destination.triangles[3 * triangle + k]];
      sum = Plus(sum, across);
    }
  }
  for (Vector3& sum : sums) sum = UnitOrZero(sum);
  return sums;
}

bool PreparedSource::Build(const TriangleMesh& rest, unsigned threadCount, std::string* error) {
  *this = PreparedSource();
  int32_t refusedTriangle = -1;
  const SurfaceStatus status =
      search_.Build(reinterpret_cast<const float*>(rest.positions), rest.vertexCount,
                    rest.triangles, rest.triangleCount, threadCount, &refusedTriangle);
  if (status != kSurfaceOk) {
    if (error != nullptr) *error = RefusalOf(status, refusedTriangle, rest.vertexCount);
    return false;
  }
  rest_ = rest;
  // The Source's normals are computed as any mesh's.
  vertexNormals_ = DestinationNormals(rest);
  restFrames_.resize(rest.triangleCount);
  threadCount = ThreadsFor(threadCount);
  RunInChunks(rest.triangleCount, threadCount, kTrianglesPerChunk,
              [this](std::size_t begin, std::size_t end) {
                for (std::size_t t = begin; t < end; ++t) restFrames_[t] = FrameOf(rest_, t);
              });
  ListIncidentTriangles(rest, &incidentStarts_, &incidentTriangles_);
  return true;
}

Vector3 PreparedSource::NormalAt(const SurfaceHit& hit) const {
  if (hit.triangle < 0) return Vector3{0.0f, 0.0f, 0.0f};
  const uint32_t* corners = rest_.triangles + 3 * static_cast<std::size_t>(hit.triangle);
  return UnitOrZero(Blend(hit.barycentric, vertexNormals_[corners[0]], vertexNormals_[corners[1]],
                          vertexNormals_[corners[2]]));
}
