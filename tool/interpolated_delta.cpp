#include "tool/interpolated_delta.h"

#include "host/host_function_table.h"

namespace {

// The displacement of Source vertex `sourceIndex` in the target, target minus base.
MQPoint Displacement(const cmq::CMQObject& source, const cmq::CMQObject& target,
                     int32_t targetVertexCount, int32_t sourceIndex) {
  MQPoint base{};
  mq::hostFunctions.MQObj_GetVertex(source.object, sourceIndex, &base);
  MQPoint moved = base;
  if (sourceIndex < targetVertexCount) {
    mq::hostFunctions.MQObj_GetVertex(target.object, sourceIndex, &moved);
  }
  return MQPoint{moved.x - base.x, moved.y - base.y, moved.z - base.z};
}

}  // namespace

MQPoint InterpolatedDelta(const NearestList& nearest, const cmq::CMQObject& source,
                          const cmq::CMQObject& target) {
  if (nearest.empty()) return MQPoint{0.0f, 0.0f, 0.0f};

  const int32_t targetVertexCount = mq::hostFunctions.MQObj_GetVertexCount(target.object);
  float weightSum = 0.0f;
  MQPoint sum{0.0f, 0.0f, 0.0f};
  for (const NearestEntry& entry : nearest) {
    if (entry.squaredDistance == 0.0f) {
      return Displacement(source, target, targetVertexCount, entry.sourceIndex);
    }
    const float weight = 1.0f / entry.squaredDistance;
    weightSum = weightSum + weight;
    const MQPoint displacement = Displacement(source, target, targetVertexCount, entry.sourceIndex);
    sum.x = sum.x + displacement.x * weight;
    sum.y = sum.y + displacement.y * weight;
    sum.z = sum.z + displacement.z * weight;
  }
  // Weights can all vanish only for infinitely distant vertices; the sum is then taken as it is.
  if (weightSum == 0.0f) return sum;
  return MQPoint{sum.x / weightSum, sum.y / weightSum, sum.z / weightSum};
}
