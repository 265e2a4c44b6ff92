#include "quality/contact_scenes.h"

#include <cmath>
#include <map>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;
// How far the ridges stand out, as a share of the torso's radius.
constexpr double kRidge = 0.4;

SmoothPart Torso() {
  SmoothPart torso;
  torso.radii = {0.16, 0.12, 0.32};
  return torso;
}

Morph Identity() {
  return [](const Vector3d& x) { return x; };
}

Morph BellyAndWidth() {
  return Then(Bulge({0.16, 0.0, 0.05}, {1.0, 0.0, 0.0}, 0.03, 0.1),
              Scale({0.0, 0.0, 0.0}, {1.08, 1.08, 1.0}));
}

// The ridged torso: each ring of the ellipsoid widened by 1 + kRidge (1 - |sin(turn)|), so that it
// comes to a sharp edge where it crosses the x axis, in front and behind.
Vector3d RidgedPoint(double u, double v) {
  const double turn = 2.0 * kPi * u;
  const double polar = kPi * v;
  const double swell = 1.0 + kRidge * (1.0 - std::fabs(std::sin(turn)));
  return {0.16 * swell * std::sin(polar) * std::cos(turn),
          0.12 * swell * std::sin(polar) * std::sin(turn), -0.32 * std::cos(polar)};
}

// The normal on the side of the ridge the point lies on (no garment vertex lies on a ridge).
Vector3d RidgedNormal(double u, double v) {
  constexpr double kStep = 1e-7;
  const Vector3d alongU = RidgedPoint(u + kStep, v) - RidgedPoint(u - kStep, v);
  const Vector3d alongV = RidgedPoint(u, v + kStep) - RidgedPoint(u, v - kStep);
  return Normalized(Cross(alongU, alongV));
}

Vector3 ToFloat(const Vector3d& p) {
  return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

// The panel of a triangle: which side of the ridges (y) and of the waist (z) its centroid lies on.
int PanelOf(const std::vector<Vector3>& positions, const uint32_t* corners) {
  const double y =
      double{positions[corners[0]].y} + positions[corners[1]].y + positions[corners[2]].y;
  const double z =
      double{positions[corners[0]].z} + positions[corners[1]].z + positions[corners[2]].z;
  return (y < 0.0 ? 0 : 1) + (z < 0.0 ? 0 : 2);
}

// Gives every panel its own copies of the vertices it shares with another; returns, for each new
// vertex, the vertex it copies.
std::vector<uint32_t> SplitPanels(const std::vector<Vector3>& positions,
                                  std::vector<uint32_t>& triangles, uint32_t firstVertex) {
  std::map<std::pair<uint32_t, int>, uint32_t> copies;
  std::vector<uint32_t> copied;
  for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
    const int panel = PanelOf(positions, &triangles[t]);
    for (std::size_t k = 0; k < 3; ++k) {
      const auto key = std::make_pair(triangles[t + k], panel);
      auto found = copies.find(key);
      if (found == copies.end()) {
        found = copies.emplace(key, firstVertex + static_cast<uint32_t>(copied.size())).first;
        copied.push_back(triangles[t + k]);
      }
      triangles[t + k] = found->second;
    }
  }
  return copied;
}

void AddRidgedBody(QualityScene& scene, const Morph& morph) {
  const ParameterMesh mesh = MeshParameters({64, 32, 0.0, 1.0, 0.0, 0.0});
  std::vector<Vector3> rest;
  for (std::size_t i = 0; i < mesh.u.size(); ++i)
    rest.push_back(ToFloat(RidgedPoint(mesh.u[i], mesh.v[i])));
  std::vector<uint32_t> triangles = mesh.triangles;
  for (const uint32_t vertex : SplitPanels(rest, triangles, 0)) {
    const Vector3d point = RidgedPoint(mesh.u[vertex], mesh.v[vertex]);
    scene.bodyRest.push_back(ToFloat(point));
    scene.bodyMorphed.push_back(ToFloat(morph(point)));
    scene.bodyPartOfVertex.push_back(0);
  }
  scene.bodyTriangles = triangles;
}

void AddRidgedShirt(QualityScene& scene, const Morph& morph) {
  const ParameterMesh mesh = MeshParameters({128, 42, 0.2, 0.85, 0.5, 0.03});
  std::vector<Vector3> rest;
  std::vector<Vector3d> truth;
  for (std::size_t i = 0; i < mesh.u.size(); ++i) {
    const Vector3d point = RidgedPoint(mesh.u[i], mesh.v[i]);
    const Vector3d normal = RidgedNormal(mesh.u[i], mesh.v[i]);
    rest.push_back(ToFloat(point + scene.delta * normal));
    truth.push_back(morph(point) + scene.delta * MorphedNormal(morph, point, normal));
  }
  std::vector<uint32_t> triangles = mesh.triangles;
  for (const uint32_t vertex : SplitPanels(rest, triangles, 0)) {
    scene.garmentRest.push_back(rest[vertex]);
    scene.garmentTruth.push_back(truth[vertex]);
  }
  scene.garmentTriangles = triangles;
}

}  // namespace

QualityScene SeamsScene() {
  QualityScene scene;
  scene.name = "seams";
  scene.description =
      "shirt 0.01 over a torso with two sharp ridges, both split into 4 panels along the ridges "
      "and the waist; belly and width";
  scene.delta = 0.01;
  AddRidgedBody(scene, BellyAndWidth());
  AddRidgedShirt(scene, BellyAndWidth());
  return scene;
}

QualityScene BallPressScene() {
  SceneBuilder builder("ball-press",
                       "shirt 0.01 over the torso; a ball of radius 0.06 beside it pressed 0.03 "
                       "into it; truth undefined within 0.01 of the ball",
                       0.01);
  const int torso = builder.AddBodyPart(Torso(), {64, 32, 0.0, 1.0, 0.0, 0.0}, Identity());
  SmoothPart ball;
  ball.radii = {0.06, 0.06, 0.06};
  ball.center = {0.25, 0.0, 0.05};
  const Vector3d press{-0.06, 0.0, 0.0};
  builder.AddBodyPart(ball, {32, 16, 0.0, 1.0, 0.0, 0.0},
                      [press](const Vector3d& x) { return x + press; });
  builder.AddGarment(torso, {128, 42, 0.2, 0.85, 0.5, 0.03});
  QualityScene scene = builder.Finish();
  const Vector3d pressed = ball.center + press;
  scene.truthUndefined.resize(scene.garmentTruth.size(), 0);
  for (std::size_t i = 0; i < scene.garmentTruth.size(); ++i) {
    if (Length(scene.garmentTruth[i] - pressed) < ball.radii.x + scene.delta) {
      scene.truthUndefined[i] = 1;
    }
  }
  return scene;
}

QualityScene UnmovedScene() {
  SceneBuilder builder("unmoved", "shirt 0.0001 over the torso; the morph moves nothing", 0.0001);
  const int torso = builder.AddBodyPart(Torso(), {64, 32, 0.0, 1.0, 0.0, 0.0}, Identity());
  builder.AddGarment(torso, {128, 42, 0.2, 0.85, 0.5, 0.03});
  return builder.Finish();
}
