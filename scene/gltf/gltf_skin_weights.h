// The skin weights of a skinned mesh node as its primitives' JOINTS_n and WEIGHTS_n attributes
// hold them, per vertex of the node's object (its primitives' vertices in order).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/gltf/gltf_file.h"

namespace palisor_scene {

struct NodeSkinWeights {
  // The node's skin and its number of joints.
  int skin = -1;
  std::size_t jointCount = 0;
  // Slots per vertex: four per attribute set of the primitive with the most; a primitive with
  // fewer sets leaves its vertices' last slots unused (joint 0, weight 0), and so does every slot
  // of weight 0.
  std::size_t influences = 0;
  std::vector<uint32_t> joints;
  std::vector<float> weights;
};

// The weights of the node `meshNode` stands for, which must have a skin. Throws SceneError naming
// the place where a primitive has no JOINTS_0 and WEIGHTS_0, or its attributes are not what glTF
// allows: joints of unsigned bytes or shorts, below the skin's joint count where weighted; weights
// of floats or normalized unsigned bytes or shorts, finite and not negative.
NodeSkinWeights ReadSkinWeights(const GltfFile& file, const GltfMeshNode& meshNode);

}  // namespace palisor_scene
