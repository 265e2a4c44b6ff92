// Smooth filling of the motion of Destination vertices that have none of their own: the vertices
// whose match was refused take a displacement interpolated from their matched neighbours over the
// Destination's mesh, as smooth as the mesh allows (a sparse linear solve, factored once for all
// targets). A connected part of the mesh with no matched vertex at all is not filled: it moves
// rigidly, by a motion the caller gives per part.
//
// The fill is biharmonic over the mesh's graph: the filled displacements minimise the sum, over
// the vertices, of the squared umbrella Laplacian (each vertex's displacement against the mean of
// its neighbours'), weighted by the vertex's neighbour count, with the known displacements held.
// The filled region thus meets the known one with matching slope (two rings of known vertices
// take part), and an affine field over a regular grid is reproduced. Only the vertices to fill
// and the two rings of known vertices around them enter the solve.
//
// The graph: two vertices are neighbours when a triangle has both as corners; repeated triangles
// and repeated corners add nothing, and vertices that take no part (neither known nor moving) are
// left out of it, so that they neither hold nor link anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "search/nearest_search.h"
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
  // part. The rest positions of the unanchored parts are copied: `mesh` need not outlive the
  // fill. False (with `error`) when the solve cannot be prepared: a triangle corner out of range,
  // a system too large, memory. A new Prepare replaces the previous one.
  bool Prepare(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
               std::string* error);

  // The connected parts that have moving vertices but no known one; each is given as the list of
  // its vertices, in increasing order, and the parts in the order of their first vertex.
  const std::vector<std::vector<uint32_t>>& unanchoredParts() const;

  // Fills one target: `deltas[i]` is read for every known vertex and written for every moving
  // vertex that is not known; no other entry is touched. The vertices of unanchored part p move
  // by rigidMotion(p), taken at their rest positions (rigidMotion is called once per part, on the
  // calling thread). The solve runs on the calling thread; the rigid moves are spread over up to
  // `threadCount` threads (0: as many as the machine runs). The results do not depend on it.
  void Fill(Vector3* deltas, const std::function<RigidMotion(std::size_t part)>& rigidMotion,
            unsigned threadCount) const;

 private:
  struct Solver;
  std::unique_ptr<Solver> solver_;
};
