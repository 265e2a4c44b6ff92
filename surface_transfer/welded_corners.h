// Corners named by position: many exporters (glTF's among them) split a surface's vertices along
// every seam of its texture and every hard edge, so that faces meeting there share no vertex. For
// what depends on the surface's connections (its closed edges, the normals of its edges and
// corners) such a surface is welded again: every corner is renamed to the lowest vertex at the same
// position.
#pragma once

#include <cstdint>
#include <vector>

#include "surface_transfer/surface_methods.h"

// The mesh's corners, each renamed to the lowest-numbered vertex whose coordinates equal its own
// (as floats: 0 and -0 are equal; a vertex with a coordinate that is not a number stays itself).
// Corners out of range are kept as they are.
std::vector<uint32_t> WeldedCorners(const TriangleMesh& mesh);

// The same mesh over the welded corners, whose array must outlive it.
inline TriangleMesh WeldedMesh(const TriangleMesh& mesh, const std::vector<uint32_t>& welded) {
  return TriangleMesh{mesh.positions, mesh.vertexCount, welded.data(), mesh.triangleCount};
}
