#include "scene/gltf/gltf_triangles.h"

#include <string>

namespace palisor_scene {

std::vector<uint32_t> PrimitiveTriangles(const tinygltf::Model& model,
                                         const tinygltf::Primitive& primitive,
                                         std::size_t vertexCount, const GltfPlace& where) {
  const GltfPlace indexPlace{where.file, where.place + ".indices"};
  std::vector<uint32_t> indexes;
  if (primitive.indices >= 0) {
    indexes = ReadIndexAccessor(model, primitive.indices, vertexCount, indexPlace);
  } else {
    indexes.resize(vertexCount);
    for (std::size_t i = 0; i < vertexCount; ++i) indexes[i] = static_cast<uint32_t>(i);
  }
  const int mode = PrimitiveMode(primitive);
  const std::size_t n = indexes.size();
  if (mode == kGltfTriangles) {
    if (n % 3 != 0) FailAt(indexPlace, std::to_string(n) + " indices do not make whole triangles");
    return indexes;
  }
  std::vector<uint32_t> corners;
  corners.reserve(n >= 2 ? 3 * (n - 2) : 0);
  for (std::size_t i = 0; i + 2 < n; ++i) {
    if (mode == kGltfTriangleFan) {
      corners.insert(corners.end(), {indexes[i + 1], indexes[i + 2], indexes[0]});
    } else if (i % 2 == 0) {
      corners.insert(corners.end(), {indexes[i], indexes[i + 1], indexes[i + 2]});
    } else {
      corners.insert(corners.end(), {indexes[i + 1], indexes[i], indexes[i + 2]});
    }
  }
  return corners;
}

void AppendPrimitiveTriangles(const tinygltf::Model& model, const tinygltf::Primitive& primitive,
                              std::size_t vertexCount, const GltfPlace& where, int32_t offset,
                              std::vector<int32_t>& corners) {
  const std::size_t start = corners.size();
  if (primitive.indices < 0 || PrimitiveMode(primitive) != kGltfTriangles) {
    const std::vector<uint32_t> own = PrimitiveTriangles(model, primitive, vertexCount, where);
    corners.resize(start + own.size());
    for (std::size_t i = 0; i < own.size(); ++i) {
      corners[start + i] = static_cast<int32_t>(static_cast<uint32_t>(offset) + own[i]);
    }
    return;
  }
  const GltfPlace indexPlace{where.file, where.place + ".indices"};
  AppendIndexAccessor(model, primitive.indices, vertexCount, offset, indexPlace, corners);
  const std::size_t n = corners.size() - start;
  if (n % 3 != 0) FailAt(indexPlace, std::to_string(n) + " indices do not make whole triangles");
}

}  // namespace palisor_scene
