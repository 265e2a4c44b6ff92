// Skin weights carried from the Source to the Destinations (--weights), computed by palisor-cli
// with the transfer library as the surface methods are: the Source's weights are read from its
// glTF primitives, and each Destination's computed at the positions the run compared (a skinned
// mesh's stored bind pose, any other node's placed positions). The plug-in's run is the same with
// or without them; the glTF writer gives the Destinations the skin.
#pragma once

#include "scene/run_result.h"
#include "scene_run/loaded_input.h"
#include "scene_run/run_objects.h"
#include "scene_run/run_options.h"

namespace palisor_run {

// Refuses --weights for a result that cannot hold a skin (OBJ), before the run.
void RefuseWeightsWithoutSkins(const SceneRunOptions& options, const LoadedInput& input);

// Fills result.weights for every Destination of the run, after checking that the Source and
// every Destination can serve. Throws InputError or palisor_scene::SceneError naming what cannot.
void CarryWeights(const SceneRunOptions& options, const LoadedInput& input,
                  const RunObjects& objects, palisor_scene::RunResult& result);

}  // namespace palisor_run
