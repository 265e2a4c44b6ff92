#include "scene/gltf/gltf_skin_weights.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "scene/gltf/gltf_accessor.h"

namespace palisor_scene {

namespace {

constexpr std::size_t kSlotsPerSet = 4;

std::string Attribute(const char* semantic, std::size_t set) {
  return semantic + std::to_string(set);
}

// The number of JOINTS_n and WEIGHTS_n pairs from n = 0 on.
std::size_t SetCount(const tinygltf::Primitive& primitive) {
  std::size_t sets = 0;
  while (primitive.attributes.count(Attribute("JOINTS_", sets)) != 0 &&
         primitive.attributes.count(Attribute("WEIGHTS_", sets)) != 0) {
    ++sets;
  }
  return sets;
}

// The accessor's four components per element as floats, after checking their type: joints are
// plain unsigned bytes or shorts, weights floats or normalized unsigned bytes or shorts.
std::vector<float> ReadSet(const tinygltf::Model& model, int accessor, bool joints,
                           std::size_t count, const GltfPlace& where) {
  const std::size_t elements = AccessorCount(model, accessor, where);
  const tinygltf::Accessor& data = model.accessors[static_cast<std::size_t>(accessor)];
  const int type = data.componentType;
  const bool unsignedInteger = type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE ||
                               type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
  const bool allowed =
      joints ? unsignedInteger && !data.normalized
             : type == TINYGLTF_COMPONENT_TYPE_FLOAT || (unsignedInteger && data.normalized);
  if (!allowed || data.type != TINYGLTF_TYPE_VEC4) {
    FailAt(where, "accessors[" + std::to_string(accessor) + "] is not " +
                      (joints ? "VEC4 of unsigned bytes or shorts"
                              : "VEC4 of floats or normalized unsigned bytes or shorts"));
  }
  if (elements != count) {
    FailAt(where, "has " + std::to_string(elements) + " elements, but POSITION has " +
                      std::to_string(count));
  }
  return ReadFloatAccessor(model, accessor, 4, where);
}

// Puts one primitive's sets into the node's slots, checking every weighted joint.
void StorePrimitive(const tinygltf::Model& model, const tinygltf::Primitive& primitive,
                    const GltfPrimitiveSpan& span, const std::string& place, const GltfFile& file,
                    NodeSkinWeights& skin) {
  for (std::size_t set = 0; set < SetCount(primitive); ++set) {
    const GltfPlace jointPlace{file.path, place + ".attributes." + Attribute("JOINTS_", set)};
    const GltfPlace weightPlace{file.path, place + ".attributes." + Attribute("WEIGHTS_", set)};
    const std::vector<float> joints = ReadSet(
        model, primitive.attributes.at(Attribute("JOINTS_", set)), true, span.count, jointPlace);
    const std::vector<float> weights = ReadSet(
        model, primitive.attributes.at(Attribute("WEIGHTS_", set)), false, span.count, weightPlace);
    for (std::size_t element = 0; element < joints.size(); ++element) {
      const float weight = weights[element];
      const std::size_t vertex = element / kSlotsPerSet;
      if (!(weight >= 0.0f) || !std::isfinite(weight)) {
        FailAt(weightPlace, "holds the weight " + std::to_string(weight) + " at vertex " +
                                std::to_string(vertex) + "; weights are finite and 0 or more");
      }
      if (weight == 0.0f) continue;
      const auto joint = static_cast<uint32_t>(joints[element]);
      if (joint >= skin.jointCount) {
        FailAt(jointPlace, "names joint " + std::to_string(joint) + " at vertex " +
                               std::to_string(vertex) + ", but skins[" + std::to_string(skin.skin) +
                               "] has " + std::to_string(skin.jointCount) +
                               (skin.jointCount == 1 ? " joint" : " joints"));
      }
      const std::size_t slot =
          (span.first + vertex) * skin.influences + set * kSlotsPerSet + element % kSlotsPerSet;
      skin.joints[slot] = joint;
      skin.weights[slot] = weight;
    }
  }
}

}  // namespace

NodeSkinWeights ReadSkinWeights(const GltfFile& file, const GltfMeshNode& meshNode) {
  const tinygltf::Model& model = file.model;
  const tinygltf::Mesh& mesh = model.meshes[static_cast<std::size_t>(meshNode.mesh)];
  NodeSkinWeights skin;
  skin.skin = model.nodes[static_cast<std::size_t>(meshNode.node)].skin;
  if (skin.skin < 0 || static_cast<std::size_t>(skin.skin) >= model.skins.size()) {
    FailAt(GltfPlace{file.path, "nodes[" + std::to_string(meshNode.node) + "].skin"},
           "names skins[" + std::to_string(skin.skin) + "], which does not exist");
  }
  skin.jointCount = model.skins[static_cast<std::size_t>(skin.skin)].joints.size();
  std::size_t vertices = 0;
  std::size_t sets = 0;
  for (const GltfPrimitiveSpan& span : meshNode.primitives) {
    const tinygltf::Primitive& primitive =
        mesh.primitives[static_cast<std::size_t>(span.primitive)];
    if (SetCount(primitive) == 0) {
      FailAt(GltfPlace{file.path, "meshes[" + std::to_string(meshNode.mesh) + "].primitives[" +
                                      std::to_string(span.primitive) + "].attributes"},
             "has no JOINTS_0 and WEIGHTS_0, but its node is skinned");
    }
    sets = std::max(sets, SetCount(primitive));
    vertices = std::max(vertices, span.first + span.count);
  }
  skin.influences = sets * kSlotsPerSet;
  skin.joints.assign(vertices * skin.influences, 0);
  skin.weights.assign(vertices * skin.influences, 0.0f);
  for (const GltfPrimitiveSpan& span : meshNode.primitives) {
    const std::string place = "meshes[" + std::to_string(meshNode.mesh) + "].primitives[" +
                              std::to_string(span.primitive) + "]";
    StorePrimitive(model, mesh.primitives[static_cast<std::size_t>(span.primitive)], span, place,
                   file, skin);
  }
  return skin;
}

}  // namespace palisor_scene
