#include "quality/palisor_methods.h"

#include <string>

#include "quality/peer_rules.h"
#include "transfer/keep_outside.h"
#include "transfer/transfer.h"

namespace {

TriangleMesh MeshOf(const std::vector<SearchPoint>& positions,
                    const std::vector<uint32_t>& triangles) {
  return {positions.data(), positions.size(), triangles.data(), triangles.size() / 3};
}

}  // namespace

std::vector<SearchPoint> PalisorNearest(const QualityScene& scene) {
  const std::vector<SearchPoint> displacements = BodyDisplacements(scene);
  const TargetDisplacements target{displacements.data(), displacements.size()};
  TransferScene transfer;
  transfer.sourcePositions = scene.bodyRest.data();
  transfer.sourceCount = scene.bodyRest.size();
  transfer.targets = &target;
  transfer.targetCount = 1;
  transfer.destinationPositions = scene.garmentRest.data();
  transfer.destinationCount = scene.garmentRest.size();
  std::vector<SearchPoint> deltas(scene.garmentRest.size());
  SearchPoint* deltaArrays[] = {deltas.data()};
  TransferDisplacements(transfer, deltaArrays, 1);
  return deltas;
}

std::vector<SearchPoint> PalisorAlongSurface(const QualityScene& scene,
                                             SurfaceTransferOptions options) {
  options.threadCount = 1;
  const TriangleMesh body = MeshOf(scene.bodyRest, scene.bodyTriangles);
  const TriangleMesh garment = MeshOf(scene.garmentRest, scene.garmentTriangles);
  PreparedSource source;
  std::string error;
  std::vector<SearchPoint> deltas(scene.garmentRest.size());
  if (!source.Build(body, 1, &error)) return deltas;
  const std::vector<SearchPoint> displacements = BodyDisplacements(scene);
  const TargetDisplacements target{displacements.data(), displacements.size()};
  std::vector<SurfaceHit> hits(deltas.size());
  std::vector<uint8_t> marks(deltas.size());
  const std::vector<SearchPoint> normals = DestinationNormals(garment);
  MatchDestination(source, garment, nullptr, normals.data(), options, hits.data(), marks.data());
  CarryDisplacements(source, target, options.method, garment, hits.data(), marks.data(),
                     deltas.data(), 1);
  if (options.keepOutside >= 0.0f) {
    const std::vector<int8_t> sides = RestSides(body, garment, hits.data(), 1);
    KeepOutside(MeshOf(scene.bodyMorphed, scene.bodyTriangles), garment, sides,
                IsClosedSurface(body), options.keepOutside, deltas.data(), marks.data(), 1);
  }
  return deltas;
}
