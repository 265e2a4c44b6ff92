#include "surface_transfer/pseudo_normals.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kNoEdge = 0xFFFFFFFFu;
// Below this squared sine of the angle between its edges at the first corner a triangle's normal
// is rounding noise: it counts as having zero area.
constexpr float kFlatTriangle = 1e-12f;
// A pseudo-normal shorter than this (squared) has cancelled out; the face's normal stands in.
constexpr float kCancelledNormal = 1e-12f;

SearchPoint Minus(const SearchPoint& a, const SearchPoint& b) {
  return SearchPoint{a.x - b.x, a.y - b.y, a.z - b.z};
}

float DotOf(const SearchPoint& a, const SearchPoint& b) {
  return (a.x * b.x + a.y * b.y) + a.z * b.z;
}

SearchPoint CrossOf(const SearchPoint& a, const SearchPoint& b) {
  return SearchPoint{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

SearchPoint Scaled(const SearchPoint& a, float factor) {
  return SearchPoint{a.x * factor, a.y * factor, a.z * factor};
}

void AddTo(SearchPoint& sum, const SearchPoint& term) {
  sum.x = sum.x + term.x;
  sum.y = sum.y + term.y;
  sum.z = sum.z + term.z;
}

// The angle whose cosine is `cosine` (clamped to [-1, 1]), within 2e-8 radians in exact arithmetic:
// Abramowitz and Stegun 4.4.46, for acos(x) = sqrt(1 - x) * p(x) on [0, 1] and pi - acos(-x).
float AngleOfCosine(float cosine) {
  const float x = std::min(std::max(cosine, -1.0f), 1.0f);
  const float a = std::fabs(x);
  float p = -0.0012624911f;
  for (const float coefficient : {0.0066700901f, -0.0170881256f, 0.0308918810f, -0.0501743046f,
                                  0.0889789874f, -0.2145988016f, 1.5707963050f}) {
    p = p * a + coefficient;
  }
  const float angle = std::sqrt(1.0f - a) * p;
  return x < 0.0f ? 3.14159265f - angle : angle;
}

SearchPoint UnitOf(const SearchPoint& a) {
  return Scaled(a, 1.0f / std::sqrt(DotOf(a, a)));
}

SearchPoint Corner(const TriangleMesh& mesh, std::size_t triangle, int k) {
  return mesh.positions[mesh.triangles[3 * triangle + static_cast<std::size_t>(k)]];
}

// The unit normal of a triangle, or zero where it has none (see the header).
SearchPoint FaceNormalOf(const TriangleMesh& mesh, std::size_t triangle) {
  const SearchPoint zero{0.0f, 0.0f, 0.0f};
  for (int k = 0; k < 3; ++k) {
    if (mesh.triangles[3 * triangle + static_cast<std::size_t>(k)] >= mesh.vertexCount) return zero;
  }
  const SearchPoint a = Corner(mesh, triangle, 0);
  const SearchPoint ab = Minus(Corner(mesh, triangle, 1), a);
  const SearchPoint ac = Minus(Corner(mesh, triangle, 2), a);
  const SearchPoint normal = CrossOf(ab, ac);
  const float squared = DotOf(normal, normal);
  const float edges = (kFlatTriangle * DotOf(ab, ab)) * DotOf(ac, ac);
  if (!std::isfinite(squared) || !std::isfinite(edges) || !(squared > edges)) return zero;
  if (!(squared >= std::numeric_limits<float>::min())) return zero;
  return UnitOf(normal);
}

}  // namespace

void SurfacePseudoNormals::Build(const TriangleMesh& mesh) {
  mesh_ = mesh;
  BuildFaceNormals(mesh);
  BuildEdgeNormals();
  BuildVertexNormals(mesh);
}

bool SurfacePseudoNormals::HasNormal(std::size_t triangle) const {
  const SearchPoint& normal = faceNormals_[triangle];
  return normal.x != 0.0f || normal.y != 0.0f || normal.z != 0.0f;
}

void SurfacePseudoNormals::BuildFaceNormals(const TriangleMesh& mesh) {
  faceNormals_.assign(mesh.triangleCount, SearchPoint{0.0f, 0.0f, 0.0f});
  normalCorners_.clear();
  normalIndices_.clear();
  for (std::size_t triangle = 0; triangle < mesh.triangleCount; ++triangle) {
    faceNormals_[triangle] = FaceNormalOf(mesh, triangle);
    if (!HasNormal(triangle)) continue;
    normalIndices_.push_back(static_cast<uint32_t>(triangle));
    for (std::size_t k = 0; k < 3; ++k) normalCorners_.push_back(mesh.triangles[3 * triangle + k]);
  }
}

// Every side of a triangle with a normal, as slot 3 * triangle + k for its edges ab, ac, bc (the
// order of the edge features), is sorted by its two vertices; equal pairs are one edge, whose
// normal sums the faces' unit normals in the order of their slots.
void SurfacePseudoNormals::BuildEdgeNormals() {
  struct Side {
    uint32_t low;
    uint32_t high;
    uint32_t slot;
  };
  static const int kEnds[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  std::vector<Side> sides;
  sides.reserve(normalCorners_.size());
  for (std::size_t n = 0; n < normalIndices_.size(); ++n) {
    for (int k = 0; k < 3; ++k) {
      const uint32_t from = normalCorners_[3 * n + static_cast<std::size_t>(kEnds[k][0])];
      const uint32_t to = normalCorners_[3 * n + static_cast<std::size_t>(kEnds[k][1])];
      sides.push_back(Side{std::min(from, to), std::max(from, to),
                           3 * normalIndices_[n] + static_cast<uint32_t>(k)});
    }
  }
  std::sort(sides.begin(), sides.end(), [](const Side& a, const Side& b) {
    if (a.low != b.low) return a.low < b.low;
    return a.high != b.high ? a.high < b.high : a.slot < b.slot;
  });
  edgeOfSlot_.assign(3 * faceNormals_.size(), kNoEdge);
  edgeNormals_.clear();
  for (std::size_t s = 0; s < sides.size(); ++s) {
    if (s == 0 || sides[s].low != sides[s - 1].low || sides[s].high != sides[s - 1].high) {
      edgeNormals_.push_back(SearchPoint{0.0f, 0.0f, 0.0f});
    }
    edgeOfSlot_[sides[s].slot] = static_cast<uint32_t>(edgeNormals_.size() - 1);
    AddTo(edgeNormals_.back(), faceNormals_[sides[s].slot / 3]);
  }
}

void SurfacePseudoNormals::BuildVertexNormals(const TriangleMesh& mesh) {
  vertexNormals_.assign(mesh.vertexCount, SearchPoint{0.0f, 0.0f, 0.0f});
  for (const uint32_t triangle : normalIndices_) {
    for (int k = 0; k < 3; ++k) {
      const SearchPoint at = Corner(mesh, triangle, k);
      const SearchPoint toNext = UnitOf(Minus(Corner(mesh, triangle, (k + 1) % 3), at));
      const SearchPoint toPrevious = UnitOf(Minus(Corner(mesh, triangle, (k + 2) % 3), at));
      const float angle = AngleOfCosine(DotOf(toNext, toPrevious));
      AddTo(vertexNormals_[mesh.triangles[3 * triangle + static_cast<std::size_t>(k)]],
            Scaled(faceNormals_[triangle], angle));
    }
  }
}

SearchPoint SurfacePseudoNormals::UnitNormalAt(const SurfaceHit& hit) const {
  const auto triangle = static_cast<std::size_t>(hit.triangle);
  SearchPoint normal = faceNormals_[triangle];
  if (hit.feature >= kSurfaceCornerA && hit.feature <= kSurfaceCornerC) {
    normal = vertexNormals_[mesh_.triangles[3 * triangle + static_cast<std::size_t>(hit.feature)]];
  } else if (hit.feature >= kSurfaceEdgeAB && hit.feature <= kSurfaceEdgeBC) {
    normal = edgeNormals_[edgeOfSlot_[3 * triangle + static_cast<std::size_t>(hit.feature - 3)]];
  }
  const float squared = DotOf(normal, normal);
  if (!(squared >= kCancelledNormal) || !std::isfinite(squared)) return faceNormals_[triangle];
  return UnitOf(normal);
}

float SignedDistanceAt(const SurfacePseudoNormals& normals, const SurfaceHit& hit,
                       const SearchPoint& point) {
  const SearchPoint on{hit.point[0], hit.point[1], hit.point[2]};
  return DotOf(Minus(point, on), normals.UnitNormalAt(hit));
}
