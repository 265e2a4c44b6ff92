#include "cli/scene_document.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>

#include "host_imitation/host_imitation.h"

namespace palisor_cli {

std::vector<host_imitation::HostObject*> BuildDocument(const Scene& scene,
                                                       host_imitation::HostDocument& document) {
  std::vector<host_imitation::HostObject*> objects;
  objects.reserve(scene.objects.size());
  for (const SceneObject& sceneObject : scene.objects) {
    host_imitation::HostObject& object = host_imitation::Host().NewObject(sceneObject.name);
    object.vertices = sceneObject.vertices;
    object.refCounts.assign(sceneObject.vertices.size(), 0);
    object.selectedVertices.assign(sceneObject.vertices.size(), false);
    object.faces.reserve(sceneObject.faceSizes.size());
    std::size_t corner = 0;
    for (int32_t size : sceneObject.faceSizes) {
      std::vector<int32_t> face(
          sceneObject.faceCorners.begin() + static_cast<std::ptrdiff_t>(corner),
          sceneObject.faceCorners.begin() +
              static_cast<std::ptrdiff_t>(corner + static_cast<std::size_t>(size)));
      for (int32_t vertex : face) ++object.refCounts[static_cast<std::size_t>(vertex)];
      object.faces.push_back(std::move(face));
      corner += static_cast<std::size_t>(size);
    }
    object.passthrough = sceneObject.passthrough;
    document.Append(&object);
    objects.push_back(&object);
  }
  return objects;
}

Scene SceneFromDocument(const host_imitation::HostDocument& document,
                        std::vector<std::string> header,
                        const std::vector<std::pair<MQObject, MQObject>>& bindings) {
  Scene scene;
  scene.header = std::move(header);
  std::map<MQObject, int32_t> positions;
  for (host_imitation::HostObject* object : document.slots) {
    if (object == nullptr || object->destroyed) continue;
    positions[object->handle()] = static_cast<int32_t>(scene.objects.size());
    SceneObject sceneObject;
    sceneObject.name = object->name;
    sceneObject.vertices = object->vertices;
    sceneObject.faceSizes.reserve(object->faces.size());
    for (const std::vector<int32_t>& face : object->faces) {
      sceneObject.faceSizes.push_back(static_cast<int32_t>(face.size()));
      sceneObject.faceCorners.insert(sceneObject.faceCorners.end(), face.begin(), face.end());
    }
    sceneObject.passthrough = std::dynamic_pointer_cast<const ObjPassthrough>(object->passthrough);
    scene.objects.push_back(std::move(sceneObject));
  }
  std::set<std::pair<int32_t, int32_t>> written;
  for (const auto& binding : bindings) {
    const auto base = positions.find(binding.first);
    const auto target = positions.find(binding.second);
    if (base == positions.end() || target == positions.end()) continue;
    if (written.insert({base->second, target->second}).second) {
      scene.bindings.push_back(SceneBinding{base->second, target->second});
    }
  }
  return scene;
}

}  // namespace palisor_cli
