#include "cli/run_result_finding.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <set>

namespace palisor_cli {

namespace {

using host_imitation::HostObject;
using palisor_scene::FaceSpan;
using palisor_scene::PointSpan;
using palisor_scene::ResultObject;
using palisor_scene::ResultRow;
using palisor_scene::RunResult;

bool IsPresent(const HostObject* object) {
  return object != nullptr && !object->destroyed;
}

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

// The objects of the document before the run, by identity and by serial.
struct Earlier {
  explicit Earlier(const DocumentState& before) {
    for (const ObjectState& state : before.objects) {
      byObject[state.object] = &state;
      bySerial[state.object->serial] = &state;
    }
  }
  const ObjectState* Find(const HostObject* object) const {
    const auto found = byObject.find(object);
    return found != byObject.end() ? found->second : nullptr;
  }
  // For a new object, the one it was cloned from.
  const ObjectState* Original(const HostObject* object) const {
    const auto found = bySerial.find(object->clonedFrom);
    return object->clonedFrom != 0 && found != bySerial.end() ? found->second : nullptr;
  }
  std::map<const HostObject*, const ObjectState*> byObject;
  std::map<int32_t, const ObjectState*> bySerial;
};

// Objects created, renamed and deleted, and the vertices moved.
void FindObjectChanges(const DocumentState& before, const Earlier& earlier,
                       const host_imitation::HostDocument& document, RunResult& result) {
  std::set<const HostObject*> present;
  for (const HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    present.insert(object);
    const ObjectState* start = earlier.Find(object);
    if (start != nullptr) {
      if (start->name != object->name) result.renamed.push_back({start->name, object->name});
    } else {
      result.created.push_back(object->name);
      start = earlier.Original(object);
    }
    if (start == nullptr) continue;
    const int64_t moved = CountMoved(start->vertices, object->vertices);
    result.verticesMoved += moved;
    if (moved > 0) ++result.objectsWithMovedVertices;
  }
  for (const ObjectState& state : before.objects) {
    if (present.count(state.object) == 0) result.deleted.push_back(state.name);
  }
}

void FindBindingsMade(const DocumentState& before, const host_imitation::MorphFeature& morphFeature,
                      RunResult& result) {
  const std::set<std::pair<MQObject, MQObject>> known(before.bindings.begin(),
                                                      before.bindings.end());
  std::set<std::pair<MQObject, MQObject>> reported;
  for (const auto& binding : morphFeature.Bindings()) {
    if (known.count(binding) != 0 || !reported.insert(binding).second) continue;
    result.bindingsMade.emplace_back(NameOf(binding.first), NameOf(binding.second));
  }
}

FaceSpan FacesOf(const HostObject& object) {
  const host_imitation::FaceList& faces = object.Faces();
  return FaceSpan(faces.corners, faces.sizes);
}

ResultObject Shown(const HostObject& object, const std::vector<MQPoint>& start, FaceSpan faces,
                   const SceneDocument* scenes) {
  ResultObject shown;
  shown.name = object.name;
  if (scenes != nullptr) shown.origin = scenes->Origin(object);
  shown.vertices = PointSpan(object.vertices);
  shown.start = PointSpan(start);
  shown.faces = faces;
  return shown;
}

// The morph objects of each Destination by the column of their target, and the targets.
struct MorphObjects {
  std::vector<const HostObject*> targets;
  std::vector<std::map<std::size_t, const HostObject*>> made;
};

MorphObjects FindMorphObjects(const Earlier& earlier, const host_imitation::HostDocument& document,
                              const std::map<int32_t, std::size_t>& destinationBySerial) {
  MorphObjects morphs;
  morphs.made.resize(destinationBySerial.size());
  const HostObject* lastEarlier = nullptr;
  for (const HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    if (earlier.Find(object) != nullptr) {
      lastEarlier = object;
      continue;
    }
    const auto origin = destinationBySerial.find(object->clonedFrom);
    if (origin == destinationBySerial.end() || lastEarlier == nullptr) continue;
    auto target = std::find(morphs.targets.begin(), morphs.targets.end(), lastEarlier);
    const auto column = static_cast<std::size_t>(target - morphs.targets.begin());
    if (target == morphs.targets.end()) morphs.targets.push_back(lastEarlier);
    morphs.made[origin->second].emplace(column, object);
  }
  return morphs;
}

// The Source with its targets, and each Destination with its morph objects.
void FindRows(const DocumentState& before, const Earlier& earlier,
              const host_imitation::HostDocument& document, const SceneDocument* scenes,
              RunResult& result) {
  const ObjectState* source = nullptr;
  std::map<int32_t, std::size_t> destinationBySerial;
  std::vector<const ObjectState*> destinations;
  for (const ObjectState& state : before.objects) {
    if (!state.selected) continue;
    if (source == nullptr) {
      source = &state;
    } else {
      destinationBySerial[state.object->serial] = destinations.size();
      destinations.push_back(&state);
    }
  }
  if (source == nullptr || source->object->destroyed) return;
  const FaceSpan sourceFaces = FacesOf(*source->object);
  result.source.first = Shown(*source->object, source->vertices, sourceFaces, scenes);
  const MorphObjects morphs = FindMorphObjects(earlier, document, destinationBySerial);
  for (const HostObject* target : morphs.targets) {
    const FaceSpan faces = target->FaceCount() > 0 ? FacesOf(*target) : sourceFaces;
    result.source.others.push_back(Shown(*target, source->vertices, faces, scenes));
  }
  for (std::size_t d = 0; d < destinations.size(); ++d) {
    const ObjectState& destination = *destinations[d];
    if (destination.object->destroyed) continue;
    ResultRow row;
    row.first =
        Shown(*destination.object, destination.vertices, FacesOf(*destination.object), scenes);
    row.others.resize(morphs.targets.size());
    for (const auto& made : morphs.made[d]) {
      row.others[made.first] =
          Shown(*made.second, destination.vertices, FacesOf(*made.second), scenes);
    }
    result.destinations.push_back(std::move(row));
  }
}

}  // namespace

DocumentState CaptureDocument(const host_imitation::HostDocument& document,
                              const host_imitation::MorphFeature& morphFeature) {
  DocumentState state;
  for (const HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    state.objects.push_back(ObjectState{object, object->name, object->vertices,
                                        object->IntValue(MQOBJECT_ATTRIBUTE_SELECTED) != 0});
  }
  state.bindings = morphFeature.Bindings();
  return state;
}

RunResult FindRunResult(const DocumentState& before, const host_imitation::HostDocument& document,
                        const host_imitation::MorphFeature& morphFeature,
                        const SceneDocument* scenes) {
  RunResult result;
  const Earlier earlier(before);
  FindObjectChanges(before, earlier, document, result);
  FindBindingsMade(before, morphFeature, result);
  FindRows(before, earlier, document, scenes, result);
  return result;
}

}  // namespace palisor_cli
