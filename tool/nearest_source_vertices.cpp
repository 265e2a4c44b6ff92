#include "tool/nearest_source_vertices.h"

#include "host/host_function_table.h"
#include "tool/read_used_vertices.h"
#include "tool/used_vertex_range.h"

NearestList NearestSourceVertices(const cmq::CMQObject& source, const MQPoint& position) {
  NearestList nearest;
  for (int32_t sourceIndex : UsedVertexRange(source)) {
    MQPoint sourcePosition{};
    mq::hostFunctions.MQObj_GetVertex(source.object, sourceIndex, &sourcePosition);
    InsertNearest(nearest, sourceIndex,
                  SquaredDistance(ToSearchPoint(position), ToSearchPoint(sourcePosition)));
  }
  return nearest;
}
