// Surfaces the winding number and keep-outside are tested on: closed solids as exporters write
// them (faces split along seams, a fin, turned inside out), parts that run into one another, a
// torus with its hole, an open sheet; and the references they are judged by.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/vector3.h"
#include "surface_transfer/surface_methods.h"

struct Solid {
  std::vector<Vector3> positions;
  std::vector<uint32_t> corners;

  TriangleMesh Mesh() const {
    return TriangleMesh{positions.data(), positions.size(), corners.data(), corners.size() / 3};
  }
};

// A sphere over a latitude and longitude grid, faces outwards.
Solid SphereSolid(uint32_t rings, uint32_t segments, float radius, const Vector3& center);
// A torus around the z axis, faces outwards.
Solid TorusSolid(float major, float minor, uint32_t around, uint32_t along);
// A prism from z = 0 to 1 over a triangle whose corner on the z axis has the given angle and opens
// towards +x; every face with its own vertices.
Solid SplitWedge(float angleDegrees);
// A wavy open sheet over [0, 1]^2.
Solid WavySheet(uint32_t side);

Solid Joined(const Solid& a, const Solid& b);
// Every triangle with its own three vertices, as along seams everywhere.
Solid SplitFaces(const Solid& solid);
// With one more triangle on the edge of its first triangle, sticking out by `height`.
Solid WithFin(const Solid& solid, float height);
Solid InsideOut(const Solid& solid);
Solid Moved(const Solid& solid, const std::function<Vector3(const Vector3&)>& motion);

// The winding number in doubles by the C library's atan2, triangle by triangle.
double ReferenceWindingNumber(const TriangleMesh& mesh, const Vector3& point);
// The distance from the surface by the exhaustive closest-point search.
double ReferenceDistance(const TriangleMesh& mesh, const Vector3& point);
