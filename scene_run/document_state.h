// The document as it stood just before the plug-in ran: every object with its name, positions,
// faces and whether it was selected, and the morph feature's bindings. What a run did is told
// against it.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/host_api.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"
#include "host_imitation/morph_feature.h"

namespace palisor_run {

struct ObjectState {
  const host_imitation::HostObject* object = nullptr;
  std::string name;
  std::vector<MQPoint> vertices;
  // Shared with the object: the plug-in cannot change faces. Null for an object without any.
  std::shared_ptr<const host_imitation::FaceList> faces;
  bool selected = false;
};

struct DocumentState {
  std::vector<ObjectState> objects;
  std::vector<std::pair<MQObject, MQObject>> bindings;
};

DocumentState CaptureDocument(const host_imitation::HostDocument& document,
                              const host_imitation::MorphFeature& morphFeature);

// Whether the object is in its document (not destroyed).
inline bool IsPresent(const host_imitation::HostObject* object) {
  return object != nullptr && !object->destroyed;
}

}  // namespace palisor_run
