#include "quality/parameter_mesh.h"

namespace {

void AddTriangle(ParameterMesh& mesh, uint32_t a, uint32_t b, uint32_t c) {
  mesh.triangles.insert(mesh.triangles.end(), {a, b, c});
}

// The first vertex of each row (a pole is a row of one vertex).
std::vector<uint32_t> AddRows(const ParameterGrid& grid, ParameterMesh& mesh) {
  std::vector<uint32_t> rowStarts;
  for (int row = 0; row <= grid.along; ++row) {
    rowStarts.push_back(static_cast<uint32_t>(mesh.u.size()));
    const double v = grid.vBegin + (grid.vEnd - grid.vBegin) * row / grid.along;
    const bool pole = (row == 0 && grid.vBegin <= 0.0) || (row == grid.along && grid.vEnd >= 1.0);
    const int count = pole ? 1 : grid.around;
    for (int column = 0; column < count; ++column) {
      mesh.u.push_back((column + grid.uShift) / grid.around + grid.uTwist * v);
      mesh.v.push_back(v);
    }
  }
  rowStarts.push_back(static_cast<uint32_t>(mesh.u.size()));
  return rowStarts;
}

}  // namespace

ParameterMesh MeshParameters(const ParameterGrid& grid) {
  ParameterMesh mesh;
  const std::vector<uint32_t> starts = AddRows(grid, mesh);
  const auto around = static_cast<uint32_t>(grid.around);
  for (int row = 0; row < grid.along; ++row) {
    const uint32_t lower = starts[row];
    const uint32_t upper = starts[row + 1];
    const bool lowerPole = starts[row + 1] - lower == 1;
    const bool upperPole = starts[row + 2] - upper == 1;
    for (uint32_t column = 0; column < around; ++column) {
      const uint32_t next = (column + 1) % around;
      if (lowerPole) {
        AddTriangle(mesh, lower, upper + next, upper + column);
      } else if (upperPole) {
        AddTriangle(mesh, lower + column, lower + next, upper);
      } else {
        AddTriangle(mesh, lower + column, lower + next, upper + next);
        AddTriangle(mesh, lower + column, upper + next, upper + column);
      }
    }
  }
  return mesh;
}
