#include "tool/displacement_cache.h"

#include <algorithm>

#include "host/host_function_table.h"
#include "tool/saturated_point.h"

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
