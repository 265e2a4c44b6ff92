// What the command line does to the document before the plug-in runs, as a user would in the
// host: select objects and vertices, and find the morph feature's bindings in place.
#pragma once

#include <vector>

#include "host_imitation/host_object.h"
#include "host_imitation/morph_feature.h"
#include "scene/scene.h"
#include "scene_run/run_options.h"

namespace palisor_run {

// `objects` are the scene's objects in file order, as BuildDocument returned them. Selects every
// object bearing a --select name, selects the --select-vertices vertices of every object bearing
// the name, and binds the scene's bindings and then each --bind in the morph feature. Throws
// InputError for a name that no object bears or a vertex index beyond an object's vertices.
void PrepareDocument(const SceneRunOptions& options,
                     const std::vector<palisor_scene::SceneBinding>& bindings,
                     const std::vector<host_imitation::HostObject*>& objects,
                     host_imitation::MorphFeature& morphFeature);

}  // namespace palisor_run
