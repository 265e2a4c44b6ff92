#include "tool/vertex_walk.h"

#include "host/host_function_table.h"

UsedVertexRange::Iterator::Iterator(const cmq::CMQObject& object, int32_t index)
    : object_(object), index_(index) {
  SkipUnused();
}

UsedVertexRange::Iterator& UsedVertexRange::Iterator::operator++() {
  ++index_;
  SkipUnused();
  return *this;
}

int32_t UsedVertexRange::Iterator::VertexCount() const {
  return mq::hostFunctions.MQObj_GetVertexCount(object_.object);
}

void UsedVertexRange::Iterator::SkipUnused() {
  while (index_ < VertexCount() &&
         mq::hostFunctions.MQObj_GetVertexRefCount(object_.object, index_) <= 0) {
    ++index_;
  }
}

bool IsVertexSelected(MQDocument document, MQObject object, int32_t vertex) {
  const int32_t objectIndex = mq::hostFunctions.MQDoc_GetObjectIndex(document, object);
  if (objectIndex < 0) return false;
  return mq::hostFunctions.MQDoc_IsSelectVertex(document, objectIndex, vertex) != 0;
}
