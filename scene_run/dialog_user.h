// Answers the plug-in's dialog the way the command line asks, as a person at the dialog would:
// the mode's radio button, the list buttons, single ticks by name, the two options, then OK or
// Cancel. Records what the dialog showed for the summary.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host_imitation/modal_dialog.h"
#include "host_imitation/widget_service.h"
#include "scene_run/run_options.h"

namespace palisor_run {

struct DialogCandidate {
  std::u16string name;
  bool ticked = false;
};

struct DialogRecord {
  bool shown = false;
  // What the read-only name fields showed.
  std::u16string source;
  std::u16string destinations;
  // The mode whose radio button was checked when the dialog opened (-1 for none), and at the end.
  int32_t openingMode = -1;
  int32_t finalMode = -1;
  // The candidates and their ticks as the dialog was closed.
  std::vector<DialogCandidate> candidates;
  bool confirmed = false;
  // Set when the dialog could not be answered as asked (a candidate name it does not list); the
  // dialog was then cancelled.
  std::string inputError;
  // Set when the dialog lacked a widget the command line relies on; the dialog was then closed.
  std::string dialogError;
};

// The user for the plug-in's modal dialog, answering as `options` asks (a copy is kept) and
// recording in `record`, which must outlive it. `beforeOk` runs just before OK is pressed.
host_imitation::ScriptedUser AnswerDialog(const SceneRunOptions& options, DialogRecord& record,
                                          std::function<void()> beforeOk);

}  // namespace palisor_run
