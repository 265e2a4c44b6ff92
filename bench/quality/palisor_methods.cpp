#include "quality/palisor_methods.h"

#include <cstdio>
#include <limits>
#include <string>

#include "quality/peer_rules.h"
#include "transfer/transfer.h"

namespace {

TriangleMesh MeshOf(const std::vector<Vector3>& positions, const std::vector<uint32_t>& triangles) {
  return {positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
}

}  // namespace

std::vector<Vector3> PalisorNearest(const QualityScene& scene) {
  const std::vector<Vector3> displacements = BodyDisplacements(scene);
  const TargetDisplacements target{displacements.data(), displacements.size()};
  TransferScene transfer;
  transfer.sourcePositions = scene.bodyRest.data();
  transfer.sourceCount = scene.bodyRest.size();
  transfer.targets = &target;
  transfer.targetCount = 1;
  transfer.destinationPositions = scene.garmentRest.data();
  transfer.destinationCount = scene.garmentRest.size();
  std::vector<Vector3> deltas(scene.garmentRest.size());
  Vector3* deltaArrays[] = {deltas.data()};
  TransferDisplacements(transfer, deltaArrays, 1);
  return deltas;
}

std::vector<Vector3> PalisorAlongSurface(const QualityScene& scene,
                                         SurfaceTransferOptions options) {
  options.threadCount = 1;
  PreparedSource source;
  std::string error;
  std::vector<Vector3> deltas(scene.garmentRest.size());
  const std::vector<Vector3> displacements = BodyDisplacements(scene);
  const TargetDisplacements target{displacements.data(), displacements.size()};
  Vector3* deltaArrays[] = {deltas.data()};
  const bool done =
      source.Build(MeshOf(scene.bodyRest, scene.bodyTriangles), 1, &error) &&
      TransferAlongSurface(source, &target, 1, MeshOf(scene.garmentRest, scene.garmentTriangles),
                           nullptr, options, deltaArrays, nullptr, &error);
  if (!done) {
    // A refusal shows in the table as motion that is not a number.
    std::fprintf(stderr, "palisor_quality_bench: %s: %s\n", scene.name.c_str(), error.c_str());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    deltas.assign(deltas.size(), Vector3{nan, nan, nan});
  }
  return deltas;
}
