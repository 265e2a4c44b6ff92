// A scene of known truth: a closed body (the Source) with one morph, and a Destination laid over it
// whose morphed position is known for every vertex. The body is a union of smooth parts, each
// meshed on its own grid and moved by its own morph; a garment is a shell at distance `delta`
// over a part, meshed on another grid, whose true morphed position is the morphed part's point
// plus `delta` along the morphed normal; an accessory is a small object that moves rigidly with
// the frame of the surface point it sits over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quality/morph.h"
#include "quality/parameter_mesh.h"
#include "quality/smooth_part.h"
#include "quality/vector3d.h"
#include "search/nearest_search.h"

struct QualityScene {
  std::string name;
  std::string description;
  // The garment's distance from the body: errors are reported in units of it.
  double delta = 0.0;
  // The body, at rest and morphed (32-bit floats, as a host holds them).
  std::vector<Vector3> bodyRest;
  std::vector<Vector3> bodyMorphed;
  std::vector<uint32_t> bodyTriangles;
  std::vector<int32_t> bodyPartOfVertex;
  // The Destination at rest, and where each of its vertices truly goes.
  std::vector<Vector3> garmentRest;
  std::vector<uint32_t> garmentTriangles;
  std::vector<Vector3d> garmentTruth;
  // Non-zero for the vertices on which cross-talk is measured; empty when the scene has none.
  std::vector<uint8_t> crossTalkZone;
  // Non-zero for the vertices whose truth is undefined (where two parts of the body run into one
  // another): they count only among the vertices inside; empty when every truth is defined.
  std::vector<uint8_t> truthUndefined;
};

// Builds a scene part by part.
class SceneBuilder {
 public:
  SceneBuilder(std::string name, std::string description, double delta);

  // Adds a closed part to the body; returns its number.
  int AddBodyPart(const SmoothPart& part, const ParameterGrid& grid, Morph morph);
  // Adds a shell at the scene's distance over body part `part`, meshed on `grid`.
  void AddGarment(int part, const ParameterGrid& grid);
  // Adds an ellipsoid with semi-axes `radii` (along the surface's frame: tangent, the other
  // tangent, normal), centred `height` above the point (u, v) of body part `part`.
  void AddAccessory(int part, double u, double v, const Vector3d& radii, double height);
  // Marks for cross-talk the garment vertices added so far over `still` that lie within
  // `distance` of body part `other` at rest.
  void MarkCrossTalk(int still, int other, double distance);

  QualityScene Finish() { return std::move(scene_); }

 private:
  struct BodyPart {
    SmoothPart shape;
    Morph morph;
    uint32_t firstVertex;
    uint32_t firstTriangle;
  };
  void AddGarmentVertex(const Vector3d& rest, const Vector3d& truth, int part);

  QualityScene scene_;
  std::vector<BodyPart> parts_;
  std::vector<int32_t> garmentPart_;
};
