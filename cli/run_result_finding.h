// What a run did, found once in the document after it by comparing it with the document as it
// was just before, by object identity, and told in the scene's terms (scene/run_result.h).
#pragma once

#include <cstdint>
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

// The objects a run concerned, found in the document after it: the Source as it was before, the
// targets carried over (in document order; their column is their place here), and each
// Destination still present with its morph objects by column (null where none was made).
struct RunObjects {
  struct DestinationObjects {
    const ObjectState* destination = nullptr;
    std::vector<host_imitation::HostObject*> morphs;
  };
  const ObjectState* source = nullptr;
  std::vector<host_imitation::HostObject*> targets;
  std::vector<DestinationObjects> destinations;
};

// The first selected object before the run is the Source, the others Destinations; a new object
// cloned from a Destination is its morph object for the target it stands after (the nearest
// earlier object that was there before the run). `source` is null when the Source is gone.
RunObjects FindRunObjects(const DocumentState& before,
                          const host_imitation::HostDocument& document);

// `before` is the document as captured just before the run, and must outlive the result, which
// shows its positions and the document's; its rows are those of FindRunObjects. `scenes` (may be
// null) traces objects back to the scene objects they stand for. `marks` (may be null) holds, for
// each Destination of FindRunObjects in its order, what a surface method did to its vertices.

palisor_scene::RunResult FindRunResult(const DocumentState& before,
                                       const host_imitation::HostDocument& document,
                                       const host_imitation::MorphFeature& morphFeature,
                                       const SceneDocument* scenes,
                                       const std::vector<std::vector<uint8_t>>* marks = nullptr);

}  // namespace palisor_cli
