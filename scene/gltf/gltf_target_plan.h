// Where the morph objects a run made for the Destinations of a glTF file go among their meshes'
// morph targets: each becomes a new target named as the Source target it was made from; an old
// target of that name lives on under a fresh "#NAME1"-style name, or is replaced in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/run_result.h"

namespace palisor_scene {

// The names of a mesh's `count` targets: its extras.targetNames, else "target K".
std::vector<std::string> TargetNames(const OrderedJson& mesh, std::size_t count);

// Fills result.targets for the Destinations that are nodes of `scene`, the scene read as number
// `sceneIndex` of the run. `keepBackups` is the dialog's backup option.
void PlanMorphTargets(const GltfScene& scene, int32_t sceneIndex, bool keepBackups,
                      RunResult& result);

}  // namespace palisor_scene
