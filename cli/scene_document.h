// Moves a scene into a document of the imitated host and back out again.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/obj_scene.h"
#include "host_imitation/host_document.h"
#include "host_imitation/host_object.h"

namespace palisor_cli {

// Appends every object of the scene to the document, in file order, each carrying its
// passthrough; returns them in that order.
std::vector<host_imitation::HostObject*> BuildDocument(const Scene& scene,
                                                       host_imitation::HostDocument& document);

// The document as a scene to write: every object in slot order, empty slots skipped, with the
// given header and those of the bindings whose two objects are both in the document (each once).
Scene SceneFromDocument(const host_imitation::HostDocument& document,
                        std::vector<std::string> header,
                        const std::vector<std::pair<MQObject, MQObject>>& bindings);

}  // namespace palisor_cli
