// The result of a run written in its format: the document as an OBJ scene (the source scene's
// objects left out), or the glTF scene read with the run's morph targets added.
#pragma once

#include <cstddef>

#include "scene/run_result.h"
#include "scene_run/loaded_input.h"
#include "scene_run/run_options.h"

namespace palisor_run {

// Writes the result file in place of any older one, whole or not at all; returns the number of
// objects written.
std::size_t WriteResult(const SceneRunOptions& options, const LoadedInput& input,
                        const palisor_scene::RunResult& result);

}  // namespace palisor_run
