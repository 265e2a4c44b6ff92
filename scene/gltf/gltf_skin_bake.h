// A Destination's mesh moved into the space it has once skinned (see gltf_bind_pose.h): its
// primitives' positions, normals and tangents and its morph targets' displacements of them go
// into new accessors, mapped vertex by vertex, so that the skinned mesh is seen at rest where it
// was.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "scene/gltf/gltf_bind_pose.h"
#include "scene/gltf/gltf_file.h"
#include "scene/gltf/gltf_morph_export.h"
#include "scene/gltf/gltf_new_data.h"
#include "scene/run_result.h"

namespace palisor_scene {

class MeshBake {
 public:
  // For the mesh of the node `meshNode` stands for, which takes the skin `weights` gives it.
  // `file` and `meshNode` must outlive this. Throws SceneError as BindPoseMaps does.
  MeshBake(const GltfFile& file, const GltfMeshNode& meshNode, const DestinationWeights& weights);

  // Whether the mesh's data stay as they are.
  bool Identity() const { return maps_.Identity(); }

  // Points the mesh's attributes and targets in `json` at new accessors holding them moved.
  void Apply(OrderedJson& json, NewData& data) const;

  // Moves a new morph target, made in the mesh's old space, into the new one.
  void MoveTarget(NewMorphTarget& target) const;

 private:
  void ApplyToPrimitive(std::size_t p, OrderedJson& primitive, NewData& data) const;
  void ApplyToTarget(std::size_t p, const std::map<std::string, int>& target, OrderedJson& written,
                     NewData& data) const;
  // Changes of a unit direction (normals, or tangents) of primitive `p`: from base to base +
  // change, each mapped and made unit length (normals turn by the inverse transpose).
  std::vector<float> MovedChanges(std::size_t p, const std::vector<float>& base,
                                  const std::vector<float>& changes, bool normals) const;

  const GltfFile& file_;
  const GltfMeshNode& meshNode_;
  BindPoseMaps maps_;
  // Per primitive its normals and tangents (three floats per vertex) in the old space; empty where
  // it has none or the space stays.
  std::vector<std::vector<float>> normals_;
  std::vector<std::vector<float>> tangents_;
};

}  // namespace palisor_scene
