// Moves a scene into a document of the imitated host and back out again.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/obj_scene.h"
#include "cli/obj_writer.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"

namespace palisor_cli {

// Appends every object to the document, in file order, each carrying its passthrough; returns
// them in that order. The objects' geometry moves into the document.
std::vector<host_imitation::HostObject*> BuildDocument(std::vector<SceneObject> objects,
                                                       host_imitation::HostDocument& document);
inline std::vector<host_imitation::HostObject*> BuildDocument(
    const Scene& scene, host_imitation::HostDocument& document) {
  return BuildDocument(scene.objects, document);
}

// The bindings to write: those whose two objects are both in the document (each once), as
// positions among the document's objects in slot order, empty slots skipped.
std::vector<SceneBinding> BindingsToWrite(
    const host_imitation::HostDocument& document,
    const std::vector<std::pair<MQObject, MQObject>>& bindings);

// The document as a scene to write: every object in slot order, empty slots skipped, with the
// given header and the bindings to write.
Scene SceneFromDocument(const host_imitation::HostDocument& document,
                        std::vector<std::string> header,
                        const std::vector<std::pair<MQObject, MQObject>>& bindings);

// The same as a view that borrows the document's objects, with no copy of their geometry.
ObjSceneView DocumentView(const host_imitation::HostDocument& document,
                          const std::vector<std::string>& header,
                          const std::vector<std::pair<MQObject, MQObject>>& bindings);

}  // namespace palisor_cli
