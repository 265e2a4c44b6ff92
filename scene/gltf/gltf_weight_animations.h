// The morph weights of a mesh that gains targets: the mesh's and its nodes' default weights and
// the weight animations of its nodes widen by a 0 per new target, and the Destination's node
// follows the animations of the Source: where an animation drives the morph weights of a Source
// node, the Destination node's new targets get the curves of the Source targets they were made
// from.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/gltf/gltf_new_data.h"

namespace palisor_scene {

// A new target of the Destination's mesh made from a morph target of the same file.
struct FollowedTarget {
  // The node that shows the Source target's mesh, and the target's place among its targets.
  int sourceNode = -1;
  std::size_t sourceTarget = 0;
  // The new target's place among the Destination mesh's targets.
  std::size_t index = 0;
};

// A mesh grown from `before` targets to `after`, shown by the Destination's `node`.
struct GrownMesh {
  int mesh = 0;
  int node = 0;
  std::size_t before = 0;
  std::size_t after = 0;
  // The new targets whose weights follow the Source's animations; empty to follow none.
  std::vector<FollowedTarget> followed;
};

// Gives the mesh's weights, its nodes' weights and their weight animations a 0 per target added,
// then has the Destination's node follow the Source's animations for `grown.followed`. In each
// animation the Destination's channel keeps its values for the mesh's own targets; it takes the
// Source's for a followed target where both channels share their key times and interpolation
// (cubic splines' tangents included), and a channel is added (with the Source's times and
// interpolation, the node's default weights for the mesh's own targets) where it has none.
void AnimateGrownMesh(OrderedJson& json, const GltfFile& file, const GrownMesh& grown,
                      NewData& data);

}  // namespace palisor_scene
