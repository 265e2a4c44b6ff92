#include "scene/gltf/gltf_skin_plan.h"

#include <algorithm>

#include "scene/gltf/gltf_accessor.h"

namespace palisor_scene {

namespace {

// The most joints unsigned short indices can name.
constexpr std::size_t kMostJoints = 65536;

std::string NodePlace(const GltfFile& file, int node) {
  const std::string& name = file.model.nodes[static_cast<std::size_t>(node)].name;
  return "nodes[" + std::to_string(node) + "]" + (name.empty() ? "" : " ('" + name + "')");
}

// The first other node that shows the mesh, or -1.
int OtherNodeOfMesh(const tinygltf::Model& model, const GltfMeshNode& meshNode) {
  for (std::size_t n = 0; n < model.nodes.size(); ++n) {
    if (static_cast<int>(n) != meshNode.node && model.nodes[n].mesh == meshNode.mesh) {
      return static_cast<int>(n);
    }
  }
  return -1;
}

// The first skin whose joints or skeleton the node is, or -1.
int SkinOfJoint(const tinygltf::Model& model, int node) {
  for (std::size_t s = 0; s < model.skins.size(); ++s) {
    const auto& joints = model.skins[s].joints;
    if (model.skins[s].skeleton == node ||
        std::find(joints.begin(), joints.end(), node) != joints.end()) {
      return static_cast<int>(s);
    }
  }
  return -1;
}

// The first animation that moves the node (its translation, rotation or scale), or -1.
int AnimationMoving(const tinygltf::Model& model, int node) {
  for (std::size_t a = 0; a < model.animations.size(); ++a) {
    for (const tinygltf::AnimationChannel& channel : model.animations[a].channels) {
      if (channel.target_node == node && channel.target_path != "weights") {
        return static_cast<int>(a);
      }
    }
  }
  return -1;
}

// Why the node cannot take a skin anew; empty when it can.
std::string Hindrance(const GltfFile& file, const GltfMeshNode& meshNode) {
  const tinygltf::Model& model = file.model;
  const tinygltf::Node& node = model.nodes[static_cast<std::size_t>(meshNode.node)];
  const int other = OtherNodeOfMesh(model, meshNode);
  if (other >= 0) {
    return "shows meshes[" + std::to_string(meshNode.mesh) + "], which " + NodePlace(file, other) +
           " shows as well; a node takes a skin only with a mesh of its own";
  }
  const int skin = SkinOfJoint(model, meshNode.node);
  if (skin >= 0) return "is a joint of skins[" + std::to_string(skin) + "]";
  if (!node.children.empty() && !IsIdentity(meshNode.placement)) {
    return "has child nodes, which would move once the skeleton places it instead of its "
           "transform";
  }
  const int animation = AnimationMoving(model, meshNode.node);
  if (animation >= 0) {
    return "is moved by animations[" + std::to_string(animation) +
           "], which cannot move it once the skeleton places it";
  }
  if (!(LinearDeterminant(meshNode.placement) > 0.0)) {
    return "is placed mirrored or flattened, which a skinned mesh cannot be";
  }
  return "";
}

}  // namespace

int SourceSkin(const GltfFile& file, const GltfMeshNode& source) {
  const int skin = file.model.nodes[static_cast<std::size_t>(source.node)].skin;
  if (skin < 0) {
    FailAt(GltfPlace{file.path, NodePlace(file, source.node)},
           "the Source has no skin: weights are carried from a skinned mesh");
  }
  if (static_cast<std::size_t>(skin) >= file.model.skins.size()) {
    FailAt(GltfPlace{file.path, NodePlace(file, source.node)},
           "names skins[" + std::to_string(skin) + "], which does not exist");
  }
  const std::size_t joints = file.model.skins[static_cast<std::size_t>(skin)].joints.size();
  if (joints > kMostJoints) {
    FailAt(GltfPlace{file.path, "skins[" + std::to_string(skin) + "]"},
           "has " + std::to_string(joints) + " joints; glTF's joint indices reach " +
               std::to_string(kMostJoints - 1));
  }
  return skin;
}

bool HasSkinAlready(const GltfFile& file, const GltfMeshNode& destination, int skin) {
  const int own = file.model.nodes[static_cast<std::size_t>(destination.node)].skin;
  const GltfPlace where{file.path, NodePlace(file, destination.node)};
  if (own == skin) return true;
  if (own >= 0) {
    FailAt(where, "a Destination skinned to skins[" + std::to_string(own) +
                      "], not to the Source's skins[" + std::to_string(skin) +
                      "]: weights are carried within one skin");
  }
  const std::string hindrance = Hindrance(file, destination);
  if (!hindrance.empty()) FailAt(where, "the Destination " + hindrance);
  return false;
}

}  // namespace palisor_scene
