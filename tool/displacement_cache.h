// The displacements (target minus base) of Source vertices in the chosen morph targets, each read
// through the host at most once per vertex and target, however many Destination vertices share
// it.
#pragma once

#include <cstdint>
#include <vector>

#include "host/cmq_object.h"

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
