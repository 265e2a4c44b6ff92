#include "scene_run/run_result_finding.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <map>
#include <set>

namespace palisor_run {

namespace {

using host_imitation::HostObject;
using palisor_scene::FaceSpan;
using palisor_scene::PointSpan;
using palisor_scene::ResultObject;
using palisor_scene::ResultRow;
using palisor_scene::RunResult;

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

// The Source with its targets, and each Destination with its morph objects.
void FindRows(const RunObjects& objects, const SceneDocument* scenes,
              const std::vector<std::vector<uint8_t>>* marks, RunResult& result) {
  if (objects.source == nullptr) return;
  const ObjectState& source = *objects.source;
  const FaceSpan sourceFaces = FacesOf(*source.object);
  result.source.first = Shown(*source.object, source.vertices, sourceFaces, scenes);
  for (const ObjectState* target : objects.targets) {
    const HostObject& object = *target->object;
    const FaceSpan faces = object.FaceCount() > 0 ? FacesOf(object) : sourceFaces;
    result.source.others.push_back(Shown(object, source.vertices, faces, scenes));
  }
  for (std::size_t d = 0; d < objects.destinations.size(); ++d) {
    const RunObjects::DestinationObjects& found = objects.destinations[d];
    const ObjectState& destination = *found.destination;
    ResultRow row;
    row.first =
        Shown(*destination.object, destination.vertices, FacesOf(*destination.object), scenes);
    row.others.resize(found.morphs.size());
    for (std::size_t column = 0; column < found.morphs.size(); ++column) {
      if (found.morphs[column] == nullptr) continue;
      row.others[column] = Shown(*found.morphs[column], destination.vertices,
                                 FacesOf(*found.morphs[column]), scenes);
    }
    if (marks != nullptr && d < marks->size()) row.marks = (*marks)[d];
    result.destinations.push_back(std::move(row));
  }
}

}  // namespace

RunResult FindRunResult(const DocumentState& before, const host_imitation::HostDocument& document,
                        const host_imitation::MorphFeature& morphFeature, const RunObjects& objects,
                        const SceneDocument* scenes,
                        const std::vector<std::vector<uint8_t>>* marks) {
  RunResult result;
  const Earlier earlier(before);
  FindObjectChanges(before, earlier, document, result);
  FindBindingsMade(before, morphFeature, result);
  FindRows(objects, scenes, marks, result);
  return result;
}

}  // namespace palisor_run
