#include "reference/nearest_source_vertices.h"

#include "host/host_function_table.h"
#include "tool/correspondence.h"
#include "tool/vertex_walk.h"

NearestList NearestSourceVertices(const cmq::CMQObject& source, const MQPoint& position) {
  NearestList nearest;
  for (int32_t sourceIndex : UsedVertexRange(source)) {
    MQPoint sourcePosition{};
    mq::hostFunctions.MQObj_GetVertex(source.object, sourceIndex, &sourcePosition);
    InsertNearest(nearest, sourceIndex,
                  SquaredDistance(ToVector3(position), ToVector3(sourcePosition)));
  }
  return nearest;
}
