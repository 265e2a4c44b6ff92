// Reads a scene file of either format palisor-cli knows, telling them apart by their contents
// (and, failing that, by the file name's extension), and puts scenes into one document.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/gltf_file.h"
#include "cli/obj_scene.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"

namespace palisor_cli {

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

// Moves the objects of `scenes` into the document in order (their geometry with them), gives glTF
// objects their origins, and returns every object in that order, with the scenes' bindings as one
// list over it.
struct DocumentObjects {
  std::vector<host_imitation::HostObject*> objects;
  Scene bindingsOnly;
};
DocumentObjects BuildDocumentFrom(const std::vector<LoadedScene*>& scenes,
                                  host_imitation::HostDocument& document);

}  // namespace palisor_cli
