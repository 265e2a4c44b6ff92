// The plug-in's run as palisor-cli stages it, held by one guard for as long as the run lasts: the
// scripted user who answers the dialog installed, and, where palisor-cli places the vertices
// itself, the dialog's "selected vertices only" forced on while every vertex selection of the
// document is held aside, so that the plug-in makes, names and binds everything but moves
// nothing. When the guard ends, the selection is given back and the scripted user removed.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "host_imitation/host_document.h"
#include "scene_run/dialog_user.h"
#include "scene_run/run_options.h"

namespace palisor_run {

class ScriptedRun {
 public:
  // The user answers as `options` asks (with "selected vertices only" forced on when `placing`)
  // and records what the dialog showed in `record`; `beforeOk` runs just before OK is pressed.
  ScriptedRun(host_imitation::HostDocument& document, const SceneRunOptions& options, bool placing,
              DialogRecord& record, std::function<void()> beforeOk);
  ~ScriptedRun();
  ScriptedRun(const ScriptedRun&) = delete;
  ScriptedRun& operator=(const ScriptedRun&) = delete;

 private:
  host_imitation::HostDocument& document_;
  bool placing_;
  // Each object's vertex selection by its serial, while it is held aside.
  std::map<int32_t, std::vector<bool>> heldSelection_;
};

}  // namespace palisor_run
