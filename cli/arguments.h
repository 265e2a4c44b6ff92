// The command line of palisor-cli, parsed but not yet matched against a scene.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "preview/view.h"

namespace palisor_cli {

// The dialog's listing modes, numbered as the tool numbers them.
enum class ListingMode : int32_t { kKeynote = 0, kVertexCount = 1, kMorph = 2 };

const char* ListingModeName(ListingMode mode);

// One --tick or --untick, in the order given.
struct TickChange {
  bool tick = true;
  std::string name;
};

// An inclusive range of vertex indexes of --select-vertices.
struct IndexRange {
  int64_t first = 0;
  int64_t last = 0;
};

struct VertexSelection {
  std::string objectName;
  std::vector<IndexRange> ranges;
};

using palisor_preview::PreviewView;

// How Destination vertices take their motion: the plug-in's rule, or along the Source's surface.
enum class TransferMethodChoice { kNearest, kSurface, kCarry };

const char* TransferMethodName(TransferMethodChoice method);

// --max-distance: in scene units, or a share of the Source's bounding box diagonal.
struct DistanceLimit {
  float value = 0.0f;
  bool percentOfSource = false;
};

struct Arguments {
  std::string scenePath;
  // --source-scene: a scene whose objects come first in the document and are not written.
  std::string sourceScenePath;
  std::string outputPath;
  std::vector<std::string> selectNames;
  std::optional<ListingMode> mode;
  // --tick-all (true) or --tick-none (false), applied before the single changes.
  std::optional<bool> tickEverything;
  std::vector<TickChange> tickChanges;
  bool selectedVerticesOnly = false;
  std::vector<VertexSelection> vertexSelections;
  bool noBackup = false;
  TransferMethodChoice method = TransferMethodChoice::kNearest;
  // Limits and the no-clipping distance of the surface methods; unset: none.
  std::optional<DistanceLimit> maxDistance;
  std::optional<float> maxAngleDegrees;
  std::optional<float> keepOutside;
  // Each as given, "BASE=TARGET": names may hold "=" themselves, so the split is made once the
  // scene's names are known.
  std::vector<std::string> bindings;
  // --preview FILE.png: the contact sheet of the run; empty for none.
  std::string previewPath;
  PreviewView previewView = PreviewView::kThreeQuarter;
  // The size of one picture of the sheet, in pixels.
  int32_t previewWidth = 256;
  int32_t previewHeight = 256;
  // In a run over many files: every object of the scene is selected too (after the --select
  // names), and --select names may be patterns with * ? and [...].
  bool allMeshes = false;
  bool selectPatterns = false;
  bool list = false;
  bool cancel = false;
  bool help = false;
  bool version = false;
};

// Throws InputError for anything that is not a valid command line.
Arguments ParseArguments(const std::vector<std::string>& arguments);

// "0,5,10-20" as ranges; throws InputError when the text is not such a list.
std::vector<IndexRange> ParseIndexList(const std::string& text);

}  // namespace palisor_cli
