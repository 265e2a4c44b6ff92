#include "scene/gltf/gltf_skin_export.h"

#include <cstring>
#include <string>

#include "scene/gltf/gltf_skinned_node.h"

namespace palisor_scene {

namespace {

constexpr std::size_t kSlotsPerSet = 4;
constexpr int kUnsignedByte = 5121;
constexpr int kUnsignedShort = 5123;
// The most joints whose indices fit in unsigned bytes.
constexpr std::size_t kByteJoints = 256;

std::string Attribute(const char* semantic, std::size_t set) {
  return semantic + std::to_string(set);
}

// One set of four slots of the primitive's vertices: the joints' bytes and the weights.
void GatherSet(const DestinationWeights& weights, const GltfPrimitiveSpan& span, std::size_t set,
               bool shortJoints, std::string& joints, std::vector<float>& values) {
  const std::size_t jointSize = shortJoints ? 2 : 1;
  joints.assign(span.count * kSlotsPerSet * jointSize, '\0');
  values.assign(span.count * kSlotsPerSet, 0.0f);
  for (std::size_t v = 0; v < span.count; ++v) {
    for (std::size_t k = 0; k < kSlotsPerSet; ++k) {
      const std::size_t slot = set * kSlotsPerSet + k;
      if (slot >= weights.influences) break;
      const std::size_t from = (span.first + v) * weights.influences + slot;
      const float weight = weights.weights[from];
      if (weight == 0.0f) continue;
      const auto joint = static_cast<uint16_t>(weights.joints[from]);
      values[v * kSlotsPerSet + k] = weight;
      if (shortJoints) {
        std::memcpy(&joints[(v * kSlotsPerSet + k) * 2], &joint, 2);
      } else {
        joints[v * kSlotsPerSet + k] = static_cast<char>(joint);
      }
    }
  }
}

// The primitive's JOINTS_n and WEIGHTS_n, the sets it had beyond the new ones taken away.
void WriteWeightSets(OrderedJson& attributes, const GltfPrimitiveSpan& span,
                     const DestinationWeights& weights, std::size_t jointCount, NewData& data) {
  const std::size_t sets = (weights.influences + kSlotsPerSet - 1) / kSlotsPerSet;
  const bool shortJoints = jointCount > kByteJoints;
  for (std::size_t set = 0; set < sets; ++set) {
    std::string joints;
    std::vector<float> values;
    GatherSet(weights, span, set, shortJoints, joints, values);
    attributes[Attribute("JOINTS_", set)] = data.AddUnsigned(
        std::move(joints), shortJoints ? kUnsignedShort : kUnsignedByte, 4, "VEC4");
    attributes[Attribute("WEIGHTS_", set)] = data.AddFloats(std::move(values), 4, "VEC4", false);
  }
  for (std::size_t set = sets; attributes.contains(Attribute("JOINTS_", set)) ||
                               attributes.contains(Attribute("WEIGHTS_", set));
       ++set) {
    attributes.erase(Attribute("JOINTS_", set));
    attributes.erase(Attribute("WEIGHTS_", set));
  }
}

}  // namespace

std::unique_ptr<MeshBake> GiveSkin(OrderedJson& json, const GltfFile& file,
                                   const GltfMeshNode& meshNode, const DestinationWeights& weights,
                                   NewData& data) {
  std::unique_ptr<MeshBake> bake;
  if (!weights.replaced) {
    bake = std::make_unique<MeshBake>(file, meshNode, weights);
    bake->Apply(json, data);
    MakeSkinnedNode(json, meshNode.node, weights.skin);
  }
  const std::size_t jointCount =
      file.model.skins[static_cast<std::size_t>(weights.skin)].joints.size();
  OrderedJson& primitives = json["meshes"][static_cast<std::size_t>(meshNode.mesh)]["primitives"];
  for (const GltfPrimitiveSpan& span : meshNode.primitives) {
    WriteWeightSets(primitives[static_cast<std::size_t>(span.primitive)]["attributes"], span,
                    weights, jointCount, data);
  }
  if (bake && bake->Identity()) bake.reset();
  return bake;
}

}  // namespace palisor_scene
