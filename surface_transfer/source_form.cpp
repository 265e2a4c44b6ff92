#include "surface_transfer/source_form.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/vector3.h"

namespace {

// A solid's volume is at least this share of its area to the power 3/2 (a sphere's is 0.094, a
// box of 1 x 1 x 0.001 still 3.5e-4): less is a surface folded flat, whose two sides cancel.
constexpr double kLeastVolumeShare = 1e-6;

struct DirectedEdge {
  uint32_t low;
  uint32_t high;
  int forward;  // +1 from low to high, -1 back
};

double DistanceOf(const Vector3& a, const Vector3& b) {
  const double d[3] = {double{a.x} - b.x, double{a.y} - b.y, double{a.z} - b.z};
  return std::sqrt((d[0] * d[0] + d[1] * d[1]) + d[2] * d[2]);
}

// The length of the unpaired edges, each times the count of its unpaired uses.
double BoundaryLength(const TriangleMesh& mesh, std::vector<DirectedEdge>& edges) {
  std::sort(edges.begin(), edges.end(), [](const DirectedEdge& a, const DirectedEdge& b) {
    return a.low != b.low ? a.low < b.low : a.high < b.high;
  });
  double length = 0.0;
  for (std::size_t e = 0; e < edges.size();) {
    int net = 0;
    std::size_t next = e;
    for (; next < edges.size() && edges[next].low == edges[e].low &&
           edges[next].high == edges[e].high;
         ++next) {
      net += edges[next].forward;
    }
    length +=
        std::abs(net) * DistanceOf(mesh.positions[edges[e].low], mesh.positions[edges[e].high]);
    e = next;
  }
  return length;
}

}  // namespace

int SolidOrientation(const TriangleMesh& mesh) {
  std::vector<DirectedEdge> edges;
  edges.reserve(3 * mesh.triangleCount);
  double area = 0.0;
  double volume = 0.0;
  const Vector3* p = mesh.positions;
  for (std::size_t t = 0; t < mesh.triangleCount; ++t) {
    const uint32_t* c = mesh.triangles + 3 * t;
    if (c[0] >= mesh.vertexCount || c[1] >= mesh.vertexCount || c[2] >= mesh.vertexCount) return 0;
    if (!IsFinite(p[c[0]]) || !IsFinite(p[c[1]]) || !IsFinite(p[c[2]])) return 0;
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
    for (int k = 0; k < 3; ++k) {
      const uint32_t from = c[k];
      const uint32_t to = c[(k + 1) % 3];
      edges.push_back({std::min(from, to), std::max(from, to), from < to ? 1 : -1});
    }
    const double a[3] = {p[c[0]].x, p[c[0]].y, p[c[0]].z};
    const double ab[3] = {p[c[1]].x - a[0], p[c[1]].y - a[1], p[c[1]].z - a[2]};
    const double ac[3] = {p[c[2]].x - a[0], p[c[2]].y - a[1], p[c[2]].z - a[2]};
    const double n[3] = {ab[1] * ac[2] - ab[2] * ac[1], ab[2] * ac[0] - ab[0] * ac[2],
                         ab[0] * ac[1] - ab[1] * ac[0]};
    area += 0.5 * std::sqrt((n[0] * n[0] + n[1] * n[1]) + n[2] * n[2]);
    // The volume of the cone from the first vertex's corner, a point fixed for the whole mesh.
    const double o[3] = {a[0] - p[mesh.triangles[0]].x, a[1] - p[mesh.triangles[0]].y,
                         a[2] - p[mesh.triangles[0]].z};
    volume += ((o[0] * n[0] + o[1] * n[1]) + o[2] * n[2]) / 6.0;
  }
  if (!(area > 0.0) || !std::isfinite(area)) return 0;
  if (BoundaryLength(mesh, edges) > kOpenBoundaryRatio * std::sqrt(area)) return 0;
  if (!(std::fabs(volume) > kLeastVolumeShare * area * std::sqrt(area))) return 0;
  return volume > 0.0 ? 1 : -1;
}
