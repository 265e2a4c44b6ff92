// For one Destination: the nearest used Source vertices of every Destination vertex that is to
// move, compared at rest positions.
//
// Every position is read through the host once, on the host's thread: the considered Destination
// vertices, then the used Source vertices. The search over them (FindNearestAll) gives the very
// lists that reading every used Source vertex for every Destination vertex gives
// (NearestSourceVertices), at a fraction of the cost.
#include "tool/correspondence.h"

#include "host/host_function_table.h"
#include "search/nearest_search.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "tool/vertex_walk.h"

SourcePoints ReadUsedVertices(const cmq::CMQObject& object) {
  SourcePoints points;
  for (int32_t vertex : UsedVertexRange(object)) {
    MQPoint position{};
    mq::hostFunctions.MQObj_GetVertex(object.object, vertex, &position);
    points.Add(vertex, ToVector3(position));
  }
  return points;
}

bool Palisor::BuildCorrespondence(cmq::CMQObject destination) {
  CorrespondenceMap.clear();

  std::vector<int32_t> vertices;
  std::vector<Vector3> positions;
  for (int32_t vertex : UsedVertexRange(destination)) {
    // Only the Destination's own selection counts, never the Source's.
    if (runSettings.selectedVerticesOnly &&
        !IsVertexSelected(destination.document, destination.object, vertex)) {
      continue;
    }
    MQPoint position{};
    mq::hostFunctions.MQObj_GetVertex(destination.object, vertex, &position);
    vertices.push_back(vertex);
    positions.push_back(ToVector3(position));
  }
  if (vertices.empty()) return true;

  const SourcePoints sourcePoints = ReadUsedVertices(source);
  const std::vector<NearestFound> found = FindNearestAll(sourcePoints, positions);
  CorrespondenceMap.reserve(vertices.size());
  for (std::size_t k = 0; k < vertices.size(); ++k) {
    CorrespondenceMap.emplace(vertices[k], found[k].ToList());
  }
  return true;
}
