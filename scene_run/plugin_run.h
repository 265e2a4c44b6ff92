// The plug-in run on the document as the host runs it: loaded by its exports, its menu entry
// picked with the document, its dialog answered by the scripted user.
#pragma once

#include <ostream>

#include "host_imitation/plugin_module.h"
#include "scene_run/dialog_user.h"
#include "scene_run/document_state.h"
#include "scene_run/loaded_input.h"
#include "scene_run/plugin_loading.h"
#include "scene_run/progress.h"
#include "scene_run/run_options.h"

namespace palisor_run {

// What the plug-in's run left.
struct PluginRun {
  DialogRecord dialog;
  // Whether the plug-in answered success.
  bool ran = false;
  // The document just before the run.
  DocumentState before;
};

// Loads the plug-in into `module` and runs it on the document with its dialog answered, adding
// the run's seconds to `seconds`. Where `placing`, palisor-cli places the vertices itself: the
// plug-in is asked to move only selected vertices while none is selected. Throws InputError for
// a dialog that cannot be answered as asked, PluginError for a plug-in that cannot be used.
PluginRun RunPlugin(const SceneRunOptions& options, host_imitation::PluginModule& module,
                    const PluginLocation& plugin, const LoadedInput& input, bool placing,
                    ProgressLine& progress, double& seconds);

// The plug-in ended without its dialog: its warning goes to `err` with a line in English after
// it. Returns the exit status.
int ReportRefusal(bool ran, std::ostream& err);

// Requests a real host would have rejected say the plug-in misbehaved: each goes to `err`.
void ReportMisuse(std::ostream& err);

}  // namespace palisor_run
