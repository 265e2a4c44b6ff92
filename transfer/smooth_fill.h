// Smooth filling of the motion of Destination vertices that have none of their own: the vertices
// whose match was refused take a displacement interpolated from their matched neighbours over the
// Destination's mesh, as smooth as the mesh allows (a sparse linear solve, factored once for all
// targets). A connected part of the mesh with no matched vertex at all is not filled: it moves
// rigidly, by a motion the caller gives per part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "search/nearest_search.h"
#include "transfer/surface_methods.h"

class SmoothFill {
 public:
  SmoothFill();
  ~SmoothFill();
  SmoothFill(const SmoothFill&) = delete;
  SmoothFill& operator=(const SmoothFill&) = delete;

  // Prepares the fill over `mesh`: `known[i]` non-zero for a vertex whose displacement is given,
  // `moving[i]` non-zero (or `moving` null) for a vertex that moves at all; a vertex that is
  // neither known nor moving keeps a zero displacement and does not take part. False (with
  // `error`) when the solve cannot be prepared.
  bool Prepare(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
               std::string* error);

  // The connected parts that have moving vertices but no known one; each is given as the list of
  // its vertices.
  const std::vector<std::vector<uint32_t>>& unanchoredParts() const;

  // Fills one target: `deltas[i]` is read for every known vertex and written for every moving
  // vertex that is not known. The vertices of unanchored part p move by rigidMotion(p).
  void Fill(SearchPoint* deltas, const std::function<RigidMotion(std::size_t part)>& rigidMotion,
            unsigned threadCount) const;

 private:
  struct Solver;
  std::unique_ptr<Solver> solver_;
};
