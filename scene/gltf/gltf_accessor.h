// Reads the data of glTF accessors as numbers: floating-point, normalized and plain integer
// components, interleaved or packed, dense or sparse. Every fault of the file (an index out of
// range, data past the end of a buffer) is a SceneError naming the file and the JSON place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/gltf/tinygltf_config.h"

namespace palisor_scene {

// Where in a file an accessor is used, for messages: "scene.gltf", "meshes[2].primitives[0]
// .attributes.POSITION".
struct GltfPlace {
  const std::string& file;
  std::string place;
};

[[noreturn]] void FailAt(const GltfPlace& where, const std::string& what);

// The accessor's elements as floats, `components` per element (the accessor must have that
// many): integer components are converted as glTF prescribes (normalized ones to [0, 1] or
// [-1, 1]).
std::vector<float> ReadFloatAccessor(const tinygltf::Model& model, int accessor, int components,
                                     const GltfPlace& where);

// The same floats without copying them where they lie in the buffer as packed, aligned floats
// (the common case); else converted into `storage`. The result holds count * components floats
// and lives as long as the model's buffers and `storage`.
const float* FloatAccessorData(const tinygltf::Model& model, int accessor, int components,
                               const GltfPlace& where, std::vector<float>& storage);

// An index accessor (unsigned byte, short or int scalars), each index checked to be below
// `vertexCount`.
std::vector<uint32_t> ReadIndexAccessor(const tinygltf::Model& model, int accessor,
                                        std::size_t vertexCount, const GltfPlace& where);

// The same indices, each plus `offset`, appended to `indexes`.
void AppendIndexAccessor(const tinygltf::Model& model, int accessor, std::size_t vertexCount,
                         int32_t offset, const GltfPlace& where, std::vector<int32_t>& indexes);

// The number of elements of the accessor; fails when there is no such accessor.
std::size_t AccessorCount(const tinygltf::Model& model, int accessor, const GltfPlace& where);

}  // namespace palisor_scene
