#include "cli/document_changes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace palisor_cli {

namespace {

using host_imitation::HostObject;

bool SameCoordinate(float a, float b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

bool SamePosition(const MQPoint& a, const MQPoint& b) {
  return SameCoordinate(a.x, b.x) && SameCoordinate(a.y, b.y) && SameCoordinate(a.z, b.z);
}

int64_t CountMoved(const std::vector<MQPoint>& start, const std::vector<MQPoint>& now) {
  int64_t moved = 0;
  const std::size_t common = std::min(start.size(), now.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (!SamePosition(start[i], now[i])) ++moved;
  }
  return moved;
}

std::string NameOf(MQObject handle) {
  const auto* object = reinterpret_cast<const HostObject*>(handle);
  return object != nullptr && object->magic == HostObject::kMagic ? object->name : "?";
}

}  // namespace

DocumentState CaptureDocument(const host_imitation::HostDocument& document,
                              const host_imitation::MorphFeature& morphFeature) {
  DocumentState state;
  for (const HostObject* object : document.slots) {
    if (object == nullptr || object->destroyed) continue;
    state.objects.push_back(ObjectState{object, object->name, object->vertices,
                                        object->IntValue(MQOBJECT_ATTRIBUTE_SELECTED) != 0});
  }
  state.bindings = morphFeature.Bindings();
  return state;
}

DocumentChanges CompareDocument(const DocumentState& before,
                                const host_imitation::HostDocument& document,
                                const host_imitation::MorphFeature& morphFeature) {
  DocumentChanges changes;
  std::map<const HostObject*, const ObjectState*> earlier;
  // A clone shares the scene data of the object it was made from.
  std::map<const void*, const ObjectState*> byPassthrough;
  for (const ObjectState& state : before.objects) {
    earlier[state.object] = &state;
    if (state.object->passthrough) byPassthrough[state.object->passthrough.get()] = &state;
  }

  std::set<const HostObject*> present;
  for (const HostObject* object : document.slots) {
    if (object == nullptr || object->destroyed) continue;
    present.insert(object);
    const ObjectState* start = nullptr;
    const auto found = earlier.find(object);
    if (found != earlier.end()) {
      start = found->second;
      if (start->name != object->name) changes.renamed.push_back({start->name, object->name});
    } else {
      changes.created.push_back(object->name);
      const auto original = byPassthrough.find(object->passthrough.get());
      if (object->passthrough && original != byPassthrough.end()) start = original->second;
    }
    if (start != nullptr) {
      const int64_t moved = CountMoved(start->vertices, object->vertices);
      changes.verticesMoved += moved;
      if (moved > 0) ++changes.objectsWithMovedVertices;
    }
  }
  for (const ObjectState& state : before.objects) {
    if (present.count(state.object) == 0) changes.deleted.push_back(state.name);
  }

  const std::set<std::pair<MQObject, MQObject>> known(before.bindings.begin(),
                                                      before.bindings.end());
  std::set<std::pair<MQObject, MQObject>> reported;
  for (const auto& binding : morphFeature.Bindings()) {
    if (known.count(binding) != 0 || !reported.insert(binding).second) continue;
    changes.bindingsMade.emplace_back(NameOf(binding.first), NameOf(binding.second));
  }
  return changes;
}

}  // namespace palisor_cli
