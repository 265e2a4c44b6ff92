// Reads a scene file of either format palisor-cli knows, telling them apart by their contents
// (and, failing that, by the file name's extension).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/scene.h"

namespace palisor_scene {

enum class SceneFormat { kObj, kGltfText, kGltfBinary };

struct LoadedScene {
  SceneFormat format = SceneFormat::kObj;
  Scene scene;
  // For a glTF scene: the file and each object's origin, in the order of scene.objects.
  std::shared_ptr<GltfFile> gltf;
  std::vector<std::shared_ptr<const GltfObjectOrigin>> origins;
};

LoadedScene LoadScene(const std::string& path);

// The format a result written to `path` takes: by its extension (.obj, .gltf, .glb), else the
// input's.
SceneFormat OutputFormat(const std::string& path, SceneFormat input);

}  // namespace palisor_scene
