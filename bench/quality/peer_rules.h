// Other tools' rules for carrying a morph from a body to a garment, written here from their
// description so that Palisor's methods can be measured beside them on the same scenes.
//
//   nearest within a radius: the (up to) k nearest body vertices within the radius, their
//       displacements blended by inverse distance; a vertex with none within the radius takes its
//       single nearest body vertex's displacement.
//   closest surface point: the displacement at the closest point of the body's triangles,
//       blended from the triangle's corners by barycentric weights; the offset from the surface is
//       not turned with it.
#pragma once

#include <cstddef>
#include <vector>

#include "quality/quality_scene.h"

// One displacement per garment vertex.
std::vector<Vector3> NearestWithinRadius(const QualityScene& scene, std::size_t k, double radius);
std::vector<Vector3> ClosestSurfacePoint(const QualityScene& scene);

// The body's displacements: morphed minus rest, in 32-bit floats.
std::vector<Vector3> BodyDisplacements(const QualityScene& scene);
// The mean length of the body's mesh edges (each triangle's three sides).
double MeanBodyEdge(const QualityScene& scene);
