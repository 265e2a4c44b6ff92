#include "tool/vertex_selection.h"

#include "host/host_function_table.h"

bool IsVertexSelected(MQDocument document, MQObject object, int32_t vertex) {
  const int32_t objectIndex = mq::hostFunctions.MQDoc_GetObjectIndex(document, object);
  if (objectIndex < 0) return false;
  return mq::hostFunctions.MQDoc_IsSelectVertex(document, objectIndex, vertex) != 0;
}
