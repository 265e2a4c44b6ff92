// What a run did, found once in the document after it by comparing it with the document as it
// was just before, by object identity, and told in the scene's terms (scene/run_result.h).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/scene_document.h"
#include "host/host_api.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"
#include "host_imitation/morph_feature.h"
#include "scene/run_result.h"

namespace palisor_cli {

struct ObjectState {
  const host_imitation::HostObject* object = nullptr;
  std::string name;
  std::vector<MQPoint> vertices;
  bool selected = false;
};

struct DocumentState {
  std::vector<ObjectState> objects;
  std::vector<std::pair<MQObject, MQObject>> bindings;
};

DocumentState CaptureDocument(const host_imitation::HostDocument& document,
                              const host_imitation::MorphFeature& morphFeature);

// `before` is the document as captured just before the run, and must outlive the result, which
// shows its positions and the document's. A new object cloned from a Destination is that
// Destination's morph object for the target it stands after (the nearest earlier object that was
// there before the run); the targets are taken in document order. `scenes` (may be null) traces
// objects back to the scene objects they stand for.
palisor_scene::RunResult FindRunResult(const DocumentState& before,
                                       const host_imitation::HostDocument& document,
                                       const host_imitation::MorphFeature& morphFeature,
                                       const SceneDocument* scenes);

}  // namespace palisor_cli
