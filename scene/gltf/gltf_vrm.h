// Avatar expressions of VRM files (VRM 0.x blend shape groups, VRM 1.0 expressions) bind morph
// targets with weights. A target carried over to another mesh joins every expression that binds
// the target it was made from, with the same weight.
#pragma once

#include "scene/gltf/gltf_file.h"

namespace palisor_scene {

struct MorphTargetRef {
  int node = 0;
  int mesh = 0;
  int target = 0;
};

// Adds a bind of `made` next to every bind of `from` in the file's expressions.
void BindLikeSource(OrderedJson& json, const MorphTargetRef& from, const MorphTargetRef& made);

}  // namespace palisor_scene
