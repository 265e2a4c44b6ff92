// Reads a glTF 2.0 scene (.gltf with external or embedded buffers, or .glb) into the objects of
// a scene. Every fault of the file is a SceneError naming the file and the JSON place.
#pragma once

#include <string>

#include "scene/gltf/gltf_file.h"

namespace palisor_scene {

GltfScene ReadGltfFile(const std::string& path);

}  // namespace palisor_scene
