#include "cli/run_outcome.h"

#include <algorithm>
#include <cstddef>
#include <map>

namespace palisor_cli {

using host_imitation::HostObject;

RunOutcome FindRunOutcome(const DocumentState& before,
                          const host_imitation::HostDocument& document) {
  RunOutcome outcome;
  std::map<const HostObject*, const ObjectState*> earlier;
  const ObjectState* source = nullptr;
  // Destinations by serial, in document order.
  std::map<int32_t, std::size_t> destinationBySerial;
  std::vector<const ObjectState*> destinations;
  for (const ObjectState& state : before.objects) {
    earlier[state.object] = &state;
    if (!state.selected) continue;
    if (source == nullptr) {
      source = &state;
    } else {
      destinationBySerial[state.object->serial] = destinations.size();
      destinations.push_back(&state);
    }
  }
  if (source == nullptr || source->object->destroyed) return outcome;
  outcome.source.first = OutcomeObject{source->object, &source->vertices, &source->object->Faces()};

  // morphs[d][t]: the morph object made for Destination d from target t.
  std::vector<const HostObject*> targets;
  std::vector<std::map<std::size_t, const HostObject*>> morphs(destinations.size());
  const HostObject* lastEarlier = nullptr;
  for (const HostObject* object : document.slots) {
    if (object == nullptr || object->destroyed) continue;
    if (earlier.count(object) != 0) {
      lastEarlier = object;
      continue;
    }
    const auto origin = destinationBySerial.find(object->clonedFrom);
    if (origin == destinationBySerial.end() || lastEarlier == nullptr) continue;
    auto target = std::find(targets.begin(), targets.end(), lastEarlier);
    const std::size_t column = static_cast<std::size_t>(target - targets.begin());
    if (target == targets.end()) targets.push_back(lastEarlier);
    morphs[origin->second].emplace(column, object);
  }

  for (const HostObject* target : targets) {
    const auto* faces = target->FaceCount() > 0 ? &target->Faces() : &source->object->Faces();
    outcome.source.others.push_back(OutcomeObject{target, &source->vertices, faces});
  }
  for (std::size_t d = 0; d < destinations.size(); ++d) {
    const ObjectState& destination = *destinations[d];
    if (destination.object->destroyed) continue;
    OutcomeRow row;
    row.first =
        OutcomeObject{destination.object, &destination.vertices, &destination.object->Faces()};
    row.others.resize(targets.size());
    for (const auto& made : morphs[d]) {
      row.others[made.first] =
          OutcomeObject{made.second, &destination.vertices, &made.second->Faces()};
    }
    outcome.destinations.push_back(row);
  }
  return outcome;
}

}  // namespace palisor_cli
