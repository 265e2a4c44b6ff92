// Triangle meshes laid over the parameters of a smooth part: rows of vertices from one value of v
// to another, each row going once around. A mesh from pole to pole is closed (single vertices at
// the poles); one over part of the range is an open tube. Triangles face outwards (their corners
// turn counter-clockwise seen from outside).
#pragma once

#include <cstdint>
#include <vector>

struct ParameterGrid {
  int around = 16;
  // Rows of quads between vBegin and vEnd.
  int along = 8;
  double vBegin = 0.0;
  double vEnd = 1.0;
  // Turns the grid by this many columns, and each row by `uTwist` turns per unit of v, so that
  // grids of the same counts still do not line up.
  double uShift = 0.0;
  double uTwist = 0.0;
};

struct ParameterMesh {
  std::vector<double> u;
  std::vector<double> v;
  std::vector<uint32_t> triangles;
};

ParameterMesh MeshParameters(const ParameterGrid& grid);
