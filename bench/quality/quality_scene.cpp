#include "quality/quality_scene.h"

#include <cmath>
#include <utility>

#include "surface/closest_point.h"

namespace {

Vector3 ToFloat(const Vector3d& point) {
  return {static_cast<float>(point.x), static_cast<float>(point.y), static_cast<float>(point.z)};
}

// The direction of growing u on the part, by central differences.
Vector3d PartTangent(const SmoothPart& part, double u, double v) {
  constexpr double kStep = 1e-6;
  return Normalized(PartPoint(part, u + kStep, v) - PartPoint(part, u - kStep, v));
}

}  // namespace

SceneBuilder::SceneBuilder(std::string name, std::string description, double delta) {
  scene_.name = std::move(name);
  scene_.description = std::move(description);
  scene_.delta = delta;
}

int SceneBuilder::AddBodyPart(const SmoothPart& part, const ParameterGrid& grid, Morph morph) {
  const auto first = static_cast<uint32_t>(scene_.bodyRest.size());
  const auto number = static_cast<int>(parts_.size());
  parts_.push_back({part, morph, first, static_cast<uint32_t>(scene_.bodyTriangles.size() / 3)});
  const ParameterMesh mesh = MeshParameters(grid);
  for (std::size_t i = 0; i < mesh.u.size(); ++i) {
    const Vector3d point = PartPoint(part, mesh.u[i], mesh.v[i]);
    scene_.bodyRest.push_back(ToFloat(point));
    scene_.bodyMorphed.push_back(ToFloat(morph(point)));
    scene_.bodyPartOfVertex.push_back(number);
  }
  for (const uint32_t corner : mesh.triangles) scene_.bodyTriangles.push_back(first + corner);
  return number;
}

void SceneBuilder::AddGarmentVertex(const Vector3d& rest, const Vector3d& truth, int part) {
  scene_.garmentRest.push_back(ToFloat(rest));
  scene_.garmentTruth.push_back(truth);
  garmentPart_.push_back(part);
}

void SceneBuilder::AddGarment(int part, const ParameterGrid& grid) {
  const BodyPart& body = parts_[static_cast<std::size_t>(part)];
  const auto first = static_cast<uint32_t>(scene_.garmentRest.size());
  const ParameterMesh mesh = MeshParameters(grid);
  for (std::size_t i = 0; i < mesh.u.size(); ++i) {
    const Vector3d point = PartPoint(body.shape, mesh.u[i], mesh.v[i]);
    const Vector3d normal = PartNormal(body.shape, mesh.u[i], mesh.v[i]);
    const Vector3d truth =
        body.morph(point) + scene_.delta * MorphedNormal(body.morph, point, normal);
    AddGarmentVertex(point + scene_.delta * normal, truth, part);
  }
  for (const uint32_t corner : mesh.triangles) scene_.garmentTriangles.push_back(first + corner);
}

void SceneBuilder::AddAccessory(int part, double u, double v, const Vector3d& radii,
                                double height) {
  const BodyPart& body = parts_[static_cast<std::size_t>(part)];
  const Vector3d point = PartPoint(body.shape, u, v);
  const Vector3d normal = PartNormal(body.shape, u, v);
  const Vector3d tangent = PartTangent(body.shape, u, v);
  const Matrix3d frame = SurfaceFrame(normal, tangent);
  const FrameMotion motion = SurfaceFrameMotion(body.morph, point, normal, tangent);
  SmoothPart unit;
  unit.radii = radii;
  unit.center = {0.0, 0.0, height};
  const auto first = static_cast<uint32_t>(scene_.garmentRest.size());
  const ParameterMesh mesh = MeshParameters({12, 6, 0.0, 1.0, 0.0, 0.0});
  for (std::size_t i = 0; i < mesh.u.size(); ++i) {
    const Vector3d rest = point + frame * PartPoint(unit, mesh.u[i], mesh.v[i]);
    AddGarmentVertex(rest, motion.Apply(rest), part);
  }
  for (const uint32_t corner : mesh.triangles) scene_.garmentTriangles.push_back(first + corner);
}

void SceneBuilder::MarkCrossTalk(int still, int other, double distance) {
  scene_.crossTalkZone.resize(scene_.garmentRest.size(), 0);
  const BodyPart& body = parts_[static_cast<std::size_t>(other)];
  const std::size_t end = static_cast<std::size_t>(other) + 1 < parts_.size()
                              ? parts_[static_cast<std::size_t>(other) + 1].firstTriangle
                              : scene_.bodyTriangles.size() / 3;
  const uint32_t* corners = scene_.bodyTriangles.data() + 3 * std::size_t{body.firstTriangle};
  for (std::size_t i = 0; i < scene_.garmentRest.size(); ++i) {
    if (garmentPart_[i] != still) continue;
    const SurfaceHit hit =
        FindClosestExhaustive(&scene_.bodyRest[0].x, scene_.bodyRest.size(), corners,
                              end - body.firstTriangle, &scene_.garmentRest[i].x);
    if (std::sqrt(static_cast<double>(hit.squaredDistance)) < distance) {
      scene_.crossTalkZone[i] = 1;
    }
  }
}
