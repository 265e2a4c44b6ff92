#include "scene_run/run_objects.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace palisor_run {

namespace {

using host_imitation::HostObject;

// The objects of the document before the run, by identity.
std::map<const HostObject*, const ObjectState*> ByObject(const DocumentState& before) {
  std::map<const HostObject*, const ObjectState*> byObject;
  for (const ObjectState& state : before.objects) byObject[state.object] = &state;
  return byObject;
}

std::vector<uint8_t> UsedVertices(const HostObject& object) {
  std::vector<uint8_t> used(object.vertices.size(), 0);
  for (std::size_t v = 0; v < used.size(); ++v) {
    used[v] = object.RefCount(static_cast<int32_t>(v)) > 0;
  }
  return used;
}

std::vector<uint8_t> MovingVertices(const HostObject& object, bool selectedVerticesOnly) {
  std::vector<uint8_t> moving = UsedVertices(object);
  if (!selectedVerticesOnly) return moving;
  for (std::size_t v = 0; v < moving.size(); ++v) {
    moving[v] = moving[v] != 0 && object.IsVertexSelected(static_cast<int32_t>(v));
  }
  return moving;
}

// The morph objects of each Destination (by its place in `destinations`) and column, the targets
// in the order first met.
std::vector<std::map<std::size_t, HostObject*>> FindMorphObjects(
    const DocumentState& before, const host_imitation::HostDocument& document,
    const std::vector<const ObjectState*>& destinations, RunObjects& objects) {
  const auto byObject = ByObject(before);
  std::map<int32_t, std::size_t> destinationBySerial;
  for (std::size_t d = 0; d < destinations.size(); ++d) {
    destinationBySerial[destinations[d]->object->serial] = d;
  }
  std::vector<std::map<std::size_t, HostObject*>> made(destinations.size());
  const ObjectState* lastEarlier = nullptr;
  for (HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    const auto earlier = byObject.find(object);
    if (earlier != byObject.end()) {
      lastEarlier = earlier->second;
      continue;
    }
    const auto origin = destinationBySerial.find(object->clonedFrom);
    if (origin == destinationBySerial.end() || lastEarlier == nullptr) continue;
    auto& targets = objects.targets;
    const auto target = std::find(targets.begin(), targets.end(), lastEarlier);
    const auto column = static_cast<std::size_t>(target - targets.begin());
    if (target == targets.end()) targets.push_back(lastEarlier);
    made[origin->second].emplace(column, object);
  }
  return made;
}

}  // namespace

RunObjects FindRunObjects(const DocumentState& before, const host_imitation::HostDocument& document,
                          bool selectedVerticesOnly) {
  RunObjects objects;
  std::vector<const ObjectState*> destinations;
  for (const ObjectState& state : before.objects) {
    if (!state.selected) continue;
    if (objects.source == nullptr) {
      objects.source = &state;
    } else {
      destinations.push_back(&state);
    }
  }
  if (objects.source == nullptr || objects.source->object->destroyed) {
    objects.source = nullptr;
    return objects;
  }
  objects.sourceUsed = UsedVertices(*objects.source->object);
  const auto made = FindMorphObjects(before, document, destinations, objects);
  for (std::size_t d = 0; d < destinations.size(); ++d) {
    const HostObject& object = *destinations[d]->object;
    if (object.destroyed) continue;
    RunObjects::DestinationObjects row;
    row.destination = destinations[d];
    row.moving = MovingVertices(object, selectedVerticesOnly);
    row.morphs.assign(objects.targets.size(), nullptr);
    for (const auto& morph : made[d]) row.morphs[morph.first] = morph.second;
    objects.destinations.push_back(std::move(row));
  }
  return objects;
}

}  // namespace palisor_run
