#include "scene_run/scene_setup.h"

#include <cstddef>
#include <string>
#include <utility>

#include "scene_run/input_error.h"

namespace palisor_run {

namespace {

using palisor_scene::SceneBinding;

using host_imitation::HostObject;

std::vector<HostObject*> Bearing(const std::vector<HostObject*>& objects, const std::string& name) {
  std::vector<HostObject*> found;
  for (HostObject* object : objects) {
    if (object->name == name) found.push_back(object);
  }
  return found;
}

std::vector<HostObject*> RequireBearing(const std::vector<HostObject*>& objects,
                                        const std::string& name, const char* option) {
  std::vector<HostObject*> found = Bearing(objects, name);
  if (found.empty()) {
    throw InputError(std::string(option) + ": the scene has no object named '" + name + "'");
  }
  return found;
}

void SelectVertices(const VertexSelection& selection, const std::vector<HostObject*>& objects) {
  for (HostObject* object : RequireBearing(objects, selection.objectName, "--select-vertices")) {
    for (const IndexRange& range : selection.ranges) {
      if (range.last >= object->VertexCount()) {
        throw InputError("--select-vertices: '" + selection.objectName + "' has " +
                         std::to_string(object->VertexCount()) + " vertices, so vertex " +
                         std::to_string(range.last) + " does not exist");
      }
      for (int64_t vertex = range.first; vertex <= range.last; ++vertex) {
        object->SelectVertex(static_cast<int32_t>(vertex));
      }
    }
  }
}

// The first objects named by BASE and TARGET of "BASE=TARGET". Names may hold "=" themselves, so
// every split is tried; exactly one may name two objects.
std::pair<HostObject*, HostObject*> ResolveBinding(const std::string& text,
                                                   const std::vector<HostObject*>& objects) {
  std::vector<std::pair<HostObject*, HostObject*>> matches;
  for (std::size_t split = text.find('='); split != std::string::npos;
       split = text.find('=', split + 1)) {
    const std::vector<HostObject*> bases = Bearing(objects, text.substr(0, split));
    const std::vector<HostObject*> targets = Bearing(objects, text.substr(split + 1));
    if (!bases.empty() && !targets.empty()) matches.emplace_back(bases.front(), targets.front());
  }
  if (matches.size() > 1) {
    throw InputError("--bind '" + text + "' can be split into object names in more than one way");
  }
  if (matches.empty()) {
    const std::size_t split = text.find('=');
    const std::string base = text.substr(0, split);
    const std::string target = text.substr(split + 1);
    const std::string missing = Bearing(objects, base).empty() ? base : target;
    throw InputError("--bind: the scene has no object named '" + missing + "'");
  }
  if (matches.front().first == matches.front().second) {
    throw InputError("--bind '" + text + "': an object cannot be bound to itself");
  }
  return matches.front();
}

}  // namespace

void PrepareDocument(const SceneRunOptions& options, const std::vector<SceneBinding>& bindings,
                     const std::vector<HostObject*>& objects,
                     host_imitation::MorphFeature& morphFeature) {
  for (const std::string& name : options.selectNames) {
    for (HostObject* object : RequireBearing(objects, name, "--select")) {
      object->intValues[MQOBJECT_ATTRIBUTE_SELECTED] = 1;
    }
  }
  for (const VertexSelection& selection : options.vertexSelections) {
    SelectVertices(selection, objects);
  }
  // A binding given twice is made once, so that the feature lists each target once.
  auto bind = [&morphFeature](HostObject* base, HostObject* target) {
    for (MQObject bound : morphFeature.Targets(base->handle())) {
      if (bound == target->handle()) return;
    }
    morphFeature.Bind(base->handle(), target->handle());
  };
  for (const SceneBinding& binding : bindings) {
    bind(objects[static_cast<std::size_t>(binding.base)],
         objects[static_cast<std::size_t>(binding.target)]);
  }
  for (const std::string& text : options.bindings) {
    const auto binding = ResolveBinding(text, objects);
    bind(binding.first, binding.second);
  }
}

}  // namespace palisor_run
