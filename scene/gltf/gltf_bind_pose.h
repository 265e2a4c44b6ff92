// Where a mesh that takes a skin anew must stand so that, skinned, it is seen where it was at
// rest. A skinned mesh's node placement counts for nothing (the skeleton places it), so the old
// placement passes into the mesh's own data: vertex v's position p becomes S_v^-1 W p, where W is
// the node's world matrix and S_v = sum of w_vj World_j IBM_j the skin's matrix at the file's rest
// pose (each joint's world matrix times its inverse bind matrix, weighted by the vertex's new
// weights). Where the rest pose is the bind pose (every World_j IBM_j is the identity to within
// rounding) the map is W alone for every vertex, and the new positions are exactly the ones the
// run compared. Displacements, normals and tangents follow the same maps.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/run_result.h"

namespace palisor_scene {

class BindPoseMaps {
 public:
  // For the node `meshNode` stands for, taking the skin and the weights `weights` gives it.
  // Throws SceneError where the skin's inverse bind matrices cannot be read or a vertex cannot be
  // placed (its skin matrix has no inverse, or would mirror it).
  BindPoseMaps(const GltfFile& file, const GltfMeshNode& meshNode,
               const DestinationWeights& weights);

  // Whether the mesh's data stay as they are (the map is the identity for every vertex).
  bool Identity() const { return identity_; }

  // Vertex `vertex` (of the node's object) mapped into the new space: a position, a displacement
  // or tangent direction (the linear part alone), a normal (the inverse transpose, made unit
  // length; a normal of no length stays).
  Vector3 Position(std::size_t vertex, const Vector3& position) const;
  Vector3 Direction(std::size_t vertex, const Vector3& direction) const;
  Vector3 Normal(std::size_t vertex, const Vector3& normal) const;

 private:
  const Matrix4& MapOf(std::size_t vertex) const {
    return maps_.size() == 1 ? maps_[0] : maps_[vertex];
  }

  bool identity_ = true;
  // One map for every vertex, or one per vertex.
  std::vector<Matrix4> maps_;
  // Their inverse transposes' linear parts, column-major, alike.
  std::vector<std::array<double, 9>> normalMaps_;
};

}  // namespace palisor_scene
