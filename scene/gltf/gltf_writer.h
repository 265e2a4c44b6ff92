// Writes a glTF file back out after a run: everything it held stays as it was (the accessors'
// bytes included), the morph objects made for its meshes become new morph targets of those
// meshes, named as the Source targets they were made from, and Destinations given skin weights
// take the Source's skin (gltf_skin_export.h).
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "scene/gltf/gltf_file.h"
#include "scene/run_result.h"

namespace palisor_scene {

struct GltfOutput {
  std::string path;
  // A .glb file, else .gltf text with the new data embedded.
  bool binary = false;
  // Whether the new targets' weights follow the animations of the Source targets they were made
  // from (see gltf_weight_animations.h); else they stay at 0 in every animation.
  bool followAnimation = true;
};

// The bytes of a written file in pieces, so that large buffers are written from where they lie
// (the input's buffers must outlive it).
class GltfBytes {
 public:
  void Add(std::string owned);
  // Floats kept, and written as they lie in memory.
  void Add(std::vector<float> owned);
  void Refer(const void* data, std::size_t size);
  // 0, or the errno of a failed write.
  int Write(std::FILE* file) const;
  std::string Joined() const;

 private:
  std::deque<std::string> owned_;
  std::deque<std::vector<float>> ownedFloats_;
  std::vector<std::pair<const char*, std::size_t>> pieces_;
};

// `scene` is the scene read as number `sceneIndex` of the run; its Destinations' new targets go
// where result.targets (see PlanMorphTargets) places them, and the skins result.weights gives are
// given first. Returns the file's bytes; throws SceneError where a Destination cannot stand where
// it stood once skinned.
GltfBytes WriteGltfResult(const GltfScene& scene, int32_t sceneIndex, const RunResult& result,
                          const GltfOutput& output);

}  // namespace palisor_scene
