#include "scene_run/plugin_run.h"

#include <chrono>
#include <string>

#include "host_imitation/host_imitation.h"
#include "host_imitation/log_format.h"
#include "scene_run/input_error.h"
#include "scene_run/scene_run.h"
#include "scene_run/scripted_run.h"

namespace palisor_run {

PluginRun RunPlugin(const SceneRunOptions& options, host_imitation::PluginModule& module,
                    const PluginLocation& plugin, const LoadedInput& input, bool placing,
                    ProgressLine& progress, double& seconds) {
  PluginRun run;
  host_imitation::HostDocument& document = input.document->document();
  run.before = CaptureDocument(document, *input.morphFeature);
  const int32_t menuEntry = LoadPlugin(module, plugin);
  {
    const ScriptedRun scripted(document, options, placing, run.dialog,
                               [&progress] { progress.Begin("carrying morphs over"); });
    const auto start = std::chrono::steady_clock::now();
    run.ran = module.MQModifyObject(menuEntry, document.handle()) != 0;
    seconds += SecondsSince(start);
  }
  progress.End();
  if (!run.dialog.inputError.empty()) throw InputError(run.dialog.inputError);
  if (!run.dialog.dialogError.empty()) {
    throw PluginError("the dialog could not be answered: " + run.dialog.dialogError);
  }
  return run;
}

int ReportRefusal(bool ran, std::ostream& err) {
  const auto& boxes = host_imitation::Host().widgets().messageBoxes();
  if (!boxes.empty()) {
    for (const auto& box : boxes) err << host_imitation::ToUtf8(box.message) << '\n';
    err << "palisor-cli: the plug-in needs a Source and at least one Destination: select at "
           "least two objects (--select)\n";
  } else {
    err << "palisor-cli: the plug-in " << (ran ? "ended" : "refused the run")
        << " without showing its dialog\n";
  }
  return kRefused;
}

void ReportMisuse(std::ostream& err) {
  for (const std::string& what : host_imitation::Host().misuse()) {
    err << "palisor-cli: warning: the plug-in made a request the host rejects: " << what << '\n';
  }
}

}  // namespace palisor_run
