// For one Destination: moves every vertex of every morph object made for it by the delta of the
// morph object's own target.
#include <algorithm>

#include "host/host_function_table.h"
#include "tool/displacement_cache.h"
#include "tool/interpolated_delta.h"
#include "tool/palisor.h"
#include "tool/run_settings.h"
#include "tool/saturated_point.h"
#include "tool/used_vertex_range.h"
#include "tool/vertex_selection.h"

bool Palisor::ApplyMorphs(cmq::CMQObject destination) {
  // Morph object k was cloned from the Destination for chosen target k.
  const std::size_t morphCount = std::min(chosenTargets.size(), createdMorphs.size());
  // Each Source and target position is read once, however many Destination vertices use it.
  DisplacementCache displacements(source, chosenTargets);
  for (int32_t vertex : UsedVertexRange(destination)) {
    if (runSettings.selectedVerticesOnly &&
        !IsVertexSelected(document, destination.object, vertex)) {
      continue;
    }
    const auto nearest = CorrespondenceMap.find(vertex);
    if (nearest == CorrespondenceMap.end()) continue;

    for (std::size_t k = 0; k < morphCount; ++k) {
      const MQObject morph = createdMorphs[k].object;
      // A clone the host could not make has no vertices to move.
      if (morph == nullptr) continue;
      const MQPoint delta = BlendDisplacements(
          nearest->second, [&](int32_t sourceIndex) { return displacements.Of(k, sourceIndex); });
      MQPoint position{};
      mq::hostFunctions.MQObj_GetVertex(morph, vertex, &position);
      position = SaturatedSum(position, delta);
      mq::hostFunctions.MQObj_SetVertex(morph, vertex, &position);
    }
  }
  return true;
}
