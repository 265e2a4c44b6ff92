// Which side of a triangle surface a point lies on, judged at its closest point by the
// angle-weighted pseudo-normal of the feature that point lies on (Bærentzen and Aanæs, "Signed
// distance computation using the angle weighted pseudonormal"): the face's normal inside a face,
// the sum of the unit normals of the faces that share an edge on an edge, and the sum of the unit
// normals of the faces around a vertex, each weighted by the face's angle there, at a vertex. For
// a closed manifold surface the sign of dot(x - closest point, pseudo-normal) tells outside (+)
// from inside (-) exactly; for an open one it tells the side the faces' normals point to.
//
// Triangles of zero area (repeated corners, corners on one line, or so flat that the normal is
// rounding noise: the sine of the angle at the first corner below 1e-6, or a cross product too
// small or too large for a float), triangles with a coordinate that is not finite and triangles
// with a corner out of range have no normal: they are left out of the
// surface altogether, so that every closest point lies on a triangle with a normal. A segment or
// a point has no sides, and on a closed surface the points of such triangles lie on the edges of
// their neighbours.
//
// Computed in 32-bit floats in a fixed order; the angles by a polynomial of fixed float operations
// rather than the C library's acos, so every build gives the same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface/closest_point.h"
#include "surface_transfer/surface_methods.h"

class SurfacePseudoNormals {
 public:
  // Computes the normals of `mesh`, whose arrays must outlive this object; a triangle with a
  // corner at or beyond the vertex count has no normal.
  void Build(const TriangleMesh& mesh);

  // Whether triangle `triangle` (an index of the mesh) has a normal and so takes part.
  bool HasNormal(std::size_t triangle) const;
  // The corners of the triangles with a normal, in the mesh's order, three per triangle, and for
  // each the index of its triangle in the mesh.
  const std::vector<uint32_t>& normalTriangles() const { return normalCorners_; }
  const std::vector<uint32_t>& normalTriangleIndices() const { return normalIndices_; }

  // The unit pseudo-normal at `hit`, whose triangle is an index of the mesh and has a normal.
  // Where the feature's pseudo-normal vanishes (an edge folded flat onto itself, a vertex whose
  // faces cancel) the face's own normal stands in, so the result is never zero.
  Vector3 UnitNormalAt(const SurfaceHit& hit) const;

 private:
  void BuildFaceNormals(const TriangleMesh& mesh);
  void BuildEdgeNormals();
  void BuildVertexNormals(const TriangleMesh& mesh);

  TriangleMesh mesh_;
  std::vector<Vector3> faceNormals_;     // unit, per mesh triangle; zero without a normal
  std::vector<uint32_t> normalCorners_;  // corners of the triangles with a normal
  std::vector<uint32_t> normalIndices_;  // their mesh indices
  std::vector<uint32_t> edgeOfSlot_;     // per mesh triangle: edges ab, ac, bc
  std::vector<Vector3> edgeNormals_;     // sums of unit face normals, per edge
  std::vector<Vector3> vertexNormals_;   // angle-weighted sums, per vertex
};

// The signed distance of `point` from its closest point on the surface, `hit`, measured along the
// unit pseudo-normal there: dot(point - hit.point, UnitNormalAt(hit)).
float SignedDistanceAt(const SurfacePseudoNormals& normals, const SurfaceHit& hit,
                       const Vector3& point);
