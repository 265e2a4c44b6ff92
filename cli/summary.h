// The short report a run prints: who was Source and Destination, what was ticked, what the run
// did to the document, and how long it took.
#pragma once

#include <ostream>
#include <string>

#include "cli/dialog_user.h"
#include "cli/document_changes.h"
#include "cli/targets_made.h"

namespace palisor_cli {

struct RunTimes {
  double reading = 0.0;
  double run = 0.0;
  double writing = 0.0;
};

struct RunSummary {
  const DialogRecord* dialog = nullptr;
  const DocumentChanges* changes = nullptr;
  RunTimes times;
  std::string outputPath;
  std::size_t objectsWritten = 0;
  // For a glTF result: the targets added per Destination (null or empty for OBJ).
  const std::vector<TargetsMade>* targetsMade = nullptr;
};

void PrintSummary(std::ostream& out, const RunSummary& summary);

// The candidates of the listing with their ticks, as --list shows them.
void PrintCandidates(std::ostream& out, const DialogRecord& dialog);

}  // namespace palisor_cli
