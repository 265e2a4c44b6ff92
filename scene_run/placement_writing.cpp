#include "scene_run/placement_writing.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "host_imitation/plugin_module.h"
#include "scene_run/plugin_loading.h"
#include "transfer/interpolated_delta.h"

namespace palisor_run {

namespace {

template <class Function>
Function HostFunction(const char* name) {
  void* address = host_imitation::HostFunctionAddress(name);
  if (address == nullptr) throw PluginError(std::string("the host does not export ") + name);
  return reinterpret_cast<Function>(address);
}

}  // namespace

PlacementWriter::PlacementWriter()
    : getVertexCount_(HostFunction<MQObj_GetVertexCount_Function>("MQObj_GetVertexCount")),
      setVertex_(HostFunction<MQObj_SetVertex_Function>("MQObj_SetVertex")) {}

void PlacementWriter::Write(const DestinationPlacement& placement,
                            const RunObjects::DestinationObjects& row) const {
  const std::vector<MQPoint>& rest = row.destination->vertices;
  for (std::size_t column = 0; column < row.morphs.size(); ++column) {
    host_imitation::HostObject* morph = row.morphs[column];
    if (morph == nullptr) continue;
    const MQObject handle = morph->handle();
    const auto count = static_cast<std::size_t>(std::max(getVertexCount_(handle), 0));
    const std::size_t common = std::min({count, rest.size(), row.moving.size()});
    for (std::size_t v = 0; v < common; ++v) {
      if (row.moving[v] == 0) continue;
      const Vector3& delta = placement.deltas[column][v];
      MQPoint position = SaturatedSum(rest[v], MQPoint{delta.x, delta.y, delta.z});
      setVertex_(handle, static_cast<int32_t>(v), &position);
    }
  }
}

}  // namespace palisor_run
