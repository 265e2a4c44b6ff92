#include "quality/inside_test.h"

#include <algorithm>

namespace {

// A fixed rotation taking the ray's direction to z: rows of an orthonormal frame around a
// direction askew to the axes.
Vector3d Turned(const Vector3d& point) {
  const Vector3d ray = Normalized({0.3141592653, 0.2718281828, 0.9238795325});
  const Vector3d first = Normalized(Cross(ray, {1.0, 0.0, 0.0}));
  const Vector3d second = Cross(ray, first);
  return {Dot(point, first), Dot(point, second), Dot(point, ray)};
}

double Orientation(const Vector3d& a, const Vector3d& b, const Vector3d& p) {
  return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

}  // namespace

InsideTest::InsideTest(const std::vector<Vector3>& positions,
                       const std::vector<uint32_t>& triangles) {
  for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
    Triangle triangle;
    for (int k = 0; k < 3; ++k) {
      const Vector3& p = positions[triangles[t + static_cast<std::size_t>(k)]];
      triangle.corners[k] = Turned({p.x, p.y, p.z});
    }
    const Vector3d* c = triangle.corners;
    triangle.lowX = std::min({c[0].x, c[1].x, c[2].x});
    triangle.highX = std::max({c[0].x, c[1].x, c[2].x});
    triangle.lowY = std::min({c[0].y, c[1].y, c[2].y});
    triangle.highY = std::max({c[0].y, c[1].y, c[2].y});
    triangles_.push_back(triangle);
  }
}

bool InsideTest::Inside(const Vector3d& point) const {
  const Vector3d p = Turned(point);
  bool inside = false;
  for (const Triangle& triangle : triangles_) {
    if (p.x < triangle.lowX || p.x > triangle.highX || p.y < triangle.lowY ||
        p.y > triangle.highY) {
      continue;
    }
    const Vector3d* c = triangle.corners;
    const double w0 = Orientation(c[1], c[2], p);
    const double w1 = Orientation(c[2], c[0], p);
    const double w2 = Orientation(c[0], c[1], p);
    const bool within = (w0 > 0.0 && w1 > 0.0 && w2 > 0.0) || (w0 < 0.0 && w1 < 0.0 && w2 < 0.0);
    if (!within) continue;
    const double height = (w0 * c[0].z + w1 * c[1].z + w2 * c[2].z) / (w0 + w1 + w2);
    if (height > p.z) inside = !inside;
  }
  return inside;
}
