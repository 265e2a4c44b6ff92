#include "surface_mesh.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTau = 6.283185307179586;

}  // namespace

SurfaceMesh MakeDisplacedTorus(std::size_t vertexCount, float aspect, float offset, float phase,
                               bool withFaces) {
  const auto tube = std::max<std::size_t>(
      3, static_cast<std::size_t>(std::lround(std::sqrt(vertexCount / double{aspect}))));
  const std::size_t ring = std::max<std::size_t>(3, (vertexCount + tube - 1) / tube);
  SurfaceMesh mesh;
  mesh.vertices.reserve(ring * tube);
  for (std::size_t i = 0; i < ring; ++i) {
    // Unevenly spaced around the ring, so that density varies by a factor of about three.
    const double s = double(i) / ring;
    const double u = kTau * s + 0.5 * std::sin(kTau * s) + phase;
    for (std::size_t j = 0; j < tube; ++j) {
      const double t = double(j) / tube;
      const double v = kTau * t + 0.2 * std::sin(2 * kTau * t) + 0.7 * phase;
      const double bump = 1.0 + 0.15 * std::sin(5 * u) * std::cos(3 * v) +
                          0.04 * std::sin(17 * u + 2 * v) + 0.01 * std::cos(40 * v - 31 * u);
      const double radius = 0.35 * bump + offset;
      const double distance = 1.0 + radius * std::cos(v);
      mesh.vertices.push_back(MQPoint{static_cast<float>(distance * std::cos(u)),
                                      static_cast<float>(distance * std::sin(u)),
                                      static_cast<float>(radius * std::sin(v))});
    }
  }
  if (withFaces) {
    mesh.faces.reserve(ring * tube);
    for (std::size_t i = 0; i < ring; ++i) {
      for (std::size_t j = 0; j < tube; ++j) {
        const auto at = [&](std::size_t a, std::size_t b) {
          return static_cast<int32_t>((a % ring) * tube + b % tube);
        };
        mesh.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
      }
    }
  }
  return mesh;
}

SurfaceMesh MakeSourceSurface(std::size_t vertexCount, bool withFaces) {
  return MakeDisplacedTorus(vertexCount, 2.5f, 0.0f, 0.0f, withFaces);
}

SurfaceMesh MakeDestinationSurface(std::size_t vertexCount, bool withFaces) {
  return MakeDisplacedTorus(vertexCount, 3.7f, 0.01f, 0.013f, withFaces);
}
