#include "scene_run/scene_document.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>

#include "host_imitation/host_imitation.h"
#include "parallel/parallel_chunks.h"

namespace palisor_run {

namespace {

using host_imitation::HostObject;
using palisor_scene::Scene;
using palisor_scene::SceneBinding;
using palisor_scene::SceneObject;
using palisor_scene::SceneObjectRef;

// Below this many vertices an object's positions are copied on one thread.
constexpr std::size_t kVerticesPerPart = std::size_t{1} << 16;

bool IsPresent(const HostObject* object) {
  return object != nullptr && !object->destroyed;
}

HostObject& NewObject(SceneObject& sceneObject) {
  HostObject& object = host_imitation::Host().NewObject(sceneObject.name);
  const std::vector<Vector3>& points = sceneObject.vertices;
  const std::size_t vertexCount = points.size();
  object.vertices.resize(vertexCount);
  RunInChunks(vertexCount, kVerticesPerPart, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) {
      object.vertices[i] = MQPoint{points[i].x, points[i].y, points[i].z};
    }
  });
  std::vector<Vector3>().swap(sceneObject.vertices);
  object.refCounts.assign(vertexCount, 0);
  object.selectedVertices.assign(vertexCount, false);
  for (int32_t vertex : sceneObject.faceCorners) {
    ++object.refCounts[static_cast<std::size_t>(vertex)];
  }
  if (!sceneObject.faceSizes.empty()) {
    auto faces = std::make_shared<host_imitation::FaceList>();
    faces->corners = std::move(sceneObject.faceCorners);
    faces->sizes = std::move(sceneObject.faceSizes);
    object.faces = std::move(faces);
  }
  return object;
}

}  // namespace

SceneDocument::SceneDocument(const std::vector<Scene*>& scenes,
                             host_imitation::HostDocument& document)
    : scenes_(scenes), document_(document) {
  for (std::size_t s = 0; s < scenes.size(); ++s) {
    const auto offset = static_cast<int32_t>(objects_.size());
    std::vector<SceneObject>& sceneObjects = scenes[s]->objects;
    for (std::size_t i = 0; i < sceneObjects.size(); ++i) {
      HostObject& object = NewObject(sceneObjects[i]);
      document.Append(&object);
      objects_.push_back(&object);
      bySerial_[object.serial] = SceneObjectRef{static_cast<int32_t>(s), i};
    }
    for (const SceneBinding& binding : scenes[s]->bindings) {
      bindings_.push_back(SceneBinding{binding.base + offset, binding.target + offset});
    }
  }
}

SceneObjectRef SceneDocument::Origin(const HostObject& object) const {
  auto found = bySerial_.find(object.serial);
  if (found == bySerial_.end() && object.clonedFrom != 0) found = bySerial_.find(object.clonedFrom);
  return found != bySerial_.end() ? found->second : SceneObjectRef{};
}

const SceneObject* SceneDocument::SceneObjectOf(const HostObject& object) const {
  const SceneObjectRef origin = Origin(object);
  if (!origin.valid()) return nullptr;
  return &scenes_[static_cast<std::size_t>(origin.scene)]->objects[origin.object];
}

std::vector<const HostObject*> SceneDocument::Written(const std::vector<int32_t>& leftOut) const {
  std::vector<const HostObject*> written;
  for (const HostObject* object : document_.slots) {
    if (!IsPresent(object)) continue;
    const SceneObjectRef origin = Origin(*object);
    const bool left = origin.valid() && bySerial_.count(object->serial) != 0 &&
                      std::find(leftOut.begin(), leftOut.end(), origin.scene) != leftOut.end();
    if (!left) written.push_back(object);
  }
  return written;
}

palisor_scene::ObjSceneView SceneDocument::View(
    const std::vector<std::string>& header,
    const std::vector<std::pair<MQObject, MQObject>>& bindings,
    const std::vector<int32_t>& leftOut) const {
  const std::vector<const HostObject*> written = Written(leftOut);
  palisor_scene::ObjSceneView view;
  view.header = &header;
  for (const HostObject* object : written) {
    palisor_scene::ObjObjectView objectView;
    objectView.name = &object->name;
    objectView.vertices = palisor_scene::PointSpan(object->vertices);
    if (object->faces) {
      objectView.faceCorners = &object->faces->corners;
      objectView.faceSizes = &object->faces->sizes;
    }
    const SceneObject* sceneObject = SceneObjectOf(*object);
    if (sceneObject != nullptr) objectView.passthrough = sceneObject->passthrough.get();
    view.objects.push_back(objectView);
  }
  view.bindings = BindingsToWrite(written, bindings);
  return view;
}

Scene SceneDocument::ToScene(std::vector<std::string> header,
                             const std::vector<std::pair<MQObject, MQObject>>& bindings) const {
  Scene scene;
  scene.header = std::move(header);
  const std::vector<const HostObject*> written = Written({});
  for (const HostObject* object : written) {
    SceneObject sceneObject;
    sceneObject.name = object->name;
    sceneObject.vertices.reserve(object->vertices.size());
    for (const MQPoint& p : object->vertices) sceneObject.vertices.push_back({p.x, p.y, p.z});
    if (object->faces) {
      sceneObject.faceCorners = object->faces->corners;
      sceneObject.faceSizes = object->faces->sizes;
    }
    const SceneObject* original = SceneObjectOf(*object);
    if (original != nullptr) sceneObject.passthrough = original->passthrough;
    scene.objects.push_back(std::move(sceneObject));
  }
  scene.bindings = BindingsToWrite(written, bindings);
  return scene;
}

std::vector<SceneBinding> BindingsToWrite(
    const std::vector<const HostObject*>& written,
    const std::vector<std::pair<MQObject, MQObject>>& bindings) {
  std::map<MQObject, int32_t> positions;
  for (const HostObject* object : written) {
    const auto position = static_cast<int32_t>(positions.size());
    positions[const_cast<HostObject*>(object)->handle()] = position;
  }
  std::vector<SceneBinding> result;
  std::set<std::pair<int32_t, int32_t>> seen;
  for (const auto& binding : bindings) {
    const auto base = positions.find(binding.first);
    const auto target = positions.find(binding.second);
    if (base == positions.end() || target == positions.end()) continue;
    if (seen.insert({base->second, target->second}).second) {
      result.push_back(SceneBinding{base->second, target->second});
    }
  }
  return result;
}

}  // namespace palisor_run
