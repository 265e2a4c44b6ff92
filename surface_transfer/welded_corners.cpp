#include "surface_transfer/welded_corners.h"

#include <algorithm>
#include <cmath>

#include "geometry/vector3.h"

namespace {

// Positions compared as floats, coordinate by coordinate; equal ones by vertex number.
bool Before(const Vector3& a, uint32_t i, const Vector3& b, uint32_t j) {
  if (a.x != b.x) return a.x < b.x;
  if (a.y != b.y) return a.y < b.y;
  if (a.z != b.z) return a.z < b.z;
  return i < j;
}

bool SamePosition(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace

std::vector<uint32_t> WeldedCorners(const TriangleMesh& mesh) {
  std::vector<uint32_t> order;
  order.reserve(mesh.vertexCount);
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) {
    const Vector3& p = mesh.positions[v];
    if (!std::isnan(p.x) && !std::isnan(p.y) && !std::isnan(p.z)) {
      order.push_back(static_cast<uint32_t>(v));
    }
  }
  std::sort(order.begin(), order.end(), [&](uint32_t i, uint32_t j) {
    return Before(mesh.positions[i], i, mesh.positions[j], j);
  });
  std::vector<uint32_t> first(mesh.vertexCount);
  for (std::size_t v = 0; v < mesh.vertexCount; ++v) first[v] = static_cast<uint32_t>(v);
  for (std::size_t k = 1; k < order.size(); ++k) {
    if (SamePosition(mesh.positions[order[k]], mesh.positions[order[k - 1]])) {
      first[order[k]] = first[order[k - 1]];
    }
  }
  std::vector<uint32_t> corners(mesh.triangles, mesh.triangles + 3 * mesh.triangleCount);
  for (uint32_t& corner : corners) {
    if (corner < mesh.vertexCount) corner = first[corner];
  }
  return corners;
}
