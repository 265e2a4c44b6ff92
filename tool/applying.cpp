// For one Destination: moves every vertex of every morph object made for it by the delta of the
// morph object's own target.
#include "tool/applying.h"

#include <algorithm>
#include <vector>

#include "host/cmq_object.h"
#include "host/host_function_table.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "tool/vertex_walk.h"

namespace {

// The displacements (target minus base) of Source vertices in the chosen morph targets, each read
// through the host at most once per vertex and target, however many Destination vertices share
// it.
class DisplacementCache {
 public:
  // Keeps a reference to `targets`, which must outlive the cache.
  DisplacementCache(const cmq::CMQObject& source, const std::vector<cmq::CMQObject>& targets);

  // Source vertex `sourceIndex`'s displacement in target `target`: the target's position minus
  // the Source's. A vertex the target lacks (the target has fewer vertices) shows none. The
  // reads and the arithmetic are InterpolatedDelta's.
  MQPoint Of(std::size_t target, int32_t sourceIndex);

 private:
  struct TargetDisplacements {
    // Asked of the host when the target is first needed.
    int32_t vertexCount = -1;
    std::vector<MQPoint> displacements;
    std::vector<bool> known;
  };

  const MQPoint& Base(int32_t sourceIndex);

  cmq::CMQObject source_;
  const std::vector<cmq::CMQObject>& targets_;
  // Asked of the host when a displacement is first needed.
  int32_t sourceVertexCount_ = -1;
  std::vector<MQPoint> bases_;
  std::vector<bool> baseKnown_;
  std::vector<TargetDisplacements> perTarget_;
};

DisplacementCache::DisplacementCache(const cmq::CMQObject& source,
                                     const std::vector<cmq::CMQObject>& targets)
    : source_(source), targets_(targets), perTarget_(targets.size()) {}

const MQPoint& DisplacementCache::Base(int32_t sourceIndex) {
  const auto at = static_cast<std::size_t>(sourceIndex);
  if (!baseKnown_[at]) {
    mq::hostFunctions.MQObj_GetVertex(source_.object, sourceIndex, &bases_[at]);
    baseKnown_[at] = true;
  }
  return bases_[at];
}

MQPoint DisplacementCache::Of(std::size_t target, int32_t sourceIndex) {
  if (sourceVertexCount_ < 0) {
    sourceVertexCount_ = mq::hostFunctions.MQObj_GetVertexCount(source_.object);
    bases_.resize(static_cast<std::size_t>(std::max(sourceVertexCount_, 0)));
    baseKnown_.resize(bases_.size());
  }
  TargetDisplacements& displacements = perTarget_[target];
  if (displacements.vertexCount < 0) {
    displacements.vertexCount = mq::hostFunctions.MQObj_GetVertexCount(targets_[target].object);
    displacements.displacements.resize(bases_.size());
    displacements.known.resize(bases_.size());
  }

  const bool cached = sourceIndex >= 0 && sourceIndex < sourceVertexCount_;
  const auto at = static_cast<std::size_t>(sourceIndex);
  if (cached && displacements.known[at]) return displacements.displacements[at];

  // An index outside the Source is read as it stands, as InterpolatedDelta reads it.
  MQPoint base{};
  if (cached) {
    base = Base(sourceIndex);
  } else {
    mq::hostFunctions.MQObj_GetVertex(source_.object, sourceIndex, &base);
  }
  MQPoint moved = base;
  if (sourceIndex < displacements.vertexCount) {
    mq::hostFunctions.MQObj_GetVertex(targets_[target].object, sourceIndex, &moved);
  }
  const MQPoint displacement = SaturatedDifference(moved, base);
  if (cached) {
    displacements.displacements[at] = displacement;
    displacements.known[at] = true;
  }
  return displacement;
}

}  // namespace

bool Palisor::ApplyMorphs(cmq::CMQObject destination) {
  // Morph object k was cloned from the Destination for chosen target k.
  const std::size_t morphCount = std::min(chosenTargets.size(), createdMorphs.size());
  // Each Source and target position is read once, however many Destination vertices use it.
  DisplacementCache displacements(source, chosenTargets);
  for (int32_t vertex : UsedVertexRange(destination)) {
    if (runSettings.selectedVerticesOnly &&
        !IsVertexSelected(document, destination.object, vertex)) {
      continue;
    }
    const auto nearest = CorrespondenceMap.find(vertex);
    if (nearest == CorrespondenceMap.end()) continue;

    for (std::size_t k = 0; k < morphCount; ++k) {
      const MQObject morph = createdMorphs[k].object;
      // A clone the host could not make has no vertices to move.
      if (morph == nullptr) continue;
      const MQPoint delta = BlendDisplacements(
          nearest->second, [&](int32_t sourceIndex) { return displacements.Of(k, sourceIndex); });
      MQPoint position{};
      mq::hostFunctions.MQObj_GetVertex(morph, vertex, &position);
      position = SaturatedSum(position, delta);
      mq::hostFunctions.MQObj_SetVertex(morph, vertex, &position);
    }
  }
  return true;
}
