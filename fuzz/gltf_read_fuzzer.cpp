// The glTF reader on any bytes, as .gltf text or .glb: it either refuses them with an InputError or
// reads objects whose every face has at least three corners, each naming one of the object's own
// vertices, and whose morph targets are bound to a base with as many vertices.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "fuzz/scene_equality.h"
#include "scene/gltf/gltf_reader.h"
#include "scene/scene_error.h"

namespace {

// The file each input is written to, in a folder of this process's own.
const std::string& ScenePath() {
  static const std::string path = [] {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("palisor-gltf-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return (folder / "scene.gltf").string();
  }();
  return path;
}

void CheckObject(const palisor_scene::SceneObject& object) {
  std::size_t corner = 0;
  for (int32_t size : object.faceSizes) {
    if (size < 3) FuzzFailure("a face has fewer than three corners in", object.name);
    for (int32_t k = 0; k < size; ++k, ++corner) {
      if (corner >= object.faceCorners.size()) {
        FuzzFailure("the face sizes count more corners than there are in", object.name);
      }
      const int32_t vertex = object.faceCorners[corner];
      if (vertex < 0 || static_cast<std::size_t>(vertex) >= object.vertices.size()) {
        FuzzFailure("a face corner names no vertex of", object.name);
      }
    }
  }
  if (corner != object.faceCorners.size()) {
    FuzzFailure("corners belong to no face in", object.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string& path = ScenePath();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) FuzzFailure("cannot write", path);
  const bool written = std::fwrite(data, 1, size, file) == size;
  if (std::fclose(file) != 0 || !written) FuzzFailure("cannot write", path);
  palisor_scene::GltfScene read;
  try {
    read = palisor_scene::ReadGltfFile(path);
  } catch (const palisor_scene::SceneError&) {
    return 0;
  }
  const auto& objects = read.scene.objects;
  for (const palisor_scene::SceneObject& object : objects) CheckObject(object);
  for (const palisor_scene::SceneBinding& binding : read.scene.bindings) {
    if (binding.base < 0 || binding.target < 0 ||
        static_cast<std::size_t>(binding.base) >= objects.size() ||
        static_cast<std::size_t>(binding.target) >= objects.size()) {
      FuzzFailure("a binding names no object", "");
    }
    if (objects[static_cast<std::size_t>(binding.base)].vertices.size() !=
        objects[static_cast<std::size_t>(binding.target)].vertices.size()) {
      FuzzFailure("a morph target's vertex count differs from its base's", "");
    }
  }
  return 0;
}
