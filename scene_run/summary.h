// The short report a run prints: who was Source and Destination, what was ticked, what the run
// did to the document, and how long it took.
#pragma once

#include <ostream>
#include <string>

#include "scene/run_result.h"
#include "scene_run/dialog_user.h"

namespace palisor_run {

struct RunTimes {
  double reading = 0.0;
  double run = 0.0;
  double writing = 0.0;
};

struct RunSummary {
  const DialogRecord* dialog = nullptr;
  // With, for a glTF result, what became of the Destinations' morph targets.
  const palisor_scene::RunResult* result = nullptr;
  RunTimes times;
  std::string outputPath;
  std::size_t objectsWritten = 0;
  // The surface method that placed the morph objects' vertices; empty for the plug-in's rule.
  std::string method;
  // The method that computed the Destinations' skin weights; empty where none were carried.
  std::string weightMethod;
};

void PrintSummary(std::ostream& out, const RunSummary& summary);

// The candidates of the listing with their ticks, as --list shows them.
void PrintCandidates(std::ostream& out, const DialogRecord& dialog);

}  // namespace palisor_run
