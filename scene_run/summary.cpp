#include "scene_run/summary.h"

#include <cstdio>
#include <iomanip>
#include <utility>
#include <vector>

#include "host_imitation/log_format.h"
#include "scene_run/name_text.h"

namespace palisor_run {

namespace {

std::string ModeName(int32_t mode) {
  return mode >= 0 && mode < 3 ? ListingModeName(static_cast<ListingMode>(mode)) : "unknown";
}

// The label in a column of 16, with at least one blank after it.
std::ostream& Label(std::ostream& out, const char* label) {
  return out << std::left << std::setw(15) << label << ' ';
}

std::string Count(std::size_t count, const char* one, const char* many) {
  return count == 0 ? std::string("none") : std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f s", seconds);
  return text;
}

template <typename Items, typename Print>
void PrintList(std::ostream& out, const char* label, const Items& items, const char* one,
               const char* many, Print print) {
  Label(out, label) << Count(items.size(), one, many) << '\n';
  for (const auto& item : items) {
    out << "  ";
    print(item);
    out << '\n';
  }
}

// What a glTF result did to the Destinations' morph targets: the targets made, and the old targets
// of the same names, kept under backup names or replaced.
void PrintTargets(std::ostream& out, const palisor_scene::RunResult& result) {
  if (result.targets.empty()) return;
  using palisor_scene::DestinationTargets;
  PrintList(out, "Targets made", result.targets, "Destination", "Destinations",
            [&out](const DestinationTargets& targets) {
              out << targets.destination << ":";
              const char* separator = " ";
              for (const DestinationTargets::NewTarget& made : targets.made) {
                out << separator << made.name;
                separator = ", ";
              }
            });
  std::vector<palisor_scene::TargetKept> kept;
  std::vector<std::pair<std::string, std::string>> replaced;
  for (const DestinationTargets& targets : result.targets) {
    kept.insert(kept.end(), targets.keptAsBackups.begin(), targets.keptAsBackups.end());
    for (const std::string& name : targets.replaced)
      replaced.emplace_back(targets.destination, name);
  }
  if (!kept.empty()) {
    PrintList(out, "Targets kept", kept, "target", "targets",
              [&out](const palisor_scene::TargetKept& target) {
                out << target.destination << ": " << target.name << " -> " << target.backup;
              });
  }
  if (!replaced.empty()) {
    PrintList(out, "Targets replaced", replaced, "target", "targets",
              [&out](const std::pair<std::string, std::string>& target) {
                out << target.first << ": " << target.second;
              });
  }
}

// What a surface method did to the Destinations' vertices: how many took their own match, how many
// were filled or moved rigidly, how many were kept outside the Source, and how many had a motion
// of their own that was not finite.
void PrintMethod(std::ostream& out, const std::string& method,
                 const palisor_scene::RunResult& result) {
  if (method.empty()) return;
  Label(out, "Method") << method << '\n';
  std::size_t counts[5] = {0, 0, 0, 0, 0};
  for (const palisor_scene::ResultRow& row : result.destinations) {
    for (uint8_t mark : row.marks) {
      for (int bit = 0; bit < 5; ++bit) counts[bit] += (mark >> bit) & 1;
    }
  }
  Label(out, "Matched") << counts[0] << " vertices on the Source's surface\n";
  Label(out, "Filled") << counts[1] << " vertices from their neighbours\n";
  Label(out, "Moved rigidly") << counts[2] << " vertices\n";
  Label(out, "Pushed out") << counts[3] << " vertices\n";
  // Only where a Source displacement was not finite, which a sound scene never has.
  if (counts[4] != 0) {
    Label(out, "Not finite") << counts[4] << " vertices whose own motion was not finite\n";
  }
}

// What --weights gave the Destinations: how many vertices, the influences and the method, then
// per Destination the skin and, for the robust method, how many vertices were matched and filled.
void PrintWeights(std::ostream& out, const std::string& method,
                  const palisor_scene::RunResult& result) {
  if (result.weights.empty()) return;
  std::size_t vertices = 0;
  for (const palisor_scene::DestinationWeights& weights : result.weights) {
    vertices += weights.joints.size() / weights.influences;
  }
  Label(out, "Weights") << vertices << " vertices of "
                        << Count(result.weights.size(), "Destination", "Destinations") << ", "
                        << result.weights[0].influences << " influences, " << method << '\n';
  for (const palisor_scene::DestinationWeights& weights : result.weights) {
    out << "  " << weights.destination << ": "
        << (weights.replaced ? "weights of skins[" : "given skins[") << weights.skin << "]"
        << (weights.replaced ? " replaced" : "");
    if (!weights.marks.empty()) {
      std::size_t counts[3] = {0, 0, 0};
      for (uint8_t mark : weights.marks) {
        for (int bit = 0; bit < 3; ++bit) counts[bit] += (mark >> bit) & 1;
      }
      out << "; " << counts[0] << " matched, " << counts[1] << " filled";
      if (counts[2] != 0) out << ", " << counts[2] << " in parts with no match";
    }
    out << '\n';
  }
}

}  // namespace

void PrintSummary(std::ostream& out, const RunSummary& summary) {
  const DialogRecord& dialog = *summary.dialog;
  const palisor_scene::RunResult& changes = *summary.result;
  Label(out, "Source") << host_imitation::ToUtf8(dialog.source) << '\n';
  Label(out, "Destinations") << host_imitation::ToUtf8(dialog.destinations) << '\n';
  Label(out, "Mode") << ModeName(dialog.finalMode) << '\n';
  std::size_t ticked = 0;
  for (const DialogCandidate& candidate : dialog.candidates) ticked += candidate.ticked ? 1 : 0;
  Label(out, "Ticked") << ticked << " of " << dialog.candidates.size() << " candidates"
                       << (dialog.confirmed ? "" : " (cancelled: nothing carried over)") << '\n';
  for (const DialogCandidate& candidate : dialog.candidates) {
    if (candidate.ticked) out << "  " << host_imitation::ToUtf8(candidate.name) << '\n';
  }
  PrintList(out, "Created", changes.created, "object", "objects",
            [&out](const std::string& name) { out << name; });
  PrintList(out, "Renamed", changes.renamed, "object", "objects",
            [&out](const palisor_scene::Rename& rename) {
              out << rename.before << " -> " << rename.after;
            });
  PrintList(out, "Deleted", changes.deleted, "object", "objects",
            [&out](const std::string& name) { out << name; });
  PrintList(out, "Bindings made", changes.bindingsMade, "binding", "bindings",
            [&out](const std::pair<std::string, std::string>& binding) {
              out << binding.second << " as a target of " << binding.first;
            });
  PrintTargets(out, changes);
  Label(out, "Vertices moved") << changes.verticesMoved;
  if (changes.verticesMoved > 0) {
    out << " in "
        << Count(static_cast<std::size_t>(changes.objectsWithMovedVertices), "object", "objects");
  }
  out << '\n';
  PrintMethod(out, summary.method, changes);
  PrintWeights(out, summary.weightMethod, changes);
  const RunTimes& times = summary.times;
  Label(out, "Time") << Seconds(times.reading + times.run + times.writing) << " (reading "
                     << Seconds(times.reading) << ", run " << Seconds(times.run) << ", writing "
                     << Seconds(times.writing) << ")\n";
  Label(out, "Written") << summary.outputPath << " ("
                        << Count(summary.objectsWritten, "object", "objects") << ")\n";
}

void PrintCandidates(std::ostream& out, const DialogRecord& dialog) {
  out << "Candidates of the " << ModeName(dialog.finalMode) << " listing for "
      << host_imitation::ToUtf8(dialog.source) << ": " << dialog.candidates.size() << '\n';
  for (const DialogCandidate& candidate : dialog.candidates) {
    out << (candidate.ticked ? "  [x] " : "  [ ] ") << host_imitation::ToUtf8(candidate.name)
        << '\n';
  }
}

}  // namespace palisor_run
