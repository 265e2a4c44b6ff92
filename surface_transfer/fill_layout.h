// What the smooth fill (smooth_fill.h) solves for, laid out over the Destination's mesh: the
// vertices to fill (the columns of its systems), the connected parts with no known vertex, and the
// rows of the fill's energy, one per vertex whose umbrella Laplacian involves a vertex to fill:
// the vertices to fill themselves and the known vertices beside them, which are the frame
// vertices, where the fill reads how the surface turns.
//
// The graph: two vertices are neighbours when a triangle has both as corners; repeated triangles
// and repeated corners add nothing, and vertices that take no part (neither known nor moving) are
// left out of it, so that they neither hold nor link anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "surface_transfer/surface_methods.h"

constexpr uint32_t kNoIndex = 0xFFFFFFFFu;

// A row's entry on a vertex to fill, by column.
struct UnknownEntry {
  uint32_t column;
  double coefficient;
};

// A row's entry on a known vertex: the mesh vertex, and its place among the frame vertices
// (kNoIndex for a known vertex beside no vertex to fill).
struct KnownEntry {
  uint32_t vertex;
  uint32_t frame;
  double coefficient;
};

// One vertex's row: (L x)_r = the sum over its neighbours of x - degree * x_r, weighted by
// 1 / degree in the energy; its entries lie in [unknownBegin, unknownEnd) and [knownBegin,
// knownEnd). `column` is the row vertex's column, or kNoIndex for a known vertex, whose place among
// the frame vertices is `frame`. `restLaplacian` is L applied to the rest positions.
struct FillRow {
  double weight;
  double restLaplacian[3];
  std::size_t unknownBegin, unknownEnd, knownBegin, knownEnd;
  uint32_t column;
  uint32_t frame;
};

struct FillLayout {
  // Connected parts with moving vertices and no known one, each in increasing vertex order, the
  // parts in the order of their first vertex.
  std::vector<std::vector<uint32_t>> unanchoredParts;
  // The vertex of each column, increasing; the known vertices beside them, increasing.
  std::vector<uint32_t> filledVertices;
  std::vector<uint32_t> frameVertices;
  std::vector<FillRow> rows;
  std::vector<UnknownEntry> unknownEntries;
  std::vector<KnownEntry> knownEntries;
};

// Lays the fill out over `mesh` (`known` and `moving` as SmoothFill::Prepare takes them). False
// with `error` for a triangle corner out of range or a mesh too large.
bool LayOutFill(const TriangleMesh& mesh, const uint8_t* known, const uint8_t* moving,
                FillLayout* layout, std::string* error);
