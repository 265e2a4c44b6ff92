#include "scene_run/document_state.h"

namespace palisor_run {

DocumentState CaptureDocument(const host_imitation::HostDocument& document,
                              const host_imitation::MorphFeature& morphFeature) {
  DocumentState state;
  for (const host_imitation::HostObject* object : document.slots) {
    if (!IsPresent(object)) continue;
    state.objects.push_back(ObjectState{object, object->name, object->vertices, object->faces,
                                        object->IntValue(MQOBJECT_ATTRIBUTE_SELECTED) != 0});
  }
  state.bindings = morphFeature.Bindings();
  return state;
}

}  // namespace palisor_run
