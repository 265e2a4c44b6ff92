// What a run did, told in the scene's terms (scene/run_result.h): the objects created, renamed and
// deleted and the vertices moved, found by comparing the document with the document as it was
// just before, by object identity; the bindings made; and the rows the preview draws, from the
// run's objects.
#pragma once

#include <cstdint>
#include <vector>

#include "host_imitation/host_document.h"
#include "host_imitation/morph_feature.h"
#include "scene/run_result.h"
#include "scene_run/document_state.h"
#include "scene_run/run_objects.h"
#include "scene_run/scene_document.h"

namespace palisor_run {

// `before` and `objects` must outlive the result, which shows their positions and the
// document's. `scenes` (may be null) traces objects back to the scene objects they stand for.
// `marks` (may be null) holds, for each Destination of `objects` in its order, what a surface
// method did to its vertices.
palisor_scene::RunResult FindRunResult(const DocumentState& before,
                                       const host_imitation::HostDocument& document,
                                       const host_imitation::MorphFeature& morphFeature,
                                       const RunObjects& objects, const SceneDocument* scenes,
                                       const std::vector<std::vector<uint8_t>>* marks = nullptr);

}  // namespace palisor_run
