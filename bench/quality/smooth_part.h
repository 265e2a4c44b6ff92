// Smooth closed surfaces given by parameters: u in [0, 1) goes around, v in [0, 1] from the lower
// pole to the upper one. Each point has its exact unit normal, so that a shell at a distance
// over the surface is known exactly, whatever mesh is later laid over it.
#pragma once

#include "quality/vector3d.h"

struct SmoothPart {
  enum class Shape { kEllipsoid, kCapsule };
  Shape shape = Shape::kEllipsoid;
  Vector3d center;
  // Ellipsoid: the semi-axes along x, y and z. Capsule: `radii.x` is the radius around its axis.
  Vector3d radii;
  // Capsule: half the length of the straight part of its axis, which lies along z.
  double halfLength = 0.0;
};

Vector3d PartPoint(const SmoothPart& part, double u, double v);
Vector3d PartNormal(const SmoothPart& part, double u, double v);
