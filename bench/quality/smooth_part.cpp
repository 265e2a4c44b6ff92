#include "quality/smooth_part.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A point of the capsule and its normal: the arc from the lower pole is cut into the lower
// hemisphere, the straight side and the upper hemisphere, each at its own length.
void CapsulePoint(const SmoothPart& part, double u, double v, Vector3d* point, Vector3d* normal) {
  const double radius = part.radii.x;
  const double capArc = 0.5 * kPi * radius;
  const double arc = v * (2.0 * capArc + 2.0 * part.halfLength);
  const double turn = 2.0 * kPi * u;
  double ringSine = 1.0;
  double axial = 0.0;
  double height = 0.0;
  if (arc < capArc) {
    const double polar = arc / radius;
    ringSine = std::sin(polar);
    axial = -std::cos(polar);
    height = -part.halfLength;
  } else if (arc > capArc + 2.0 * part.halfLength) {
    const double polar = (2.0 * capArc + 2.0 * part.halfLength - arc) / radius;
    ringSine = std::sin(polar);
    axial = std::cos(polar);
    height = part.halfLength;
  } else {
    height = arc - capArc - part.halfLength;
  }
  *normal = {ringSine * std::cos(turn), ringSine * std::sin(turn), axial};
  *point = part.center + Vector3d{0.0, 0.0, height} + radius * *normal;
}

Vector3d EllipsoidOffset(const SmoothPart& part, double u, double v) {
  const double polar = kPi * v;
  const double turn = 2.0 * kPi * u;
  return {part.radii.x * std::sin(polar) * std::cos(turn),
          part.radii.y * std::sin(polar) * std::sin(turn), -part.radii.z * std::cos(polar)};
}

}  // namespace

Vector3d PartPoint(const SmoothPart& part, double u, double v) {
  if (part.shape == SmoothPart::Shape::kEllipsoid) return part.center + EllipsoidOffset(part, u, v);
  Vector3d point;
  Vector3d normal;
  CapsulePoint(part, u, v, &point, &normal);
  return point;
}

Vector3d PartNormal(const SmoothPart& part, double u, double v) {
  if (part.shape == SmoothPart::Shape::kEllipsoid) {
    const Vector3d offset = EllipsoidOffset(part, u, v);
    const Vector3d& r = part.radii;
    return Normalized({offset.x / (r.x * r.x), offset.y / (r.y * r.y), offset.z / (r.z * r.z)});
  }
  Vector3d point;
  Vector3d normal;
  CapsulePoint(part, u, v, &point, &normal);
  return normal;
}
