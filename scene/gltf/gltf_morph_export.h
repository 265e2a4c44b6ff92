// The morph objects a run made for the Destinations of a glTF file, turned into morph targets of
// the Destinations' meshes: displacements of every primitive's positions (and normals) in the
// mesh's own space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/run_result.h"

namespace palisor_scene {

// One new target of a primitive: POSITION displacements, and NORMAL displacements when the
// primitive has normals (else empty). Three floats per vertex.
struct PrimitiveTarget {
  std::vector<float> positions;
  std::vector<float> normals;
};

struct NewMorphTarget {
  // The name of the Source target it was made from.
  std::string name;
  // That target, when it is a morph target of the same file (else null).
  const GltfObjectOrigin* sourceTarget = nullptr;
  // Per primitive of the mesh, in order.
  std::vector<PrimitiveTarget> primitives;
};

// The new targets of one Destination that `plan` lists, in its order. `scene` is the scene read
// as number `sceneIndex` of the run.
std::vector<NewMorphTarget> ExportMorphTargets(const GltfScene& scene, int32_t sceneIndex,
                                               const RunResult& result,
                                               const DestinationTargets& plan);

}  // namespace palisor_scene
