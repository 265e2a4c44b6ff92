#include "reference/interpolated_delta.h"

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
  return SaturatedDifference(moved, base);
}

}  // namespace

MQPoint InterpolatedDelta(const NearestList& nearest, const cmq::CMQObject& source,
                          const cmq::CMQObject& target) {
  if (nearest.empty()) return MQPoint{0.0f, 0.0f, 0.0f};
  const int32_t targetVertexCount = mq::hostFunctions.MQObj_GetVertexCount(target.object);
  return InterpolatedDelta(nearest, [&](int32_t sourceIndex) {
    return Displacement(source, target, targetVertexCount, sourceIndex);
  });
}
