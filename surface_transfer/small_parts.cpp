// The Destination's small pieces, which the carry method moves as rigid bodies. A bead, a button or
// an earring sits on the surface rather than covering it: it should keep its shape where the
// surface under it stretches, bulges or twists, turning with the surface's frame under it, while a
// garment, however small, lies close over a surface much larger than its distance from it and
// follows the surface vertex by vertex.
//
// A piece is a connected part of the Destination's mesh (vertices joined by triangles; a vertex of
// no triangle belongs to none), measured on its matched vertices: its extent is their largest
// distance from their centroid, its height their mean distance from their closest points. A piece
// whose extent is at most twice its height is rigid; one whose extent is four times its height or
// more is not; between, its rigidity falls linearly from 1 to 0, so that the carry changes
// continuously with the geometry. Everything is summed in increasing vertex index.
#include <cmath>
#include <vector>

#include "geometry/vector3.h"
#include "surface_transfer/surface_methods.h"

namespace {

constexpr float kRigidExtent = 2.0f;
constexpr float kFreeExtent = 4.0f;

uint32_t Root(std::vector<uint32_t>& parent, uint32_t vertex) {
  while (parent[vertex] != vertex) {
    parent[vertex] = parent[parent[vertex]];
    vertex = parent[vertex];
  }
  return vertex;
}

// Each vertex's connected part, named by its least vertex index (the lesser root always wins a
// join); -1 for a vertex of no triangle. Triangles with a corner out of range join nothing.
std::vector<int32_t> ConnectedParts(const TriangleMesh& mesh) {
  const std::size_t count = mesh.vertexCount;
  std::vector<uint32_t> parent(count);
  for (std::size_t v = 0; v < count; ++v) parent[v] = static_cast<uint32_t>(v);
  std::vector<uint8_t> used(count, 0);
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* corners = mesh.triangles + 3 * t;
    if (corners[0] >= count || corners[1] >= count || corners[2] >= count) continue;
    for (int k = 0; k < 3; ++k) used[corners[k]] = 1;
    for (int k = 1; k < 3; ++k) {
      const uint32_t a = Root(parent, corners[0]);
      const uint32_t b = Root(parent, corners[k]);
      if (a < b) parent[b] = a;
      if (b < a) parent[a] = b;
    }
  }
  std::vector<int32_t> parts(count, -1);
  for (std::size_t v = 0; v < count; ++v) {
    if (used[v] != 0) parts[v] = static_cast<int32_t>(Root(parent, static_cast<uint32_t>(v)));
  }
  return parts;
}

// What a piece's matched vertices add up to.
struct PieceSums {
  Vector3 positions{0.0f, 0.0f, 0.0f};
  float heights = 0.0f;
  float count = 0.0f;
  float extent = 0.0f;
};

// The rigidity of a piece of the given extent and height.
float Rigidity(float extent, float height) {
  if (!(height > 0.0f)) return 0.0f;
  const float rigidity = (kFreeExtent * height - extent) / ((kFreeExtent - kRigidExtent) * height);
  if (!(rigidity > 0.0f)) return 0.0f;
  return rigidity < 1.0f ? rigidity : 1.0f;
}

}  // namespace

SmallParts FindSmallParts(const PreparedSource& source, const TriangleMesh& destination,
                          const SurfaceHit* hits, const uint8_t* marks) {
  const std::size_t count = destination.vertexCount;
  const std::vector<int32_t> roots = ConnectedParts(destination);
  SmallParts result;
  result.partOfVertex.assign(count, -1);
  std::vector<int32_t> pieceOfRoot(count, -1);
  std::vector<PieceSums> sums;
  for (std::size_t v = 0; v < count; ++v) {
    if (roots[v] < 0 || (marks[v] & kVertexMatched) == 0) continue;
    int32_t& piece = pieceOfRoot[static_cast<std::size_t>(roots[v])];
    if (piece < 0) {
      piece = static_cast<int32_t>(sums.size());
      sums.emplace_back();
    }
    result.partOfVertex[v] = piece;
    PieceSums& sum = sums[static_cast<std::size_t>(piece)];
    sum.positions = Plus(sum.positions, destination.positions[v]);
    sum.heights = sum.heights + std::sqrt(hits[v].squaredDistance);
    sum.count = sum.count + 1.0f;
  }
  for (PieceSums& sum : sums) sum.positions = Times(sum.positions, 1.0f / sum.count);
  for (std::size_t v = 0; v < count; ++v) {
    if (result.partOfVertex[v] < 0) continue;
    PieceSums& sum = sums[static_cast<std::size_t>(result.partOfVertex[v])];
    const Vector3 fromCentroid = Minus(destination.positions[v], sum.positions);
    sum.extent = std::fmax(sum.extent, std::sqrt(Dot(fromCentroid, fromCentroid)));
  }
  for (const PieceSums& sum : sums) {
    SmallPart part{SurfaceHit{-1, kSurfaceNoFeature, {0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, 0.0f},
                   Rigidity(sum.extent, sum.heights / sum.count)};
    if (part.rigidity > 0.0f) part.anchor = source.search().FindClosest(&sum.positions.x);
    if (part.anchor.triangle < 0) part.rigidity = 0.0f;
    result.parts.push_back(part);
  }
  return result;
}
