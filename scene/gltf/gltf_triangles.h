// The triangles a glTF primitive draws (list, strip or fan, indexed or not), as corner indexes
// into its own vertices, three per triangle.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/gltf/gltf_accessor.h"

namespace palisor_scene {

constexpr int kGltfPoints = 0;
constexpr int kGltfTriangles = 4;
constexpr int kGltfTriangleFan = 6;

inline int PrimitiveMode(const tinygltf::Primitive& primitive) {
  return primitive.mode < 0 ? kGltfTriangles : primitive.mode;
}

inline bool DrawsTriangles(const tinygltf::Primitive& primitive) {
  const int mode = PrimitiveMode(primitive);
  return mode >= kGltfTriangles && mode <= kGltfTriangleFan;
}

// `where` names the primitive; `vertexCount` is the count of its POSITION accessor.
std::vector<uint32_t> PrimitiveTriangles(const tinygltf::Model& model,
                                         const tinygltf::Primitive& primitive,
                                         std::size_t vertexCount, const GltfPlace& where);

// The same corners, each plus `offset`, appended to `corners`; an indexed triangle list is read
// straight into place.
void AppendPrimitiveTriangles(const tinygltf::Model& model, const tinygltf::Primitive& primitive,
                              std::size_t vertexCount, const GltfPlace& where, int32_t offset,
                              std::vector<int32_t>& corners);

}  // namespace palisor_scene
