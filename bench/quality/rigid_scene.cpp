#include "quality/rigid_scene.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDelta = 0.01;
// The skirt leaves the torso at the waist and flares to this far from it at its hem.
constexpr double kWaist = -0.04;
constexpr double kHem = -0.30;
constexpr double kFlare = 0.08;
// The turn and the shift.
constexpr double kTurn = 35.0 * kPi / 180.0;
const Vector3d kShift{0.05, -0.03, 0.02};

Vector3d Turned(const Vector3d& x) {
  const Vector3d axis = Normalized({0.3, 0.5, 0.8});
  const double c = std::cos(kTurn);
  const double s = std::sin(kTurn);
  return c * x + s * Cross(axis, x) + (1.0 - c) * Dot(axis, x) * axis + kShift;
}

Vector3 ToFloat(const Vector3d& p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// Adds a ring-shaped grid of `rows` by `columns` vertices from `point(row, column)`, joined round.
template <typename Point>
void AddRing(QualityScene& scene, int rows, int columns, const Point& point) {
  const auto first = static_cast<uint32_t>(scene.garmentRest.size());
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const Vector3d rest = point(row, column);
      scene.garmentRest.push_back(ToFloat(rest));
      scene.garmentTruth.push_back(Turned(rest));
    }
  }
  const auto at = [&](int row, int column) {
    return first + static_cast<uint32_t>(row * columns + column % columns);
  };
  for (int row = 0; row + 1 < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      scene.garmentTriangles.insert(
          scene.garmentTriangles.end(),
          {at(row, column), at(row, column + 1), at(row + 1, column + 1), at(row, column),
           at(row + 1, column + 1), at(row + 1, column)});
    }
  }
}

// The skirt's point: over the torso's ring at its height, `kDelta` out at the waist and flaring
// quadratically to kDelta + kFlare at the hem.
Vector3d SkirtPoint(int row, int column, int rows, int columns) {
  const double z = kWaist + (kHem - kWaist) * row / (rows - 1);
  const double ring = std::sqrt(1.0 - (z / 0.32) * (z / 0.32));
  const double along = (z - kWaist) / (kHem - kWaist);
  const double out = kDelta + kFlare * along * along;
  const double turn = 2.0 * kPi * (column + 0.37) / columns;
  return {(0.16 * ring + out) * std::cos(turn), (0.12 * ring + out) * std::sin(turn), z};
}

// A ring floating 0.12 in front of the chest, apart from everything.
Vector3d FloatingRingPoint(int row, int column, int columns) {
  const double turn = 2.0 * kPi * column / columns;
  const double radius = 0.03 + 0.008 * row;
  return {0.30, radius * std::cos(turn), 0.15 + radius * std::sin(turn)};
}

}  // namespace

QualityScene RigidTurnScene() {
  SceneBuilder builder("rigid-turn",
                       "whole body turned 35 deg and shifted; flared skirt, bead, floating ring",
                       kDelta);
  SmoothPart torso;
  torso.radii = {0.16, 0.12, 0.32};
  const int body = builder.AddBodyPart(torso, {64, 32, 0.0, 1.0, 0.0, 0.0}, Turned);
  builder.AddAccessory(body, 0.0, 0.622, {0.015, 0.01, 0.005}, 0.015);
  QualityScene scene = builder.Finish();
  AddRing(scene, 14, 60, [](int row, int column) { return SkirtPoint(row, column, 14, 60); });
  AddRing(scene, 3, 24, [](int row, int column) { return FloatingRingPoint(row, column, 24); });
  return scene;
}

double RigidTurnTolerance() {
  // The motion moves a point at most by the shift plus the chord of the turn at the farthest
  // point from the axis's origin (under 0.5 from it).
  const double most = Length(kShift) + 2.0 * 0.5 * std::sin(kTurn / 2.0);
  return 1e-5 * most / kDelta;
}
