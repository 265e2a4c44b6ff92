#include "tool/read_used_vertices.h"

#include "host/host_function_table.h"
#include "tool/used_vertex_range.h"

SourcePoints ReadUsedVertices(const cmq::CMQObject& object) {
  SourcePoints points;
  for (int32_t vertex : UsedVertexRange(object)) {
    MQPoint position{};
    mq::hostFunctions.MQObj_GetVertex(object.object, vertex, &position);
    points.Add(vertex, ToSearchPoint(position));
  }
  return points;
}
