#include "scene/scene_file.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "scene/gltf/gltf_reader.h"
#include "scene/obj/obj_reader.h"

namespace palisor_scene {

namespace {

std::string LowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// The first bytes of the file, enough to recognise glTF JSON or a binary glTF header; empty when
// the file cannot be read (the reader then reports why).
std::string Start(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char buffer[64] = {};
  in.read(buffer, sizeof buffer);
  return std::string(buffer, static_cast<std::size_t>(in.gcount()));
}

SceneFormat Recognise(const std::string& path) {
  const std::string start = Start(path);
  if (LooksLikeGlb(start)) return SceneFormat::kGltfBinary;
  const std::string extension = LowerExtension(path);
  if (extension == ".gltf" || extension == ".glb") return SceneFormat::kGltfText;
  std::size_t i = start.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (i < start.size() && std::isspace(static_cast<unsigned char>(start[i]))) ++i;
  return i < start.size() && start[i] == '{' ? SceneFormat::kGltfText : SceneFormat::kObj;
}

}  // namespace

LoadedScene LoadScene(const std::string& path) {
  LoadedScene loaded;
  loaded.format = Recognise(path);
  if (loaded.format == SceneFormat::kObj) {
    loaded.scene = ReadObjFile(path);
    return loaded;
  }
  GltfScene gltf = ReadGltfFile(path);
  loaded.format = gltf.file->binary ? SceneFormat::kGltfBinary : SceneFormat::kGltfText;
  loaded.scene = std::move(gltf.scene);
  loaded.gltf = std::move(gltf.file);
  loaded.origins = std::move(gltf.origins);
  return loaded;
}

SceneFormat OutputFormat(const std::string& path, SceneFormat input) {
  const std::string extension = LowerExtension(path);
  if (extension == ".obj") return SceneFormat::kObj;
  if (extension == ".gltf") return SceneFormat::kGltfText;
  if (extension == ".glb") return SceneFormat::kGltfBinary;
  return input;
}

}  // namespace palisor_scene
