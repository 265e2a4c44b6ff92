// A glTF file as palisor-cli holds it while it runs: the JSON exactly as read (for writing it out
// again with everything it had), the glTF library's model of it with the buffers' bytes, and the
// geometry of every node that has a mesh.
#pragma once

#include <cstddef>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "scene/gltf/gltf_transform.h"
#include "scene/gltf/tinygltf_config.h"
#include "scene/scene.h"

namespace palisor_scene {

using OrderedJson = nlohmann::ordered_json;

// The vertices one primitive adds to its node's object: `count` of them from `first` on.
struct GltfPrimitiveSpan {
  int primitive = 0;
  std::size_t first = 0;
  std::size_t count = 0;
};

// A node with a mesh: one object of the scene, followed by one object per morph target.
struct GltfMeshNode {
  int node = 0;
  int mesh = 0;
  // Where the mesh's own coordinates land in the scene: the node's world matrix, or the identity
  // for a skinned mesh, whose stored positions are its bind pose.
  Matrix4 placement = IdentityMatrix();
  std::vector<GltfPrimitiveSpan> primitives;
  std::size_t targetCount = 0;
};

struct GltfFile {
  // The path as given, for messages, and whether it was a binary (.glb) file.
  std::string path;
  bool binary = false;
  OrderedJson json;
  tinygltf::Model model;
  std::vector<GltfMeshNode> meshNodes;
};

// What ties an object of the scene to the file it came from.
struct GltfObjectOrigin {
  const GltfFile* file = nullptr;
  // Index into file->meshNodes.
  std::size_t meshNode = 0;
  // The morph target the object stands for, or -1 for the node's own mesh.
  int target = -1;
  // Why the run may not take this object (points or lines, compressed geometry); empty when it
  // may.
  std::string refusal;
};

// A glTF file read as a scene: its objects in order (each node's object, then its targets), the
// morph feature's bindings of targets to their bases, and each object's origin.
struct GltfScene {
  Scene scene;
  std::vector<std::shared_ptr<const GltfObjectOrigin>> origins;
  std::shared_ptr<GltfFile> file;
};

// Whether the bytes start like a binary glTF file.
bool LooksLikeGlb(std::string_view bytes);

}  // namespace palisor_scene
