#include "quality/palisor_methods.h"

#include "quality/peer_rules.h"
#include "transfer/transfer.h"

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
