// Sets the morph objects' vertices where a placement puts them, as the plug-in sets them: through
// the host functions it finds by name, each moving vertex of each morph object written once.
#pragma once

#include "host/host_api.h"
#include "scene_run/run_objects.h"
#include "scene_run/vertex_placement.h"

namespace palisor_run {

class PlacementWriter {
 public:
  // Finds the host functions; throws PluginError where the host does not export them.
  PlacementWriter();

  // Vertex v of the morph object of column k goes to the Destination's position of v before the
  // run plus deltas[k][v], for every vertex the row moves.
  void Write(const DestinationPlacement& placement,
             const RunObjects::DestinationObjects& row) const;

 private:
  MQObj_GetVertexCount_Function getVertexCount_ = nullptr;
  MQObj_SetVertex_Function setVertex_ = nullptr;
};

}  // namespace palisor_run
