#include "surface_transfer/pseudo_normals.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geometry/vector3.h"

namespace {

constexpr uint32_t kNoEdge = 0xFFFFFFFFu;
// Below this squared sine of the angle between its edges at the first corner a triangle's normal
// is rounding noise: it counts as having zero area.
constexpr float kFlatTriangle = 1e-12f;
// A pseudo-normal shorter than this (squared) has cancelled out; the face's normal stands in.
constexpr float kCancelledNormal = 1e-12f;

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

Vector3 UnitOf(const Vector3& a) {
  return Times(a, 1.0f / std::sqrt(Dot(a, a)));
}

Vector3 Corner(const TriangleMesh& mesh, std::size_t triangle, int k) {
  return mesh.positions[mesh.triangles[3 * triangle + static_cast<std::size_t>(k)]];
}

// The unit normal of a triangle, or zero where it has none (see the header).
Vector3 FaceNormalOf(const TriangleMesh& mesh, std::size_t triangle) {
  const Vector3 zero{0.0f, 0.0f, 0.0f};
  for (int k = 0; k < 3; ++k) {
    if (mesh.triangles[3 * triangle + static_cast<std::size_t>(k)] >= mesh.vertexCount) return zero;
  }
  const Vector3 a = Corner(mesh, triangle, 0);
  const Vector3 ab = Minus(Corner(mesh, triangle, 1), a);
  const Vector3 ac = Minus(Corner(mesh, triangle, 2), a);
  const Vector3 normal = Cross(ab, ac);
  const float squared = Dot(normal, normal);
  const float edges = (kFlatTriangle * Dot(ab, ab)) * Dot(ac, ac);
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
  return !IsZero(faceNormals_[triangle]);
}

void SurfacePseudoNormals::BuildFaceNormals(const TriangleMesh& mesh) {
  faceNormals_.assign(mesh.triangleCount, Vector3{0.0f, 0.0f, 0.0f});
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
      edgeNormals_.push_back(Vector3{0.0f, 0.0f, 0.0f});
    }
    edgeOfSlot_[sides[s].slot] = static_cast<uint32_t>(edgeNormals_.size() - 1);
    edgeNormals_.back() = Plus(edgeNormals_.back(), faceNormals_[sides[s].slot / 3]);
  }
}

void SurfacePseudoNormals::BuildVertexNormals(const TriangleMesh& mesh) {
  vertexNormals_.assign(mesh.vertexCount, Vector3{0.0f, 0.0f, 0.0f});
  for (const uint32_t triangle : normalIndices_) {
    for (int k = 0; k < 3; ++k) {
      const Vector3 at = Corner(mesh, triangle, k);
      const Vector3 toNext = UnitOf(Minus(Corner(mesh, triangle, (k + 1) % 3), at));
      const Vector3 toPrevious = UnitOf(Minus(Corner(mesh, triangle, (k + 2) % 3), at));
      const float angle = AngleOfCosine(Dot(toNext, toPrevious));
      Vector3& sum = vertexNormals_[mesh.triangles[3 * triangle + static_cast<std::size_t>(k)]];
      sum = Plus(sum, Times(faceNormals_[triangle], angle));
    }
  }
}

Vector3 SurfacePseudoNormals::UnitNormalAt(const SurfaceHit& hit) const {
  const auto triangle = static_cast<std::size_t>(hit.triangle);
  Vector3 normal = faceNormals_[triangle];
  if (hit.feature >= kSurfaceCornerA && hit.feature <= kSurfaceCornerC) {
    normal = vertexNormals_[mesh_.triangles[3 * triangle + static_cast<std::size_t>(hit.feature)]];
  } else if (hit.feature >= kSurfaceEdgeAB && hit.feature <= kSurfaceEdgeBC) {
    normal = edgeNormals_[edgeOfSlot_[3 * triangle + static_cast<std::size_t>(hit.feature - 3)]];
  }
  const float squared = Dot(normal, normal);
  if (!(squared >= kCancelledNormal) || !std::isfinite(squared)) return faceNormals_[triangle];
  return UnitOf(normal);
}

float SignedDistanceAt(const SurfacePseudoNormals& normals, const SurfaceHit& hit,
                       const Vector3& point) {
  const Vector3 on = Vector3At(hit.point);
  return Dot(Minus(point, on), normals.UnitNormalAt(hit));
}
