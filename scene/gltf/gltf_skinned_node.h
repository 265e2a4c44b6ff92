// The rules glTF's clients hold a skinned mesh's node to, applied to a node that takes a skin: it
// names the skin, has no placement of its own (no matrix, translation, rotation or scale: the
// skeleton places a skinned mesh and its node's transform counts for nothing) and is a root node
// of every scene that showed it, since its parents' transforms count for nothing either.
#pragma once

#include "scene/gltf/gltf_file.h"

namespace palisor_scene {

// Gives nodes[node] the skin and makes it a root as said above. The node must have no children
// whose place its lost placement would move.
void MakeSkinnedNode(OrderedJson& json, int node, int skin);

}  // namespace palisor_scene
