// For one Destination: the nearest used Source vertices of every Destination vertex that is to
// move, compared at rest positions.
#include "host/host_function_table.h"
#include "tool/nearest_source_vertices.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "tool/used_vertex_range.h"
#include "tool/vertex_selection.h"

bool Palisor::BuildCorrespondence(cmq::CMQObject destination) {
  CorrespondenceMap.clear();
  for (int32_t vertex : UsedVertexRange(destination)) {
    // Only the Destination's own selection counts, never the Source's.
    if (runSettings.selectedVerticesOnly &&
        !IsVertexSelected(destination.document, destination.object, vertex)) {
      continue;
    }
    MQPoint position{};
    mq::hostFunctions.MQObj_GetVertex(destination.object, vertex, &position);
    CorrespondenceMap.emplace(vertex, NearestSourceVertices(source, position));
  }
  return true;
}
