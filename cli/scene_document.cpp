#include "cli/scene_document.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "host_imitation/host_imitation.h"

namespace palisor_cli {

namespace {

using host_imitation::HostObject;

bool IsPresent(const HostObject* object) {
  return object != nullptr && !object->destroyed;
}

}  // namespace

std::vector<HostObject*> BuildDocument(std::vector<SceneObject> objects,
                                       host_imitation::HostDocument& document) {
  std::vector<HostObject*> built;
  built.reserve(objects.size());
  for (SceneObject& sceneObject : objects) {
    HostObject& object = host_imitation::Host().NewObject(sceneObject.name);
    const std::size_t vertexCount = sceneObject.vertices.size();
    object.vertices = std::move(sceneObject.vertices);
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
    object.passthrough = std::move(sceneObject.passthrough);
    document.Append(&object);
    built.push_back(&object);
  }
  return built;
}

std::vector<SceneBinding> BindingsToWrite(
    const host_imitation::HostDocument& document,
    const std::vector<std::pair<MQObject, MQObject>>& bindings) {
  std::map<MQObject, int32_t> positions;
  for (HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    const auto position = static_cast<int32_t>(positions.size());
    positions[object->handle()] = position;
  }
  std::vector<SceneBinding> written;
  std::set<std::pair<int32_t, int32_t>> seen;
  for (const auto& binding : bindings) {
    const auto base = positions.find(binding.first);
    const auto target = positions.find(binding.second);
    if (base == positions.end() || target == positions.end()) continue;
    if (seen.insert({base->second, target->second}).second) {
      written.push_back(SceneBinding{base->second, target->second});
    }
  }
  return written;
}

Scene SceneFromDocument(const host_imitation::HostDocument& document,
                        std::vector<std::string> header,
                        const std::vector<std::pair<MQObject, MQObject>>& bindings) {
  Scene scene;
  scene.header = std::move(header);
  for (HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    SceneObject sceneObject;
    sceneObject.name = object->name;
    sceneObject.vertices = object->vertices;
    if (object->faces) {
      sceneObject.faceCorners = object->faces->corners;
      sceneObject.faceSizes = object->faces->sizes;
    }
    sceneObject.passthrough = std::dynamic_pointer_cast<const ObjPassthrough>(object->passthrough);
    scene.objects.push_back(std::move(sceneObject));
  }
  scene.bindings = BindingsToWrite(document, bindings);
  return scene;
}

ObjSceneView DocumentView(const host_imitation::HostDocument& document,
                          const std::vector<std::string>& header,
                          const std::vector<std::pair<MQObject, MQObject>>& bindings) {
  ObjSceneView view;
  view.header = &header;
  for (HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    ObjObjectView objectView;
    objectView.name = &object->name;
    objectView.vertices = &object->vertices;
    if (object->faces) {
      objectView.faceCorners = &object->faces->corners;
      objectView.faceSizes = &object->faces->sizes;
    }
    objectView.passthrough = dynamic_cast<const ObjPassthrough*>(object->passthrough.get());
    view.objects.push_back(objectView);
  }
  view.bindings = BindingsToWrite(document, bindings);
  return view;
}

}  // namespace palisor_cli
