// Reading a triangle's corners out of the mesh's plain arrays, and which triangles take part.
#pragma once

#include <cstddef>
#include <cstdint>

#include "surface/triangle_closest_point.h"

inline Vector3 VertexAt(const float* positions, uint32_t vertex) {
  return Vector3At(positions + 3 * static_cast<std::size_t>(vertex));
}

// Whether every corner of `triangle` names a vertex below `vertexCount`.
inline bool CornersInRange(const uint32_t* corners, std::size_t triangle, std::size_t vertexCount) {
  for (std::size_t k = 0; k < 3; ++k) {
    if (corners[3 * triangle + k] >= vertexCount) return false;
  }
  return true;
}

inline TriangleCorners CornersOf(const float* positions, const uint32_t* corners,
                                 std::size_t triangle) {
  return TriangleCorners{VertexAt(positions, corners[3 * triangle]),
                         VertexAt(positions, corners[3 * triangle + 1]),
                         VertexAt(positions, corners[3 * triangle + 2])};
}

// A triangle in range takes part when all its coordinates are finite.
inline bool TakesPart(const TriangleCorners& corners) {
  return IsFinite(corners.a) && IsFinite(corners.b) && IsFinite(corners.c);
}
