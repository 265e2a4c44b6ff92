// The Source's skin given to a Destination of a written glTF file: the node names the skin and
// keeps to the rules of skinned mesh nodes (gltf_skinned_node.h), its mesh's data move into the
// space the skeleton places them from (gltf_skin_bake.h), and every primitive gets the weights as
// JOINTS_n and WEIGHTS_n, four influences a set (joints as unsigned bytes where the skin has at
// most 256 joints, else unsigned shorts; weights as floats), in place of any it had.
#pragma once

#include <memory>

#include "scene/gltf/gltf_file.h"
#include "scene/gltf/gltf_new_data.h"
#include "scene/gltf/gltf_skin_bake.h"
#include "scene/run_result.h"

namespace palisor_scene {

// Gives the node `meshNode` stands for the skin and the weights of `weights`. Returns what the
// Destination's new morph targets must pass through, made in its old space: null where its
// weights were replaced (a mesh skinned already keeps its space).
std::unique_ptr<MeshBake> GiveSkin(OrderedJson& json, const GltfFile& file,
                                   const GltfMeshNode& meshNode, const DestinationWeights& weights,
                                   NewData& data);

}  // namespace palisor_scene
