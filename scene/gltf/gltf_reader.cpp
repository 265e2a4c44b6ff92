#include "scene/gltf/gltf_reader.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <utility>

#include "parallel/parallel_chunks.h"
#include "scene/file_bytes.h"
#include "scene/gltf/gltf_accessor.h"
#include "scene/gltf/gltf_triangles.h"
#include "scene/scene_error.h"

namespace palisor_scene {

namespace {

constexpr uint32_t kGlbMagic = 0x46546C67;  // "glTF"
constexpr uint32_t kJsonChunk = 0x4E4F534A;

uint32_t Word(std::string_view bytes, std::size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

// The JSON chunk of a binary file, after checking the container's header.
std::string_view GlbJson(std::string_view bytes, const std::string& path) {
  if (bytes.size() < 20 || Word(bytes, 4) != 2 || Word(bytes, 8) > bytes.size() ||
      Word(bytes, 8) < 20) {
    throw SceneError(path, "", path + ": not a valid binary glTF 2.0 file (bad header)");
  }
  const uint32_t length = Word(bytes, 12);
  if (Word(bytes, 16) != kJsonChunk || length > Word(bytes, 8) - 20) {
    throw SceneError(path, "", path + ": not a valid binary glTF 2.0 file (bad JSON chunk)");
  }
  return bytes.substr(20, length);
}

// Extensions that change nothing about where vertices are; a file that requires any other is
// refused, since its geometry could mean something else than it seems.
bool GeometryNeutral(const std::string& extension) {
  static const char* const kPrefixes[] = {"KHR_materials_",        "KHR_texture_",
                                          "EXT_texture_",          "KHR_lights_punctual",
                                          "KHR_mesh_quantization", "KHR_animation_pointer"};
  for (const char* prefix : kPrefixes) {
    if (extension.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

void CheckRequiredExtensions(const tinygltf::Model& model, const std::string& path) {
  for (std::size_t i = 0; i < model.extensionsRequired.size(); ++i) {
    const std::string& extension = model.extensionsRequired[i];
    if (GeometryNeutral(extension)) continue;
    const bool compressed = extension == "KHR_draco_mesh_compression" ||
                            extension == "EXT_meshopt_compression" ||
                            extension == "KHR_meshopt_compression";
    throw SceneError(path, "extensionsRequired[" + std::to_string(i) + "]",
                     path + ": extensionsRequired[" + std::to_string(i) + "]: " + extension +
                         (compressed ? " compresses the geometry, which palisor-cli cannot read; "
                                       "save the scene without compression"
                                     : " is required, but palisor-cli does not know it"));
  }
}

std::string MeshPlace(int mesh, int primitive) {
  return "meshes[" + std::to_string(mesh) + "].primitives[" + std::to_string(primitive) + "]";
}

// Whether any accessor the primitive reads lies in a meshopt-compressed buffer view.
bool UsesMeshopt(const tinygltf::Model& model, const tinygltf::Primitive& primitive) {
  auto compressed = [&model](int accessor) {
    if (accessor < 0 || static_cast<std::size_t>(accessor) >= model.accessors.size()) return false;
    const int view = model.accessors[static_cast<std::size_t>(accessor)].bufferView;
    if (view < 0 || static_cast<std::size_t>(view) >= model.bufferViews.size()) return false;
    const auto& extensions = model.bufferViews[static_cast<std::size_t>(view)].extensions;
    return extensions.count("EXT_meshopt_compression") != 0 ||
           extensions.count("KHR_meshopt_compression") != 0;
  };
  if (compressed(primitive.indices)) return true;
  for (const auto& attribute : primitive.attributes) {
    if (compressed(attribute.second)) return true;
  }
  for (const auto& target : primitive.targets) {
    for (const auto& attribute : target) {
      if (compressed(attribute.second)) return true;
    }
  }
  return false;
}

int FindAttribute(const std::map<std::string, int>& attributes, const char* name) {
  const auto found = attributes.find(name);
  return found != attributes.end() ? found->second : -1;
}

std::string TargetName(const OrderedJson& mesh, std::size_t target) {
  const auto extras = mesh.find("extras");
  if (extras != mesh.end() && extras->is_object()) {
    const auto names = extras->find("targetNames");
    if (names != extras->end() && names->is_array() && target < names->size() &&
        (*names)[target].is_string()) {
      return (*names)[target].get<std::string>();
    }
  }
  return "target " + std::to_string(target);
}

// One primitive's geometry as it lies in the file: `count` positions (null: all at the origin)
// and per target its displacements (null: none), three floats per vertex.
struct PrimitiveData {
  std::size_t first = 0;
  std::size_t count = 0;
  const float* positions = nullptr;
  std::vector<const float*> moves;
};

// Below this many vertices a primitive is placed on one thread.
constexpr std::size_t kVerticesPerPart = std::size_t{1} << 15;

// Writes the primitive's vertices from `first` on into the base and into each target, placed
// in the scene, on all cores.
void PlaceVertices(const PrimitiveData& data, const Matrix4& placement, bool placed,
                   SceneObject& base, std::vector<SceneObject>& targets) {
  const std::size_t end = data.first + data.count;
  base.vertices.resize(end);
  for (SceneObject& target : targets) target.vertices.resize(end);
  auto local = [&data](std::size_t i) {
    const float* xyz = data.positions;
    return xyz != nullptr ? Vector3{xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]} : Vector3{0, 0, 0};
  };
  auto place = [&](const Vector3& point) {
    return placed ? TransformPoint(placement, point) : point;
  };
  RunInChunks(data.count, kVerticesPerPart, [&](std::size_t begin, std::size_t stop) {
    for (std::size_t i = begin; i < stop; ++i) base.vertices[data.first + i] = place(local(i));
    for (std::size_t t = 0; t < targets.size(); ++t) {
      const float* d = data.moves[t];
      Vector3* out = targets[t].vertices.data() + data.first;
      for (std::size_t i = begin; i < stop; ++i) {
        // A target without displacements still adds 0, as a reader adding them would (-0 + 0 is 0).
        const Vector3 from = local(i);
        out[i] = place(
            d != nullptr ? Vector3{from.x + d[3 * i], from.y + d[3 * i + 1], from.z + d[3 * i + 2]}
                         : Vector3{from.x + 0.0f, from.y + 0.0f, from.z + 0.0f});
      }
    }
  });
}

// Why the run may not take a primitive's object (compressed geometry, points or lines); empty
// when it may.
std::string Refusal(const tinygltf::Model& model, const tinygltf::Primitive& primitive,
                    const std::string& place) {
  if (primitive.extensions.count("KHR_draco_mesh_compression") != 0) {
    return place + " is compressed with Draco, which palisor-cli cannot read";
  }
  if (UsesMeshopt(model, primitive)) {
    return place + " is compressed with meshopt, which palisor-cli cannot read";
  }
  if (!DrawsTriangles(primitive)) {
    return place + " draws " + (PrimitiveMode(primitive) == kGltfPoints ? "points" : "lines") +
           ", not triangles; palisor-cli carries morphs between triangle meshes only";
  }
  return "";
}

class GltfSceneReader {
 public:
  explicit GltfSceneReader(std::shared_ptr<GltfFile> file) : file_(std::move(file)) {
    result_.file = file_;
  }

  GltfScene Read() {
    const tinygltf::Model& model = file_->model;
    const std::vector<Matrix4> world = WorldMatrices(model, file_->path);
    for (std::size_t node = 0; node < model.nodes.size(); ++node) {
      const int mesh = model.nodes[node].mesh;
      if (mesh < 0) continue;
      if (static_cast<std::size_t>(mesh) >= model.meshes.size()) {
        throw SceneError(file_->path, "",
                         file_->path + ": nodes[" + std::to_string(node) + "].mesh names meshes[" +
                             std::to_string(mesh) + "], which does not exist");
      }
      GltfMeshNode meshNode;
      meshNode.node = static_cast<int>(node);
      meshNode.mesh = mesh;
      meshNode.placement = model.nodes[node].skin >= 0 ? IdentityMatrix() : world[node];
      AddNode(meshNode);
    }
    return std::move(result_);
  }

 private:
  void AddNode(GltfMeshNode meshNode) {
    const tinygltf::Model& model = file_->model;
    const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(meshNode.node)];
    const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(meshNode.mesh)];
    SceneObject base;
    base.name = !node.name.empty()   ? node.name
                : !mesh.name.empty() ? mesh.name
                                     : "mesh " + std::to_string(meshNode.mesh);
    auto origin = std::make_shared<GltfObjectOrigin>();
    origin->file = file_.get();
    origin->meshNode = file_->meshNodes.size();
    std::vector<SceneObject> targets;
    for (std::size_t p = 0; p < mesh.primitives.size(); ++p) {
      AddPrimitive(static_cast<int>(p), meshNode, base, targets, *origin);
    }
    meshNode.targetCount = targets.size();
    StoreObjects(meshNode, std::move(base), std::move(targets), std::move(origin));
  }

  // Every primitive's vertices go straight into the objects: the base's placed positions, and
  // each target's placed positions plus displacements.
  void AddPrimitive(int p, GltfMeshNode& meshNode, SceneObject& base,
                    std::vector<SceneObject>& targets, GltfObjectOrigin& origin) {
    const tinygltf::Model& model = file_->model;
    const tinygltf::Primitive& primitive = model.meshes[static_cast<std::size_t>(meshNode.mesh)]
                                               .primitives[static_cast<std::size_t>(p)];
    const std::string place = MeshPlace(meshNode.mesh, p);
    if (p == 0) {
      targets.resize(primitive.targets.size());
    } else if (primitive.targets.size() != targets.size()) {
      FailAt(GltfPlace{file_->path, place + ".targets"},
             std::to_string(primitive.targets.size()) +
                 " morph targets, but the mesh's first primitive has " +
                 std::to_string(targets.size()));
    }
    const int positions = FindAttribute(primitive.attributes, "POSITION");
    if (positions < 0) {
      throw SceneError(file_->path, place + ".attributes",
                       file_->path + ": " + place + ".attributes has no POSITION");
    }
    const GltfPlace positionPlace{file_->path, place + ".attributes.POSITION"};
    PrimitiveData data;
    data.first = base.vertices.size();
    data.count = AccessorCount(model, positions, positionPlace);
    data.moves.assign(targets.size(), nullptr);
    meshNode.primitives.push_back(GltfPrimitiveSpan{p, data.first, data.count});
    const std::string refusal = Refusal(model, primitive, place);
    if (origin.refusal.empty()) origin.refusal = refusal;
    std::vector<std::vector<float>> storage(targets.size() + 1);
    // Compressed accessors hold no usable data; their vertices stand at the origin.
    if (refusal.find("compressed") == std::string::npos) {
      data.positions = FloatAccessorData(model, positions, 3, positionPlace, storage.back());
      ReadMoves(primitive, place, data, storage);
      if (DrawsTriangles(primitive)) {
        const std::size_t corners = base.faceCorners.size();
        AppendPrimitiveTriangles(model, primitive, data.count, GltfPlace{file_->path, place},
                                 static_cast<int32_t>(data.first), base.faceCorners);
        base.faceSizes.resize(base.faceSizes.size() + (base.faceCorners.size() - corners) / 3, 3);
      }
    }
    PlaceVertices(data, meshNode.placement, !IsIdentity(meshNode.placement), base, targets);
  }

  // Each target's POSITION displacements, as many as the primitive's positions.
  void ReadMoves(const tinygltf::Primitive& primitive, const std::string& place,
                 PrimitiveData& data, std::vector<std::vector<float>>& storage) const {
    for (std::size_t t = 0; t < data.moves.size(); ++t) {
      const int moved = FindAttribute(primitive.targets[t], "POSITION");
      if (moved < 0) continue;
      const GltfPlace targetPlace{file_->path,
                                  place + ".targets[" + std::to_string(t) + "].POSITION"};
      data.moves[t] = FloatAccessorData(file_->model, moved, 3, targetPlace, storage[t]);
      const std::size_t movedCount = AccessorCount(file_->model, moved, targetPlace);
      if (movedCount != data.count) {
        FailAt(targetPlace, "has " + std::to_string(movedCount) + " elements, but POSITION has " +
                                std::to_string(data.count));
      }
    }
  }

  // The node's object, then one object per morph target bound to it.
  void StoreObjects(GltfMeshNode meshNode, SceneObject base, std::vector<SceneObject> targets,
                    std::shared_ptr<GltfObjectOrigin> origin) {
    const int32_t baseIndex = static_cast<int32_t>(result_.scene.objects.size());
    const OrderedJson& meshJson = file_->json["meshes"][static_cast<std::size_t>(meshNode.mesh)];
    result_.scene.objects.push_back(std::move(base));
    result_.origins.push_back(origin);
    for (std::size_t t = 0; t < targets.size(); ++t) {
      targets[t].name = TargetName(meshJson, t);
      auto targetOrigin = std::make_shared<GltfObjectOrigin>(*origin);
      targetOrigin->target = static_cast<int>(t);
      result_.scene.bindings.push_back(
          SceneBinding{baseIndex, static_cast<int32_t>(result_.scene.objects.size())});
      result_.scene.objects.push_back(std::move(targets[t]));
      result_.origins.push_back(std::move(targetOrigin));
    }
    file_->meshNodes.push_back(std::move(meshNode));
  }

  std::shared_ptr<GltfFile> file_;
  GltfScene result_;
};

std::string PercentDecoded(const std::string& uri) {
  std::string text;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
      text += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      text += uri[i];
    }
  }
  return text;
}

// Every buffer's data must be there, as long as its byteLength says: an external file, or the
// binary chunk of a .glb.
void CheckBuffers(const OrderedJson& json, std::string_view bytes, bool binary,
                  const std::string& path) {
  const auto buffers = json.find("buffers");
  if (buffers == json.end() || !buffers->is_array()) return;
  for (std::size_t i = 0; i < buffers->size(); ++i) {
    const OrderedJson& buffer = (*buffers)[i];
    const std::string place = path + ": buffers[" + std::to_string(i) + "]";
    const auto lengthField = buffer.find("byteLength");
    if (lengthField == buffer.end() || !lengthField->is_number_unsigned()) {
      throw SceneError(path, "buffers[" + std::to_string(i) + "]",
                       place + ": has no valid byteLength");
    }
    const uint64_t length = lengthField->get<uint64_t>();
    const auto uri = buffer.find("uri");
    uint64_t available = 0;
    std::string source;
    if (uri == buffer.end()) {
      if (!binary || i != 0)
        throw SceneError(path, "buffers[" + std::to_string(i) + "]", place + ": has no uri");
      const std::size_t chunk = 20 + ((Word(bytes, 12) + 3) & ~3u);
      if (chunk + 8 <= bytes.size() && Word(bytes, chunk + 4) == 0x004E4942) {
        available = Word(bytes, chunk);
      }
      source = "the binary chunk";
    } else if (uri->is_string() && uri->get<std::string>().rfind("data:", 0) != 0) {
      const std::filesystem::path file =
          std::filesystem::path(path).parent_path() / PercentDecoded(uri->get<std::string>());
      std::error_code error;
      available = std::filesystem::file_size(file, error);
      if (error)
        throw SceneError(path, "buffers[" + std::to_string(i) + "]",
                         place + ": the file " + file.string() + " cannot be read");
      source = file.string();
    } else {
      continue;
    }
    if (available < length) {
      throw SceneError(path, "buffers[" + std::to_string(i) + "]",
                       place + ": byteLength is " + std::to_string(length) + ", but " + source +
                           " holds " + std::to_string(available) + " bytes");
    }
  }
}

}  // namespace

bool LooksLikeGlb(std::string_view bytes) {
  return bytes.size() >= 4 && Word(bytes, 0) == kGlbMagic;
}

GltfScene ReadGltfFile(const std::string& path) {
  auto file = std::make_shared<GltfFile>();
  file->path = path;
  const FileBytes contents(path);
  const std::string_view bytes = contents.view();
  file->binary = LooksLikeGlb(bytes);
  const std::string_view jsonText = file->binary ? GlbJson(bytes, path) : bytes;
  try {
    file->json = OrderedJson::parse(jsonText.begin(), jsonText.end());
  } catch (const OrderedJson::exception& error) {
    throw SceneError(path, "", path + ": malformed JSON: " + error.what());
  }
  if (!file->json.is_object()) throw SceneError(path, "", path + ": the JSON is not a glTF object");

  CheckBuffers(file->json, bytes, file->binary, path);
  tinygltf::TinyGLTF loader;
  // Images are carried through as they are, never decoded.
  loader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int,
                           const unsigned char*, int, void*) { return true; },
                        nullptr);
  std::string error;
  std::string warning;
  const std::string directory = std::filesystem::path(path).parent_path().string();
  const bool loaded =
      file->binary
          ? loader.LoadBinaryFromMemory(&file->model, &error, &warning,
                                        reinterpret_cast<const unsigned char*>(bytes.data()),
                                        static_cast<unsigned int>(bytes.size()), directory)
          : loader.LoadASCIIFromString(&file->model, &error, &warning, bytes.data(),
                                       static_cast<unsigned int>(bytes.size()), directory);
  if (!loaded) {
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    throw SceneError(
        path, "", path + ": " + (error.empty() ? std::string("not a valid glTF 2.0 file") : error));
  }
  CheckRequiredExtensions(file->model, path);
  return GltfSceneReader(file).Read();
}

}  // namespace palisor_scene
