// The scenes a run reads and the host document made of them, prepared as the user asked: objects
// and vertices selected, the morph feature's bindings in place.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>

#include "host_imitation/morph_feature.h"
#include "scene/scene_file.h"
#include "scene_run/run_options.h"
#include "scene_run/scene_document.h"
#include "scene_run/scene_run.h"

namespace palisor_run {

struct LoadedInput {
  // The scene the result is written from, and the source scene (empty when none), which comes
  // first in the document.
  palisor_scene::LoadedScene scene;
  palisor_scene::LoadedScene sourceScene;
  palisor_scene::SceneFormat outputFormat = palisor_scene::SceneFormat::kObj;
  // The number of `scene` among the scenes read.
  int32_t sceneIndex = 0;
  std::unique_ptr<SceneDocument> document;
  host_imitation::MorphFeature* morphFeature = nullptr;

  // The scene read as number `number` (the source scene, when there is one, is number 0).
  const palisor_scene::LoadedScene& Numbered(int32_t number) const {
    return number == sceneIndex ? scene : sourceScene;
  }
};

// Reads the scenes into `input` and builds the document of them in a fresh host; `options` gains
// the listing mode a glTF scene implies and the names the context's selection hook chooses. The
// document refers to the scenes in `input`, which therefore stays where it is. Throws InputError
// and what the scene readers throw.
void LoadInput(SceneRunOptions& options, const FileRunContext& context, LoadedInput& input,
               std::ostream& err);

}  // namespace palisor_run
