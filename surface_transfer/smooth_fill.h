// Smooth filling of the motion of Destination vertices that have none of their own: the vertices
// whose match was refused take a displacement interpolated from their known neighbours over the
// Destination's mesh, as smooth as the mesh allows, turning and stretching as the surface does
// around them. A connected part of the mesh with no known vertex at all is not filled: it moves
// rigidly, by a motion the caller gives per part.
//
// The fill is biharmonic over the mesh's graph: the filled displacements d minimise the sum, over
// the vertices r, of |(L d)_r - g_r|^2 weighted by 1 / (r's neighbour count), with the known
// displacements held, where L is the umbrella Laplacian (each vertex's value against the sum of
// its neighbours'). The filled region thus meets the known one with matching slope (two rings of
// known vertices take part). g_r is the Laplacian of the rest positions at r, turned and
// stretched by the linear map F_r of the surface there less the identity: the fill keeps the
// mesh's local shape as the surface carries it. F is given at the known vertices beside the
// filled ones (the frame vertices) and filled harmonically between them (each filled vertex's F
// the mean of its neighbours'). Where every F is one rotation R and the known displacements are
// those of the rigid motion x -> R x + t, every residual vanishes at that motion's displacements:
// the filled vertices follow it exactly, up to rounding. Without frames (F = I) g is zero, and
// an affine field over a regular grid is reproduced.
//
// Only the vertices to fill and the two rings of known vertices around them enter the solve,
// which is iterative (multigrid.h): its memory grows in proportion to the vertices to fill (under
// a kilobyte each), its work somewhat faster, as the steps of the solve grow slowly with the hole.
// It runs on the calling thread, in one fixed order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "surface_transfer/linear_map.h"
#include "surface_transfer/surface_methods.h"

class SmoothFill {
 public:
  SmoothFill();
  ~SmoothFill();
  SmoothFill(const SmoothFill&) = delete;
  SmoothFill& operator=(const SmoothFill&) = delete;

  // Prepares the fill over `mesh`: `known[i]` non-zero for a vertex whose displacement is given
  // (`known` null: none is), `moving[i]` non-zero (or `moving` null) for a vertex that moves at
  // all; a vertex that is neither known nor moving keeps a zero displacement and does not take
  // part. What the fill needs of the rest positions is copied: `mesh` need not outlive the fill.
  // False (with `error`) when the solve cannot be prepared: a triangle corner out of range, a
  // system too large, memory. A new Prepare replaces the previous one.
  bool Prepare(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
               std::string* error);

  // The connected parts that have moving vertices but no known one; each is given as the list of
  // its vertices, in increasing order, and the parts in the order of their first vertex.
  const std::vector<std::vector<uint32_t>>& unanchoredParts() const;

  // The known vertices beside the vertices to fill, in increasing order: where Fill reads how the
  // surface turns.
  const std::vector<uint32_t>& frameVertices() const;

  // Fills one target: `deltas[i]` is read for every known vertex and written for every moving
  // vertex that is not known; no other entry is touched. The known displacements must be finite.
  // `changes` gives, for each frame vertex in order, the surface's linear map there less the
  // identity (F - I); a change that is not finite counts as none; null: no change anywhere. The
  // vertices of unanchored part p move by rigidMotion(p), taken at their rest positions
  // (rigidMotion is called once per part, on the calling thread), spread over up to
  // `threadCount` threads (0: as many as the machine runs). The results do not depend on it.
  // Filled displacements beyond the float range end at the largest float of their sign.
  void Fill(Vector3* deltas, const LinearMap* changes,
            const std::function<RigidMotion(std::size_t part)>& rigidMotion,
            unsigned threadCount) const;

 private:
  struct Solver;
  std::unique_ptr<Solver> solver_;
};
