#include "scene_run/vertex_placement.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "parallel/parallel_chunks.h"
#include "scene/run_result.h"
#include "scene_run/input_error.h"
#include "transfer/interpolated_delta.h"

namespace palisor_run {

namespace {

// A distance limit as a length: a percentage is of the diagonal of the box around the Source's
// triangles.
float DistanceLimitOf(const SceneRunOptions& options, const PreparedSourceShape& source) {
  if (!options.maxDistance) return std::numeric_limits<float>::infinity();
  if (!options.maxDistance->percentOfSource) return options.maxDistance->value;
  return static_cast<float>(source.TriangleBoxDiagonal() * options.maxDistance->value / 100.0);
}

SurfaceTransferOptions SurfaceOptionsOf(const SceneRunOptions& options, float maxDistance) {
  SurfaceTransferOptions surface;
  surface.method = options.method == TransferMethodChoice::kSurface ? SurfaceMethod::kSurfacePoint
                                                                    : SurfaceMethod::kCarriedOffset;
  surface.maxDistance = maxDistance;
  if (options.maxAngleDegrees) surface.maxAngleDegrees = *options.maxAngleDegrees;
  if (options.keepOutside) surface.keepOutside = *options.keepOutside;
  surface.threadCount = MachineThreadCount();
  return surface;
}

// The transfer library's marks as the scene's run result tells them.
uint8_t Outcome(uint8_t mark) {
  uint8_t outcome = 0;
  if ((mark & kVertexMatched) != 0) outcome |= palisor_scene::kVertexMatchedOnSurface;
  if ((mark & kVertexFilled) != 0) outcome |= palisor_scene::kVertexFilled;
  if ((mark & kVertexRigid) != 0) outcome |= palisor_scene::kVertexMovedRigidly;
  if ((mark & kVertexPushed) != 0) outcome |= palisor_scene::kVertexPushedOut;
  if ((mark & kVertexNonFinite) != 0) outcome |= palisor_scene::kVertexNotFinite;
  return outcome;
}

// Target minus base as the plug-in takes it, for every vertex both have.
std::vector<Vector3> Displacements(const std::vector<MQPoint>& target,
                                   const std::vector<MQPoint>& base) {
  std::vector<Vector3> displacements(std::min(target.size(), base.size()));
  for (std::size_t i = 0; i < displacements.size(); ++i) {
    displacements[i] = SaturatedDifference(Vector3{target[i].x, target[i].y, target[i].z},
                                           Vector3{base[i].x, base[i].y, base[i].z});
  }
  return displacements;
}

// Room for every target's deltas of `count` vertices, and the outputs pointing into it.
std::vector<std::vector<Vector3>> DeltaRoom(std::size_t targets, std::size_t count,
                                            std::vector<Vector3*>& outputs) {
  std::vector<std::vector<Vector3>> deltas(targets, std::vector<Vector3>(count));
  for (auto& delta : deltas) outputs.push_back(delta.data());
  return deltas;
}

}  // namespace

VertexPlacement::VertexPlacement(const SceneRunOptions& options, const RunObjects& objects,
                                 PreparedSourceCache& cache)
    : objects_(objects),
      source_(cache.For(*objects.source)),
      alongSurface_(options.method != TransferMethodChoice::kNearest) {
  if (alongSurface_) {
    source_.Surface();
    surfaceOptions_ = SurfaceOptionsOf(options, DistanceLimitOf(options, source_));
  }
  for (const ObjectState* target : objects.targets) {
    displacements_.push_back(Displacements(target->vertices, objects.source->vertices));
  }
  for (const auto& displacements : displacements_) {
    targets_.push_back(TargetDisplacements{displacements.data(), displacements.size()});
  }
}

DestinationPlacement VertexPlacement::Place(const RunObjects::DestinationObjects& row,
                                            bool lastMatch) const {
  const std::vector<Vector3> rest = Vector3Positions(row.destination->vertices);
  return alongSurface_ ? AlongTheSurface(row, rest, lastMatch) : ByTheRule(rest, row.moving);
}

DestinationPlacement VertexPlacement::ByTheRule(const std::vector<Vector3>& rest,
                                                const std::vector<uint8_t>& moving) const {
  DestinationPlacement placement;
  std::vector<Vector3*> outputs;
  placement.deltas = DeltaRoom(targets_.size(), rest.size(), outputs);
  TransferScene scene;
  scene.targets = targets_.data();
  scene.targetCount = targets_.size();
  scene.destinationPositions = rest.data();
  scene.destinationCount = rest.size();
  scene.destinationMask = moving.data();
  TransferDisplacements(source_.NearestSearch(objects_.sourceUsed), scene, outputs.data(),
                        MachineThreadCount());
  return placement;
}

DestinationPlacement VertexPlacement::AlongTheSurface(const RunObjects::DestinationObjects& row,
                                                      const std::vector<Vector3>& rest,
                                                      bool lastMatch) const {
  static const host_imitation::FaceList none;
  const ObjectState& destination = *row.destination;
  const std::vector<uint32_t> triangles =
      FanTriangles(destination.faces ? *destination.faces : none, rest.size());
  const TriangleMesh mesh{rest.data(), rest.size(), triangles.data(), triangles.size() / 3};
  DestinationPlacement placement;
  std::vector<Vector3*> outputs;
  placement.deltas = DeltaRoom(targets_.size(), rest.size(), outputs);
  placement.marks.assign(rest.size(), 0);
  SurfaceMatches matches =
      MatchAlongSurface(source_.Surface(), mesh, row.moving.data(), surfaceOptions_);
  if (lastMatch) source_.ReleaseSurfaceSearch();
  std::string error;
  if (!CarryAlongSurface(source_.SurfaceAsItIs(), targets_.data(), targets_.size(), mesh,
                         row.moving.data(), surfaceOptions_, std::move(matches), outputs.data(),
                         placement.marks.data(), &error)) {
    throw InputError("the Destination '" + destination.name + "' cannot be moved: " + error);
  }
  for (uint8_t& mark : placement.marks) mark = Outcome(mark);
  return placement;
}

}  // namespace palisor_run
