// Whether the nodes of a run with skin weights can serve: the Source must be skinned, and each
// Destination either skinned to the Source's skin already (its weights are replaced) or free to
// take it (no skin, a mesh of its own, not a joint, no child or animation that its placement
// passing to the skeleton would disturb, not mirrored).
#pragma once

#include <string>

#include "scene/gltf/gltf_file.h"

namespace palisor_scene {

// The skin of the Source's node. Throws SceneError where it has none.
int SourceSkin(const GltfFile& file, const GltfMeshNode& source);

// Whether the Destination's node has `skin` already. Throws SceneError, naming the node, where it
// cannot take the skin.
bool HasSkinAlready(const GltfFile& file, const GltfMeshNode& destination, int skin);

}  // namespace palisor_scene
