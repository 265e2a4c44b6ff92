// The morph objects a run made for the Destinations of a glTF file, turned into morph targets of
// the Destinations' meshes: displacements of every primitive's positions (and normals) in the
// mesh's own space.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "cli/gltf_file.h"
#include "host_imitation/host_document.h"

namespace palisor_cli {

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

struct DestinationMorphs {
  std::size_t meshNode = 0;
  std::string destination;
  std::vector<NewMorphTarget> targets;
};

// The morph objects of the document that are not among `originals` and were cloned from an
// object of `file`'s meshes, grouped by that object in file order. Each stands right after the
// Source target it was made from, or after other morph objects made from it.
std::vector<DestinationMorphs> CollectMorphTargets(
    const GltfFile& file, const host_imitation::HostDocument& document,
    const std::set<const host_imitation::HostObject*>& originals);

}  // namespace palisor_cli
