// Moving one Destination vertex back outside the morphed Source (keep_outside.h says what is
// promised): the morphed surface as the push measures it, and the search for the place to move to.
#pragma once

#include <cstdint>

#include "surface/closest_point.h"
#include "surface_transfer/pseudo_normals.h"
#include "surface_transfer/surface_methods.h"
#include "surface_transfer/winding_tree.h"

// The morphed Source, welded, with what tells a vertex's side and distance: its closest points
// (among the triangles with a normal), its pseudo-normals and, for a solid, its winding number.
struct MorphedSurface {
  TriangleMesh mesh;
  // +1 or -1: a solid whose faces point outwards or inwards; 0: open.
  int orientation = 0;
  SurfacePseudoNormals normals;
  ClosestPointSearch search;
  WindingTree tree;

  // False when the search cannot be built.
  bool Build(const TriangleMesh& welded, int solidOrientation, unsigned threadCount);
  // The closest point, its triangle named by its index in the mesh.
  SurfaceHit FindClosest(const Vector3& point) const;
  // A length some tens of float steps of the coordinates of a triangle.
  float RoundingMargin(int32_t triangle) const;
  // The unit normal of a triangle with an area, times `facing`.
  Vector3 FaceNormal(uint32_t triangle, int facing) const;
};

// The relative shortfall of the distance a pushed vertex may end at: it ends at least
// wanted * (1 - kKeepOutsideTolerance) from the morphed Source, and always strictly on its side.
constexpr float kKeepOutsideTolerance = 1.0f / 1024.0f;

// Moves the vertex at rest + delta to its side of the surface (`side` +1 or -1; for a solid, +1,
// outside) and at least `wanted` from it, along a path that never crosses the surface towards the
// other side. Returns false when the delta stays: the vertex already is there, or no better place
// was found.
bool PushOutside(const MorphedSurface& surface, const Vector3& rest, int side, float wanted,
                 Vector3& delta);
