#include "scene_run/scripted_run.h"

#include <algorithm>
#include <utility>

#include "host_imitation/host_imitation.h"

namespace palisor_run {

namespace {

SceneRunOptions Answers(const SceneRunOptions& options, bool placing) {
  SceneRunOptions answers = options;
  if (placing) answers.selectedVerticesOnly = true;
  return answers;
}

}  // namespace

ScriptedRun::ScriptedRun(host_imitation::HostDocument& document, const SceneRunOptions& options,
                         bool placing, DialogRecord& record, std::function<void()> beforeOk)
    : document_(document), placing_(placing) {
  if (placing_) {
    for (host_imitation::HostObject* object : document_.slots) {
      if (object == nullptr || object->destroyed) continue;
      heldSelection_[object->serial] = object->selectedVertices;
      std::fill(object->selectedVertices.begin(), object->selectedVertices.end(), false);
    }
  }
  host_imitation::Host().widgets().SetUser(
      AnswerDialog(Answers(options, placing_), record, std::move(beforeOk)));
}

// An object made meanwhile gets the selection of the object it was cloned from.
ScriptedRun::~ScriptedRun() {
  host_imitation::Host().widgets().SetUser(nullptr);
  if (!placing_) return;
  for (host_imitation::HostObject* object : document_.slots) {
    if (object == nullptr || object->destroyed) continue;
    auto held = heldSelection_.find(object->serial);
    if (held == heldSelection_.end()) held = heldSelection_.find(object->clonedFrom);
    if (held != heldSelection_.end() && held->second.size() == object->selectedVertices.size()) {
      object->selectedVertices = held->second;
    }
  }
}

}  // namespace palisor_run
