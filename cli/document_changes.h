// What a run did to the document, found by comparing it before and after by object identity:
// objects created, renamed and deleted, bindings made, vertices moved.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"
#include "host_imitation/morph_feature.h"

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

struct Rename {
  std::string before;
  std::string after;
};

struct DocumentChanges {
  // In the document's slot order after the run.
  std::vector<std::string> created;
  std::vector<Rename> renamed;
  // In the slot order before the run.
  std::vector<std::string> deleted;
  // (base, target) names of bindings the feature did not hold before.
  std::vector<std::pair<std::string, std::string>> bindingsMade;
  // Vertices whose position differs from where they started: for an object that was there
  // before, its own earlier position; for a new object, the position of the same vertex of the
  // object it was cloned from (the one whose scene data it shares).
  int64_t verticesMoved = 0;
  int32_t objectsWithMovedVertices = 0;
};

DocumentChanges CompareDocument(const DocumentState& before,
                                const host_imitation::HostDocument& document,
                                const host_imitation::MorphFeature& morphFeature);

}  // namespace palisor_cli
