#include "scene_run/prepared_source_shape.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "parallel/parallel_chunks.h"
#include "scene_run/input_error.h"

namespace palisor_run {

namespace {

static_assert(sizeof(MQPoint) == sizeof(Vector3), "a position is three floats either way");

bool SameBits(const std::vector<Vector3>& a, const std::vector<MQPoint>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(MQPoint)) == 0;
}

const host_imitation::FaceList& FacesOf(
    const std::shared_ptr<const host_imitation::FaceList>& faces) {
  static const host_imitation::FaceList none;
  return faces ? *faces : none;
}

}  // namespace

std::vector<uint32_t> FanTriangles(const host_imitation::FaceList& faces, std::size_t vertices) {
  std::vector<uint32_t> triangles;
  for (const auto face : faces) {
    if (face.size() < 3) continue;
    const bool inside = std::all_of(face.begin(), face.end(), [vertices](int32_t corner) {
      return corner >= 0 && static_cast<std::size_t>(corner) < vertices;
    });
    if (!inside) continue;
    for (std::size_t k = 1; k + 1 < face.size(); ++k) {
      triangles.insert(triangles.end(),
                       {static_cast<uint32_t>(face[0]), static_cast<uint32_t>(face[k]),
                        static_cast<uint32_t>(face[k + 1])});
    }
  }
  return triangles;
}

std::vector<Vector3> Vector3Positions(const std::vector<MQPoint>& points) {
  std::vector<Vector3> positions(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    positions[i] = Vector3{points[i].x, points[i].y, points[i].z};
  }
  return positions;
}

PreparedSourceShape::PreparedSourceShape(const ObjectState& source)
    : name_(source.name), positions_(Vector3Positions(source.vertices)), faces_(source.faces) {}

bool PreparedSourceShape::IsOf(const ObjectState& source) const {
  return SameBits(positions_, source.vertices) &&
         (faces_ == source.faces || FacesOf(faces_) == FacesOf(source.faces));
}

const PreparedNearestSearch& PreparedSourceShape::NearestSearch(const std::vector<uint8_t>& used) {
  if (nearest_) return *nearest_;
  SourcePoints points;
  for (std::size_t v = 0; v < positions_.size(); ++v) {
    if (v >= used.size() || used[v] == 0) continue;
    points.Add(static_cast<int32_t>(v), positions_[v]);
  }
  nearest_ = std::make_unique<PreparedNearestSearch>(std::move(points), MachineThreadCount());
  return *nearest_;
}

void PreparedSourceShape::ReleaseSurfaceSearch() {
  if (!surface_) return;
  surface_->ReleaseSearch();
  searchReleased_ = true;
}

const PreparedSource& PreparedSourceShape::Surface() {
  if (surface_ && !searchReleased_) return *surface_;
  searchReleased_ = false;
  triangles_ = FanTriangles(FacesOf(faces_), positions_.size());
  if (triangles_.empty()) {
    throw InputError("the Source '" + name_ + "' has no faces: the surface methods need them");
  }
  const TriangleMesh mesh{positions_.data(), positions_.size(), triangles_.data(),
                          triangles_.size() / 3};
  auto surface = std::make_unique<PreparedSource>();
  std::string error;
  if (!surface->Build(mesh, MachineThreadCount(), &error)) {
    throw InputError("the Source '" + name_ + "' cannot serve the surface methods: " + error);
  }
  surface_ = std::move(surface);
  return *surface_;
}

double PreparedSourceShape::TriangleBoxDiagonal() const {
  return palisor_run::TriangleBoxDiagonal(positions_, triangles_);
}

double TriangleBoxDiagonal(const std::vector<Vector3>& positions,
                           const std::vector<uint32_t>& triangles) {
  double low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (uint32_t corner : triangles) {
    const Vector3& p = positions[corner];
    const float point[3] = {p.x, p.y, p.z};
    for (int axis = 0; axis < 3; ++axis) {
      if (!std::isfinite(point[axis])) continue;
      low[axis] = std::min(low[axis], double(point[axis]));
      high[axis] = std::max(high[axis], double(point[axis]));
    }
  }
  double squared = 0.0;
  for (int axis = 0; axis < 3; ++axis) {
    if (high[axis] >= low[axis]) squared += (high[axis] - low[axis]) * (high[axis] - low[axis]);
  }
  return std::sqrt(squared);
}

}  // namespace palisor_run
