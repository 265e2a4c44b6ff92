// Smooth deformations of space that morph the quality scenes' bodies, and what they do to a
// surface: where its normal turns, and how a small frame on it turns. Computed in doubles.
#pragma once

#include <functional>

#include "quality/vector3d.h"

using Morph = std::function<Vector3d(const Vector3d&)>;

// Pushes points near `center` along `direction`, by `height` at the center, fading as a Gaussian of
// width `width`.
Morph Bulge(const Vector3d& center, const Vector3d& direction, double height, double width);
// Turns points around the vertical axis through `axis` (x and y), by `rate` radians per unit of
// height above `axis.z`.
Morph Twist(const Vector3d& axis, double rate);
// Scales about `center`, each axis by its own factor.
Morph Scale(const Vector3d& center, const Vector3d& factors);
// Swells a vertical limb around its axis (x and y of `axis`) by up to `swelling` of its radius,
// fading as a Gaussian of width `width` of the height from `axis.z`; and bends it, moving a point
// `bend` * s^2 along x, where s is the height below `axis.z` over `length`.
Morph SwellAndBend(const Vector3d& axis, double swelling, double width, double bend, double length);
// Turns points by `angle` radians around the x axis through `pivot` (a jaw's hinge).
Morph Hinge(const Vector3d& pivot, double angle);
// One deformation after the other.
Morph Then(Morph first, Morph second);

// The Jacobian of the morph at a point, by central differences.
Matrix3d MorphJacobian(const Morph& morph, const Vector3d& point);
// The unit normal, at the morphed point, of a surface whose normal at `point` was `normal`.
Vector3d MorphedNormal(const Morph& morph, const Vector3d& point, const Vector3d& normal);

// A rigid motion that a small object follows: x -> origin' + rotation (x - origin).
struct FrameMotion {
  Vector3d origin;
  Vector3d movedOrigin;
  Matrix3d rotation;

  Vector3d Apply(const Vector3d& x) const { return movedOrigin + rotation * (x - origin); }
};

// How the surface's frame at `point` (normal `normal`, `tangent` along it) moves with the morph:
// the rotation nearest to the surface's local change, which carries the surface's tangents by the
// Jacobian and its normal to the morphed normal (whatever tangent is given).
FrameMotion SurfaceFrameMotion(const Morph& morph, const Vector3d& point, const Vector3d& normal,
                               const Vector3d& tangent);
// The orthonormal frame (tangent, normal x tangent, normal) with the tangent made normal to
// `normal`.
Matrix3d SurfaceFrame(const Vector3d& normal, const Vector3d& tangent);
